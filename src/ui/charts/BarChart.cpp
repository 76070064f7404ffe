#include "ui/charts/BarChart.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "core/Format.h"
#include "core/Settings.h"

namespace plomix {

namespace {

constexpr int kMargin = 6;
constexpr double kBarShare = 0.75;  // of the row height
constexpr double kMaxDepth = 10;    // pixels of the 3D extrusion

double Clean(double value) {
  return std::isfinite(value) && value > 0 ? value : 0.0;
}

// 1, 2 or 5 times a power of ten, at least `value` (> 0).
double NiceStep(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (double factor : {1.0, 2.0, 5.0, 10.0})
    if (factor * power >= value * (1 - 1e-12)) return factor * power;
  return 10 * power;
}

QPainterPath ShapePath(BarChart::Shape shape, const QRectF& r) {
  QPainterPath path;
  const double cy = r.center().y();
  switch (shape) {
    case BarChart::Shape::Pyramid:
      path.moveTo(r.topLeft());
      path.lineTo(r.right(), cy);
      path.lineTo(r.bottomLeft());
      break;
    case BarChart::Shape::InvertedPyramid:
      path.moveTo(r.left(), cy);
      path.lineTo(r.topRight());
      path.lineTo(r.bottomRight());
      break;
    case BarChart::Shape::Cylinder: {
      const double e = r.height() * 0.4;
      path.moveTo(r.topLeft());
      path.lineTo(r.topRight());
      path.arcTo(QRectF(r.right() - e / 2, r.top(), e, r.height()), 90, -180);
      path.lineTo(r.bottomLeft());
      path.arcTo(QRectF(r.left() - e / 2, r.top(), e, r.height()), 270, -180);
      break;
    }
    case BarChart::Shape::Ellipse:
      path.addEllipse(r);
      return path;
    case BarChart::Shape::Arrow: {
      const double head = std::min(r.height(), r.width() * 0.5);
      const double body = r.height() * 0.3;
      path.moveTo(r.left(), cy - body);
      path.lineTo(r.right() - head, cy - body);
      path.lineTo(r.right() - head, r.top());
      path.lineTo(r.right(), cy);
      path.lineTo(r.right() - head, r.bottom());
      path.lineTo(r.right() - head, cy + body);
      path.lineTo(r.left(), cy + body);
      break;
    }
    case BarChart::Shape::Rectangle:
    case BarChart::Shape::Gradient:
      path.addRect(r);
      return path;
  }
  path.closeSubpath();
  return path;
}

}  // namespace

BarChart::BarChart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void BarChart::Clear() {
  bars_.clear();
  UpdateDescription();
  update();
}

void BarChart::SetBars(std::vector<ChartBar> bars, bool fitAxis) {
  bars_ = std::move(bars);
  for (ChartBar& bar : bars_) {
    bar.first = Clean(bar.first);
    bar.second = Clean(bar.second);
  }
  if (fitAxis || !scaled_) {
    double largest = 0;
    for (const ChartBar& bar : bars_) largest = std::max(largest, bar.first + bar.second);
    if (largest > 0 && std::isfinite(largest)) {
      const double step = NiceStep(largest / 5);
      axisMax_ = std::ceil(largest / step * (1 - 1e-12)) * step;
    } else {
      axisMax_ = 1;
    }
    if (!(axisMax_ > 0) || !std::isfinite(axisMax_)) axisMax_ = 1;
    scaled_ = true;
  }
  UpdateDescription();
  update();
}

void BarChart::SetBarsPerPage(int count) {
  perPage_ = std::clamp(count, 1, 99);
  update();
}

void BarChart::SetTitle(const QString& title) {
  title_ = title;
  setAccessibleName(title);
  update();
}

void BarChart::SetShape(Shape shape) {
  shape_ = shape;
  update();
}

QStringList BarChart::ShapeNames() {
  return {QStringLiteral("四角形"),         QStringLiteral("四角錘"), QStringLiteral("逆四角錘"),
          QStringLiteral("円筒"),           QStringLiteral("楕円"),   QStringLiteral("矢印"),
          QStringLiteral("ｸﾞﾗﾃﾞｰｼｮﾝ四角形")};
}

BarChart::Shape BarChart::ShapeFromName(const QString& name) {
  const int index = static_cast<int>(ShapeNames().indexOf(name));
  return index < 0 ? Shape::Cylinder : static_cast<Shape>(index);
}

void BarChart::SetThreeD(bool on) {
  threeD_ = on;
  update();
}

void BarChart::SetOrthogonal(bool on) {
  orthogonal_ = on;
  update();
}

void BarChart::ApplyBackgroundSettings(const Settings& settings, const ChartBackgroundKeys& keys) {
  background_.Apply(settings, keys);
  update();
}

void BarChart::UpdateDescription() {
  std::vector<std::pair<QString, QString>> entries;
  entries.reserve(bars_.size());
  for (const ChartBar& bar : bars_) entries.emplace_back(bar.label, bar.mark);
  setAccessibleDescription(ChartDescription(entries));
}

// ---- Geometry ----

BarChart::Layout BarChart::ComputeLayout() const {
  Layout layout;
  const QFontMetrics metrics(font());
  QFont bold = font();
  bold.setBold(true);
  const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
  const double titleHeight = title_.isEmpty() ? 0 : QFontMetrics(bold).height() + 6;
  const double axisHeight = metrics.height() + 6;
  double labelWidth = 0, markWidth = 0;
  for (const ChartBar& bar : bars_) {
    labelWidth = std::max<double>(labelWidth, metrics.horizontalAdvance(bar.label) + 8);
    markWidth = std::max<double>(markWidth, metrics.horizontalAdvance(bar.mark) + 14);
  }
  labelWidth = std::min(labelWidth, area.width() * 0.45);
  markWidth = std::min(markWidth, area.width() * 0.3);
  const double height = std::max(area.height() - titleHeight - axisHeight, 0.0);
  const double rows = std::max<double>(perPage_, static_cast<double>(bars_.size()));
  double d = threeD_ ? std::clamp(height / rows * 0.35, 2.0, kMaxDepth) : 0.0;
  layout.depth = orthogonal_ ? QPointF(d, -d) : QPointF(d * 1.6, -d * 0.6);
  layout.title = QRectF(area.left(), area.top(), area.width(), titleHeight);
  layout.plot =
      QRectF(area.left() + labelWidth, area.top() + titleHeight - layout.depth.y(),
             area.width() - labelWidth - markWidth - layout.depth.x(), height + layout.depth.y());
  if (layout.plot.width() < 0) layout.plot.setWidth(0);
  if (layout.plot.height() < 0) layout.plot.setHeight(0);
  layout.labels = QRectF(area.left(), layout.plot.top(), labelWidth, layout.plot.height());
  layout.rowHeight = layout.plot.height() / rows;
  layout.scale = layout.plot.width() / axisMax_;
  return layout;
}

QRectF BarChart::BarRect(int index) const {
  const ChartBar& bar = Bar(index);
  const Layout layout = ComputeLayout();
  const double top =
      layout.plot.top() + index * layout.rowHeight + layout.rowHeight * (1 - kBarShare) / 2;
  const double width = std::min((bar.first + bar.second) * layout.scale, layout.plot.width());
  return {layout.plot.left(), top, width, layout.rowHeight * kBarShare};
}

int BarChart::BarAt(const QPoint& point) const {
  const Layout layout = ComputeLayout();
  if (layout.rowHeight <= 0 || point.y() < layout.plot.top()) return -1;
  const int row = static_cast<int>((point.y() - layout.plot.top()) / layout.rowHeight);
  return row < BarCount() ? row : -1;
}

// ---- Painting ----

void BarChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  background_.Paint(painter, rect(), palette().base().color());
  const Layout layout = ComputeLayout();
  if (!title_.isEmpty()) {
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().text().color());
    painter.drawText(layout.title, Qt::AlignCenter, title_);
    painter.setFont(font());
  }
  if (layout.plot.width() < 1 || layout.plot.height() < 1) return;
  PaintAxis(painter, layout);
  // From the bottom up: the extrusion of a bar rises into the row above, and
  // that row's face must cover it.
  for (int i = BarCount() - 1; i >= 0; --i) PaintBar(painter, layout, i);
}

void BarChart::PaintAxis(QPainter& painter, const Layout& layout) const {
  const QRectF& plot = layout.plot;
  const QPointF d = layout.depth;
  const QColor wall(255, 255, 255, 90);
  const QPen gridPen(QColor(0, 0, 0, 60), 1);
  painter.setPen(gridPen);
  if (threeD_) {
    // Back wall, floor and left wall of the box the bars stand in.
    painter.setBrush(wall);
    painter.drawRect(plot.translated(d));
    painter.drawPolygon(QPolygonF(
        {plot.bottomLeft(), plot.bottomRight(), plot.bottomRight() + d, plot.bottomLeft() + d}));
    painter.drawPolygon(
        QPolygonF({plot.topLeft(), plot.topLeft() + d, plot.bottomLeft() + d, plot.bottomLeft()}));
  } else {
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
  }
  const QFontMetrics metrics(font());
  const double step = NiceStep(axisMax_ / 5);
  double lastRight = -1e9;
  for (int k = 0; k <= 20; ++k) {
    const double value = k * step;
    if (value > axisMax_ * (1 + 1e-9)) break;
    const double x = plot.left() + value * layout.scale;
    painter.setPen(gridPen);
    painter.drawLine(QPointF(x, plot.top()) + d, QPointF(x, plot.bottom()) + d);
    if (threeD_) painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom()) + d);
    const QString text = QString::fromStdString(FormatNumber(value));
    const double w = metrics.horizontalAdvance(text);
    const double left = std::clamp(x - w / 2, 0.0, std::max(0.0, width() - w));
    if (left <= lastRight + 6) continue;
    lastRight = left + w;
    painter.setPen(palette().text().color());
    painter.drawText(QRectF(left, plot.bottom() + 3, w + 1, metrics.height()), Qt::AlignLeft, text);
  }
}

void BarChart::PaintPart(QPainter& painter, const QRectF& whole, const QRectF& part,
                         const QColor& colour, const QPointF& depth) const {
  if (part.width() <= 0) return;
  const QPainterPath path = ShapePath(shape_, whole);
  const QRectF clip(part.left(), whole.top() - 2, part.width(), whole.height() + 4);
  const QPen outline(QColor(0, 0, 0, 110), 1);
  const int layers =
      static_cast<int>(std::ceil(std::max(std::abs(depth.x()), std::abs(depth.y()))));
  if (layers > 0) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour.darker(150));
    for (int k = layers; k >= 1; --k) {
      painter.save();
      painter.translate(depth * (static_cast<double>(k) / layers));
      painter.setClipRect(clip);
      painter.drawPath(path);
      painter.restore();
    }
  }
  QBrush brush(colour);
  if (shape_ == Shape::Gradient) {
    QLinearGradient gradient(whole.topLeft(), whole.topRight());
    gradient.setColorAt(0, colour.lighter(190));
    gradient.setColorAt(1, colour);
    brush = QBrush(gradient);
  } else if (shape_ == Shape::Cylinder) {
    QLinearGradient gradient(whole.topLeft(), whole.bottomLeft());
    gradient.setColorAt(0, colour.darker(125));
    gradient.setColorAt(0.35, colour.lighter(150));
    gradient.setColorAt(1, colour.darker(160));
    brush = QBrush(gradient);
  }
  painter.save();
  painter.setClipRect(clip);
  painter.setPen(outline);
  painter.setBrush(brush);
  painter.drawPath(path);
  painter.restore();
  if (shape_ == Shape::Cylinder) {
    const double e = whole.height() * 0.4;
    painter.setPen(outline);
    painter.setBrush(colour.lighter(120));
    painter.drawEllipse(QRectF(part.right() - e / 2, whole.top(), e, whole.height()));
  }
}

void BarChart::PaintBar(QPainter& painter, const Layout& layout, int index) const {
  const ChartBar& bar = bars_[static_cast<std::size_t>(index)];
  const double rowTop = layout.plot.top() + index * layout.rowHeight;
  const QRectF row(0, rowTop, width(), layout.rowHeight);
  const double height = layout.rowHeight * kBarShare;
  const double top = rowTop + (layout.rowHeight - height) / 2;
  const double right = layout.plot.right();
  const double firstEnd = std::min(layout.plot.left() + bar.first * layout.scale, right);
  const double end = std::min(firstEnd + bar.second * layout.scale, right);
  const QRectF whole(layout.plot.left(), top, end - layout.plot.left(), height);
  const QRectF first(layout.plot.left(), top, firstEnd - layout.plot.left(), height);
  const QRectF second(firstEnd, top, end - firstEnd, height);
  if (whole.width() > 0 && height > 0) {
    PaintPart(painter, whole, first, ColourFromRgb(bar.firstColour), layout.depth);
    PaintPart(painter, whole, second, ColourFromRgb(bar.secondColour), layout.depth);
  }
  const QFontMetrics metrics(font());
  painter.setPen(palette().text().color());
  const QString label =
      metrics.elidedText(bar.label, Qt::ElideRight, static_cast<int>(layout.labels.width()) - 6);
  painter.drawText(
      QRectF(layout.labels.left(), rowTop, layout.labels.width() - 4, layout.rowHeight),
      Qt::AlignLeft | Qt::AlignVCenter, label);
  if (bar.mark.isEmpty()) return;
  const QSizeF size(metrics.horizontalAdvance(bar.mark) + 6, metrics.height() + 2);
  const double cap = shape_ == Shape::Cylinder ? height * 0.2 : 0.0;
  QRectF box(QPointF(end + cap + layout.depth.x() / 2 + 4, row.center().y() - size.height() / 2),
             size);
  box.moveLeft(std::clamp(box.left(), 0.0, std::max(0.0, width() - size.width())));
  DrawMarkBox(painter, box, bar.mark);
}

void BarChart::mouseDoubleClickEvent(QMouseEvent* event) {
  const int index = BarAt(event->position().toPoint());
  if (index >= 0) {
    Q_EMIT BarDoubleClicked(index);
    return;
  }
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace plomix
