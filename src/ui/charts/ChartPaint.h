#pragma once
// What the program's chart widgets share: the background (gradient and
// picture) with its settings, colour conversions, the value marks, the
// accessible description and saving a chart as a PNG picture.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/Settings.h"

class QPainter;
class QWidget;

namespace plomix {

class Settings;

// The seven settings of one chart background.
struct ChartBackgroundKeys {
  SettingNo imageFlag, imageFile, imageStyle, gradFlag, gradStart, gradEnd, gradDirection;
};
extern const ChartBackgroundKeys kPieBackgroundKeys;
extern const ChartBackgroundKeys kBarBackgroundKeys;

class ChartBackground {
 public:
  // Background gradient directions, as the settings number them.
  enum GradientDirection {
    kBottomToTop = 0,
    kRightToLeft = 1,
    kFromCentre = 2,
    kFromTopLeft = 3,
    kFromBottomLeft = 4,  // and every larger number
  };
  // Picture styles: 0 stretched, 1 tiled, 2 and above centred.
  enum PictureStyle { kStretch = 0, kTile = 1, kCentre = 2 };

  void SetGradient(bool on, const QColor& start, const QColor& end, int direction);
  bool HasGradient() const { return gradient_; }
  // False (and no picture) when the file cannot be read as a picture.
  bool SetPicture(const QString& file, int style);
  void RemovePicture() {
    picture_ = QImage();
    Invalidate();
  }
  bool HasPicture() const { return !picture_.isNull(); }

  // The picture when the image flag is 1 and the named file exists (a file
  // that is not a readable picture removes it), none when the flag is not 1
  // or the named file is missing, unchanged when the flag is 1 and no file is
  // named; the gradient when its flag is 1.
  void Apply(const Settings& settings, const ChartBackgroundKeys& keys);

  // Draws the background over `area`. The drawn background is kept and
  // reused while the area's size, the base colour and the settings stay, so
  // a turning pie redraws only itself.
  void Paint(QPainter& painter, const QRectF& area, const QColor& base) const;

 private:
  void Render(QPainter& painter, const QRectF& area, const QColor& base) const;
  void Invalidate() { cache_ = QPixmap(); }

  bool gradient_ = false;
  QColor start_ = Qt::white, end_ = Qt::white;
  int direction_ = kBottomToTop;
  QImage picture_;
  int pictureStyle_ = kStretch;
  mutable QPixmap cache_;
  mutable QColor cacheBase_;
};

// A stored colour value 0x00BBGGRR as a colour.
QColor ColourFromSetting(int bgr);
// A 0xRRGGBB value as a colour.
inline QColor ColourFromRgb(uint32_t rgb) {
  return QColor::fromRgb(static_cast<QRgb>(rgb | 0xFF000000u));
}

// A value mark: the text in a pale yellow box with a thin frame.
void DrawMarkBox(QPainter& painter, const QRectF& box, const QString& text);

// "label: value" lines in chart order, as the accessible description.
QString ChartDescription(const std::vector<std::pair<QString, QString>>& entries);

// Draws the widget at its screen's pixel density and writes a PNG file.
bool SaveChartPng(QWidget& chart, const QString& file);

}  // namespace plomix
