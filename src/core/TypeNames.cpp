#include "core/TypeNames.h"

#include <QMimeDatabase>

#include "core/Records.h"
#include "core/Text.h"

namespace plomix {

namespace {
constexpr std::size_t kMaxCachedTypes = 100000;
}

std::string TypeNames::TypeName(int kind, std::string_view name) {
  if (kind >= kKindCatalog && kind <= kKindOpenFolder) return KindName(kind);
  static const std::string fileWord = text::Utf8ToCp932("ファイル");
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return fileWord;
  std::string ext = text::AnsiUpper(name.substr(dot + 1));
  if (auto it = cache_.find(ext); it != cache_.end()) return it->second;

  std::string result = ext + fileWord;
  static const QMimeDatabase mimeDb;
  const QList<QMimeType> types =
      mimeDb.mimeTypesForFileName(QStringLiteral("x.") + text::Cp932ToQString(ext).toLower());
  if (!types.isEmpty() && !types.front().isDefault() && !types.front().comment().isEmpty())
    result = text::QStringToCp932(types.front().comment());
  if (cache_.size() < kMaxCachedTypes) cache_.emplace(ext, result);
  return result;
}

}  // namespace plomix
