#include "ui/charts/ChartPaint.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "core/Settings.h"

namespace plomix {

const ChartBackgroundKeys kPieBackgroundKeys = {REG_ChartCirBkImageFlag,    REG_ChartCirBkImageFile,
                                                REG_ChartCirBkImageStyle,   REG_ChartCirBkGradFlag,
                                                REG_ChartCirBkGradStart,    REG_ChartCirBkGradEnd,
                                                REG_ChartCirBkGradDirection};
const ChartBackgroundKeys kBarBackgroundKeys = {REG_ChartBarBkImageFlag,    REG_ChartBarBkImageFile,
                                                REG_ChartBarBkImageStyle,   REG_ChartBarBkGradFlag,
                                                REG_ChartBarBkGradStart,    REG_ChartBarBkGradEnd,
                                                REG_ChartBarBkGradDirection};

namespace {

// A picture larger than this in either direction is refused rather than
// decoded: a background never needs more, and a damaged header must not ask
// for gigabytes.
constexpr int kMaxPictureSide = 16384;

}  // namespace

void ChartBackground::SetGradient(bool on, const QColor& start, const QColor& end, int direction) {
  gradient_ = on;
  start_ = start;
  end_ = end;
  direction_ = std::max(direction, 0);
  Invalidate();
}

bool ChartBackground::SetPicture(const QString& file, int style) {
  QImageReader reader(file);
  const QSize size = reader.size();
  QImage image;
  if (size.isValid() && size.width() <= kMaxPictureSide && size.height() <= kMaxPictureSide)
    image = reader.read();
  picture_ = image;
  pictureStyle_ = std::max(style, 0);
  Invalidate();
  return !picture_.isNull();
}

void ChartBackground::Apply(const Settings& settings, const ChartBackgroundKeys& keys) {
  const QString file = settings.GetString(keys.imageFile);
  if (settings.GetInt(keys.imageFlag) != 1) {
    RemovePicture();
  } else if (!file.isEmpty()) {
    if (QFileInfo(file).isFile()) {
      SetPicture(file, settings.GetInt(keys.imageStyle));
    } else {
      RemovePicture();
    }
  }
  SetGradient(
      settings.GetInt(keys.gradFlag) == 1, ColourFromSetting(settings.GetInt(keys.gradStart)),
      ColourFromSetting(settings.GetInt(keys.gradEnd)), settings.GetInt(keys.gradDirection));
}

void ChartBackground::Paint(QPainter& painter, const QRectF& area, const QColor& base) const {
  const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
  const QSize pixels = (area.size() * ratio).toSize();
  if (pixels.isEmpty()) return;
  if (cache_.size() != pixels || cacheBase_ != base || cache_.devicePixelRatio() != ratio) {
    cache_ = QPixmap(pixels);
    cache_.setDevicePixelRatio(ratio);
    cacheBase_ = base;
    QPainter render(&cache_);
    Render(render, QRectF(QPointF(0, 0), area.size()), base);
  }
  painter.drawPixmap(area.topLeft(), cache_);
}

void ChartBackground::Render(QPainter& painter, const QRectF& area, const QColor& base) const {
  painter.fillRect(area, base);
  if (gradient_) {
    QGradient gradient;
    switch (direction_) {
      case kBottomToTop:
        gradient = QLinearGradient(area.bottomLeft(), area.topLeft());
        break;
      case kRightToLeft:
        gradient = QLinearGradient(area.topRight(), area.topLeft());
        break;
      case kFromCentre:
        gradient = QRadialGradient(area.center(), std::hypot(area.width(), area.height()) / 2);
        break;
      case kFromTopLeft:
        gradient = QLinearGradient(area.topLeft(), area.bottomRight());
        break;
      default:
        gradient = QLinearGradient(area.bottomLeft(), area.topRight());
        break;
    }
    gradient.setColorAt(0, start_);
    gradient.setColorAt(1, end_);
    painter.fillRect(area, gradient);
  }
  if (picture_.isNull()) return;
  if (pictureStyle_ == kStretch) {
    painter.drawImage(area, picture_);
  } else if (pictureStyle_ == kTile) {
    painter.drawTiledPixmap(area, QPixmap::fromImage(picture_));
  } else {
    QRectF target(QPointF(0, 0), QSizeF(picture_.size()));
    target.moveCenter(area.center());
    painter.drawImage(target, picture_);
  }
}

QColor ColourFromSetting(int bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

void DrawMarkBox(QPainter& painter, const QRectF& box, const QString& text) {
  painter.setPen(QPen(QColor(0, 0, 0, 140), 1));
  painter.setBrush(QColor(255, 255, 225));
  painter.drawRect(box);
  painter.setPen(Qt::black);
  painter.drawText(box, Qt::AlignCenter, text);
}

QString ChartDescription(const std::vector<std::pair<QString, QString>>& entries) {
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(entries.size()));
  for (const auto& [label, value] : entries) lines << label + QStringLiteral(": ") + value;
  return lines.join(QLatin1Char('\n'));
}

bool SaveChartPng(QWidget& chart, const QString& file) {
  if (file.isEmpty()) return false;
  return chart.grab().save(file, "PNG");
}

}  // namespace plomix
