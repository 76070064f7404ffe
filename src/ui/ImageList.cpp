#include "ui/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>

#include "core/Text.h"
#include "reading/Drives.h"

namespace plomix {

namespace {

// Theme names tried for the built-in positions, in order of preference.
const std::array<std::vector<const char*>, kBuiltInImages>& ThemeNames() {
  static const std::array<std::vector<const char*>, kBuiltInImages> names = {{
      {"server-database", "x-office-address-book"},
      {"media-floppy"},
      {"drive-harddisk"},
      {"drive-removable-media", "drive-removable-media-usb"},
      {"media-optical", "drive-optical"},
      {"folder-remote", "network-server"},
      {"media-flash", "drive-harddisk-solidstate"},
      {"dialog-question"},
      {"folder"},
      {"folder-open"},
      {"text-x-generic", "unknown"},
      {"emblem-important"},
      {"application-x-executable"},
      {"system-software-install", "package-x-generic"},
      {},
      {},
      {},
      {},
  }};
  return names;
}

QColor BuiltInColour(int index) {
  static const std::array<QColor, kBuiltInImages> colours = {
      QColor(0, 128, 0),     QColor(60, 60, 160),  QColor(110, 110, 110), QColor(200, 120, 0),
      QColor(150, 150, 200), QColor(0, 120, 160),  QColor(160, 0, 160),   QColor(128, 128, 128),
      QColor(230, 190, 60),  QColor(240, 210, 90), QColor(255, 255, 255), QColor(220, 0, 0),
      QColor(60, 120, 200),  QColor(0, 150, 80),   QColor(0, 0, 0),       QColor(0, 0, 0),
      QColor(100, 100, 100), QColor(100, 100, 100)};
  return colours[static_cast<std::size_t>(index)];
}

}  // namespace

QPixmap ImageList::DrawBuiltIn(int index, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  const QColor colour = BuiltInColour(index);
  p.setPen(QPen(Qt::black, s / 24.0));
  p.setBrush(colour);
  switch (index) {
    case 0:  // catalogue: a stack of discs
      for (int i = 2; i >= 0; --i)
        p.drawEllipse(QRectF(s * 0.1, s * (0.15 + i * 0.22), s * 0.8, s * 0.35));
      break;
    case 4:  // optical disc
      p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(s * 0.4, s * 0.4, s * 0.2, s * 0.2));
      break;
    case 8:
    case 9: {  // folder, open folder
      QPainterPath path;
      path.moveTo(s * 0.08, s * 0.25);
      path.lineTo(s * 0.4, s * 0.25);
      path.lineTo(s * 0.48, s * 0.33);
      path.lineTo(s * 0.92, s * 0.33);
      path.lineTo(s * 0.92, s * 0.85);
      path.lineTo(s * 0.08, s * 0.85);
      path.closeSubpath();
      p.drawPath(path);
      if (index == 9) {
        p.setBrush(colour.lighter(120));
        p.drawPolygon(QPolygonF({QPointF(s * 0.2, s * 0.45), QPointF(s * 0.98, s * 0.45),
                                 QPointF(s * 0.85, s * 0.85), QPointF(s * 0.08, s * 0.85)}));
      }
      break;
    }
    case 10:
    case 12:
    case 13: {  // file, program, installer: a sheet with a folded corner
      p.setBrush(Qt::white);
      p.drawPolygon(QPolygonF({QPointF(s * 0.2, s * 0.08), QPointF(s * 0.62, s * 0.08),
                               QPointF(s * 0.82, s * 0.28), QPointF(s * 0.82, s * 0.92),
                               QPointF(s * 0.2, s * 0.92)}));
      if (index != 10) {
        p.setBrush(colour);
        p.drawRect(QRectF(s * 0.3, s * 0.4, s * 0.42, s * 0.36));
      }
      break;
    }
    case 11:  // mark: a red check
      p.setPen(QPen(colour, s / 7.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF(
          {QPointF(s * 0.15, s * 0.55), QPointF(s * 0.4, s * 0.8), QPointF(s * 0.85, s * 0.2)}));
      break;
    case 14:
    case 15:
    case 16:
    case 17: {  // sort arrows
      const bool up = index == 14 || index == 16;
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      const double top = s * 0.3, bottom = s * 0.7;
      p.drawPolygon(
          QPolygonF({QPointF(s * 0.5, up ? top : bottom), QPointF(s * 0.2, up ? bottom : top),
                     QPointF(s * 0.8, up ? bottom : top)}));
      break;
    }
    default:  // drives: a box with a light
      p.drawRoundedRect(QRectF(s * 0.08, s * 0.3, s * 0.84, s * 0.42), s * 0.08, s * 0.08);
      p.setBrush(Qt::green);
      p.drawEllipse(QRectF(s * 0.7, s * 0.46, s * 0.1, s * 0.1));
      break;
  }
  return pixmap;
}

ImageList::ImageList() {
  Reset();
}

void ImageList::Reset() {
  icons_.clear();
  extensionImages_.clear();
  withoutIcon_.clear();
  for (int i = 0; i < kBuiltInImages; ++i) {
    QIcon icon;
    for (const char* name : ThemeNames()[static_cast<std::size_t>(i)]) {
      icon = QIcon::fromTheme(QString::fromLatin1(name));
      if (!icon.isNull()) break;
    }
    if (icon.isNull()) {
      icon.addPixmap(DrawBuiltIn(i, 16));
      icon.addPixmap(DrawBuiltIn(i, 32));
    }
    icons_.push_back(icon);
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
