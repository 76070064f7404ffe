#pragma once
// The program's horizontal bar chart, drawn with QPainter: one row per bar,
// each bar made of two stacked parts (the second carries the value text at
// the bar's end), a title, row labels at the left and a value axis at the
// bottom. The chart shows the bars it is given, sized as if a page of
// BarsPerPage() bars were shown, so the bars of a short last page keep the
// thickness of a full one.
//
// The value axis either fits the shown bars or keeps the scale it had: later
// pages of a list sorted largest first can be drawn at the first page's
// scale. Part values are clamped to 0 and above (NaN counts as 0), and an
// axis maximum of 0 becomes 1, so nothing divides by zero or draws backwards.
//
// Accessibility: the accessible name is the title; the accessible
// description lists every bar as "label: value text" from top to bottom.

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "core/ChartData.h"
#include "ui/charts/ChartPaint.h"

namespace plomix {

class Settings;

class BarChart : public QWidget {
  Q_OBJECT

 public:
  // Bar shapes, in the order of the shape menu.
  enum class Shape { Rectangle, Pyramid, InvertedPyramid, Cylinder, Ellipse, Arrow, Gradient };

  explicit BarChart(QWidget* parent = nullptr);

  // ---- Bars ----
  void Clear();
  // Shows these bars. With `fitAxis` (or before the axis was ever scaled) the
  // value axis is fitted to them; otherwise it keeps its scale.
  void SetBars(std::vector<ChartBar> bars, bool fitAxis);
  int BarCount() const { return static_cast<int>(bars_.size()); }
  const ChartBar& Bar(int index) const { return bars_.at(static_cast<std::size_t>(index)); }
  // Rows of room the chart keeps (1..99, clamped); 10 unless set.
  void SetBarsPerPage(int count);
  int BarsPerPage() const { return perPage_; }
  // The largest value of the value axis (always above 0).
  double AxisMaximum() const { return axisMax_; }

  // ---- Look ----
  void SetTitle(const QString& title);
  QString Title() const { return title_; }
  void SetShape(Shape shape);
  Shape BarShape() const { return shape_; }
  // Shape captions as stored ("四角形", ..., "ｸﾞﾗﾃﾞｰｼｮﾝ四角形"), in menu order.
  static QStringList ShapeNames();
  // The shape of a stored caption; any other text gives the cylinder.
  static Shape ShapeFromName(const QString& name);
  void SetThreeD(bool on);
  bool ThreeD() const { return threeD_; }
  void SetOrthogonal(bool on);
  bool Orthogonal() const { return orthogonal_; }

  // ---- Background ----
  void ApplyBackgroundSettings(const Settings& settings,
                               const ChartBackgroundKeys& keys = kBarBackgroundKeys);
  const ChartBackground& Background() const { return background_; }

  // ---- Geometry (also for tests) ----
  // The bar under a point (anywhere in its row), -1 when none.
  int BarAt(const QPoint& point) const;
  // The rectangle of a bar's front face: both parts together.
  QRectF BarRect(int index) const;

  QSize sizeHint() const override { return {420, 300}; }
  QSize minimumSizeHint() const override { return {80, 60}; }

 Q_SIGNALS:
  void BarDoubleClicked(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  struct Layout {
    QRectF plot;    // the front plane of the value area
    QPointF depth;  // offset of the back plane (0 in 2D)
    double rowHeight = 0;
    double scale = 0;  // pixels per value unit
    QRectF title, labels;
  };
  Layout ComputeLayout() const;
  void PaintAxis(QPainter& painter, const Layout& layout) const;
  void PaintBar(QPainter& painter, const Layout& layout, int index) const;
  void PaintPart(QPainter& painter, const QRectF& whole, const QRectF& part, const QColor& colour,
                 const QPointF& depth) const;
  void UpdateDescription();

  std::vector<ChartBar> bars_;
  int perPage_ = 10;
  double axisMax_ = 1;
  bool scaled_ = false;
  QString title_;
  Shape shape_ = Shape::Cylinder;
  bool threeD_ = true;
  bool orthogonal_ = true;
  ChartBackground background_;
};

}  // namespace plomix
