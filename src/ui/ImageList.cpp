#include "ui/ImageList.h"

#include "core/Text.h"
#include "reading/Drives.h"
#include "ui/Icons.h"

namespace plomix {

ImageList::ImageList() {
  Reset();
}

void ImageList::Reset() {
  icons_.clear();
  extensionImages_.clear();
  withoutIcon_.clear();
  for (int i = 0; i < kBuiltInImages; ++i) {
    icons_.push_back(icons::Named(icons::BuiltInImageName(i)));
  }
}

QIcon ImageList::Icon(int index) const {
  if (index < 0 || index >= Count()) return icons_[kImageFile];
  return icons_[static_cast<std::size_t>(index)];
}

int ImageList::ImageOfExtension(const std::string& extension, const std::string& nameCp932) {
  if (extension.empty()) return kImageFile;
  if (auto it = extensionImages_.find(extension); it != extensionImages_.end()) return it->second;
  if (withoutIcon_.count(extension) != 0) return kImageFile;
  QIcon icon;
  if (auto iconName = FileTypeIconName(text::Cp932ToUtf8(nameCp932)))
    icon = QIcon::fromTheme(QString::fromStdString(*iconName));
  if (icon.isNull()) {
    withoutIcon_.insert(extension);
    return kImageFile;
  }
  icons_.push_back(icon);
  const int index = Count() - 1;
  extensionImages_.emplace(extension, index);
  return index;
}

int ImageList::ImageOfRow(const TRecord& row) {
  if (row.Kind != kKindFile) return ImageOfKind(false, row.Kind);
  const auto dot = row.Name.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : row.Name.substr(dot);
  int image = ImageOfExtension(extension, row.Name);
  if (row.Name.size() > 4) {
    const std::string upper = text::AnsiUpper(row.Name);
    if (upper.compare(upper.size() - 4, 4, ".EXE") == 0)
      image = (upper == "SETUP.EXE" || upper == "INSTALL.EXE") ? kImageInstaller : kImageProgram;
  }
  return image;
}

}  // namespace plomix
