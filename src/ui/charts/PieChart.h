#pragma once
// The program's own pie chart, drawn with QPainter: the property panel's usage
// pie and the top-N pie use it. It holds an ordered list of slices (label,
// value, colour), draws them flat or as a tilted 3D disc, writes a mark beside
// every slice (its percentage, optionally preceded by its label), turns on a
// mouse click and, while rotation is on, by a timer, and paints a background
// gradient and/or picture behind the pie.
//
// Angles: slice 0 begins at Rotation() degrees, measured clockwise from twelve
// o'clock, and the slices follow it clockwise in the order they were added.
// Turning adds to Rotation() modulo 360, so a turn of 355 degrees is a turn of
// 5 degrees back.
//
// Values: a negative or non-finite value counts as 0, so a bad value can
// never produce a slice larger than the whole. A pie whose total is 0 draws
// only its background.
//
// Accessibility: the accessible name is the title (which the pie does not
// draw); the accessible description lists every slice as "label: value
// (percent)" in slice order.

#include <QColor>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "ui/charts/ChartPaint.h"

namespace plomix {

class Settings;

struct PieSlice {
  QString label;
  double value = 0;
  QColor colour;
};

class PieChart : public QWidget {
  Q_OBJECT

 public:
  // What the mark beside each slice shows.
  enum class MarkStyle { None, Percent, LabelAndPercent };
  using enum ChartBackground::GradientDirection;
  using enum ChartBackground::PictureStyle;

  explicit PieChart(QWidget* parent = nullptr);

  // ---- Slices ----
  void Clear();
  // Appends a slice and returns its index.
  int AddSlice(const QString& label, double value, const QColor& colour);
  // Replaces all slices at once (what a chart of many rows should use: the
  // description is built once).
  void SetSlices(std::vector<PieSlice> slices);
  int SliceCount() const { return static_cast<int>(slices_.size()); }
  // Slice i; throws std::out_of_range outside 0..SliceCount()-1.
  const PieSlice& Slice(int index) const;
  // Sum of all slice values (after the clamp to 0).
  double Total() const;
  // Share of slice i in percent (0 when the total is 0); throws like Slice().
  double Percent(int index) const;
  // The percentage as the marks and legends show it: at most one decimal, the
  // decimal dropped when it is 0 ("25%", "12.5%").
  QString PercentText(int index) const;
  // The text of slice i's mark under the current mark style ("" for None).
  QString MarkText(int index) const;

  // ---- Title (accessible name only) ----
  void SetTitle(const QString& title);
  QString Title() const { return title_; }
  // Rebuilds the accessible description now (it is otherwise rebuilt once
  // the event loop runs after a change of slices).
  void RefreshDescription();

  // ---- Look ----
  void SetMarkStyle(MarkStyle style);
  MarkStyle Marks() const { return markStyle_; }
  void SetThreeD(bool on);
  bool ThreeD() const { return threeD_; }
  // Thickness of the 3D disc as a percentage of the pie's height (0..100,
  // clamped); 30 unless set.
  void SetDepthPercent(int percent);
  int DepthPercent() const { return depthPercent_; }
  // Pulls the largest slice (the first of equal ones) out of the pie by this
  // percentage of the radius (0..100, clamped); 0 draws every slice in place.
  void SetExplodeBiggest(int percent);
  int ExplodeBiggest() const { return explodePercent_; }

  // ---- Turning ----
  int Rotation() const { return rotation_; }
  void SetRotation(int degrees);  // normalised into 0..359
  void Rotate(int degrees);       // adds to Rotation(), modulo 360
  // The timer: every RotationInterval() milliseconds the pie turns by
  // RotationStep() degrees while SetRotate(true) is in force.
  void SetRotate(bool on);
  bool IsRotating() const { return timer_.isActive(); }
  // Clamped to 10..3000 ms; 300 unless set. A running timer takes the new
  // interval at once.
  void SetRotationInterval(int milliseconds);
  int RotationInterval() const { return timer_.interval(); }
  void SetRotationStep(int degrees);  // 355 unless set
  int RotationStep() const { return rotationStep_; }
  // Turn on a click on a slice: a left click by `left`, a right click by
  // `right` degrees (10 and 350 unless set). Off: clicks only report.
  void SetClickTurn(bool on, int left = 10, int right = 350);
  bool ClickTurn() const { return clickTurn_; }

  // ---- Background ----
  void SetBackgroundGradient(bool on, const QColor& start = Qt::white,
                             const QColor& end = Qt::white, int direction = kBottomToTop);
  bool HasBackgroundGradient() const { return background_.HasGradient(); }
  // A picture file as the background; false (and the picture removed) when it
  // cannot be read.
  bool SetBackgroundPicture(const QString& file, int style);
  void RemoveBackgroundPicture();
  bool HasBackgroundPicture() const { return background_.HasPicture(); }
  // Applies the pie background settings (REG_ChartCirBk...): the picture
  // when its flag is 1 and its file exists, none when the flag is not 1 or the
  // named file is missing, unchanged when the flag is 1 with no file named;
  // the gradient when its flag is 1.
  void ApplyBackgroundSettings(const Settings& settings,
                               const ChartBackgroundKeys& keys = kPieBackgroundKeys);
  // A stored colour value 0x00BBGGRR as a colour.
  static QColor ColourFromSetting(int bgr) { return plomix::ColourFromSetting(bgr); }

  // ---- Geometry (also for tests and tooltips) ----
  // Index of the slice under a point of the widget, -1 when none.
  int SliceAt(const QPoint& point) const;
  // A point inside slice i's top face (its middle at two thirds of the
  // radius); nothing useful when the total is 0.
  QPoint SliceCentre(int index) const;
  // Start angle and span of slice i in the clockwise-from-twelve convention.
  double SliceStartAngle(int index) const;
  double SliceSpan(int index) const;

  QSize sizeHint() const override { return {240, 200}; }
  QSize minimumSizeHint() const override { return {60, 50}; }

 Q_SIGNALS:
  // A slice was clicked (after the click turn, when that is on).
  void SliceClicked(int index, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  struct Layout {
    QRectF top;    // ellipse of the top face
    double depth;  // pixels of the 3D wall
  };
  Layout ComputeLayout() const;
  int BiggestSlice() const;
  bool HasMark(int index) const;
  void SlicesChanged();
  void ScheduleDescription();
  const std::vector<double>& Starts() const;
  QPointF ExplodeOffset(int index, const Layout& layout) const;
  void PaintBackground(QPainter& painter) const;
  void PaintSlices(QPainter& painter, const Layout& layout) const;
  void PaintMarks(QPainter& painter, const Layout& layout) const;
  QPointF PointOnEllipse(const QRectF& ellipse, double clockAngle, double fraction) const;
  void Step();

  std::vector<PieSlice> slices_;
  double total_ = 0;
  mutable std::vector<double> starts_;  // value before each slice; empty when stale
  QString title_;
  bool descriptionPending_ = false;
  MarkStyle markStyle_ = MarkStyle::Percent;
  bool threeD_ = true;
  int depthPercent_ = 30;
  int explodePercent_ = 0;
  int rotation_ = 0;
  int rotationStep_ = 355;
  bool clickTurn_ = true;
  int leftTurn_ = 10, rightTurn_ = 350;
  QTimer timer_;
  ChartBackground background_;
};

}  // namespace plomix
