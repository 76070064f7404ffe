#include "ui/charts/PieChart.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "core/Format.h"
#include "core/Settings.h"

namespace plomix {

namespace {

// Height of the top face relative to its width in 3D: the disc is seen from
// about 33 degrees above its plane, steep enough to read the slices and flat
// enough to show the wall.
constexpr double kTilt = 0.55;
constexpr int kMargin = 6;
constexpr int kMarkGap = 10;  // pixels between the pie's edge and a mark
constexpr int kAllMarksUpTo = 100;

double CleanValue(double value) {
  return std::isfinite(value) && value > 0 ? value : 0.0;
}

double Normalise(double degrees) {
  double d = std::fmod(degrees, 360.0);
  return d < 0 ? d + 360.0 : d;
}

double Radians(double degrees) {
  return degrees * std::numbers::pi / 180.0;
}

}  // namespace

PieChart::PieChart(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(300);
  connect(&timer_, &QTimer::timeout, this, &PieChart::Step);
}

void PieChart::Clear() {
  slices_.clear();
  SlicesChanged();
}

int PieChart::AddSlice(const QString& label, double value, const QColor& colour) {
  slices_.push_back({label, CleanValue(value), colour});
  SlicesChanged();
  return SliceCount() - 1;
}

void PieChart::SetSlices(std::vector<PieSlice> slices) {
  slices_ = std::move(slices);
  for (PieSlice& slice : slices_) slice.value = CleanValue(slice.value);
  SlicesChanged();
  RefreshDescription();
}

void PieChart::SlicesChanged() {
  total_ = 0;
  for (const PieSlice& slice : slices_) total_ += slice.value;
  starts_.clear();
  ScheduleDescription();
  update();
}

const std::vector<double>& PieChart::Starts() const {
  if (starts_.size() != slices_.size()) {
    starts_.resize(slices_.size());
    double before = 0;
    for (std::size_t i = 0; i < slices_.size(); ++i) {
      starts_[i] = before;
      before += slices_[i].value;
    }
  }
  return starts_;
}

void PieChart::SetTitle(const QString& title) {
  title_ = title;
  setAccessibleName(title);
}

void PieChart::ScheduleDescription() {
  if (descriptionPending_) return;
  descriptionPending_ = true;
  QMetaObject::invokeMethod(
      this, [this] { RefreshDescription(); }, Qt::QueuedConnection);
}

void PieChart::RefreshDescription() {
  descriptionPending_ = false;
  std::vector<std::pair<QString, QString>> entries;
  entries.reserve(slices_.size());
  for (int i = 0; i < SliceCount(); ++i) {
    const PieSlice& slice = slices_[static_cast<std::size_t>(i)];
    entries.emplace_back(slice.label, QString::fromStdString(FormatNumber(slice.value)) +
                                          QStringLiteral(" (") + PercentText(i) + QLatin1Char(')'));
  }
  setAccessibleDescription(ChartDescription(entries));
}

const PieSlice& PieChart::Slice(int index) const {
  if (index < 0 || index >= SliceCount()) {
    throw std::out_of_range("PieChart: slice " + std::to_string(index) + " of " +
                            std::to_string(SliceCount()));
  }
  return slices_[static_cast<size_t>(index)];
}

double PieChart::Total() const {
  return total_;
}

double PieChart::Percent(int index) const {
  const double value = Slice(index).value;
  const double total = Total();
  return total > 0 ? value * 100.0 / total : 0.0;
}

QString PieChart::PercentText(int index) const {
  QString text = QString::number(Percent(index), 'f', 1);
  if (text.endsWith(QLatin1String(".0"))) text.chop(2);
  return text + QLatin1Char('%');
}

QString PieChart::MarkText(int index) const {
  switch (markStyle_) {
    case MarkStyle::None:
      Slice(index);  // same range check as the other styles
      return {};
    case MarkStyle::Percent:
      return PercentText(index);
    case MarkStyle::LabelAndPercent:
      return Slice(index).label + QLatin1Char(' ') + PercentText(index);
  }
  return {};
}

void PieChart::SetMarkStyle(MarkStyle style) {
  markStyle_ = style;
  update();
}

void PieChart::SetThreeD(bool on) {
  threeD_ = on;
  update();
}

void PieChart::SetDepthPercent(int percent) {
  depthPercent_ = std::clamp(percent, 0, 100);
  update();
}

void PieChart::SetExplodeBiggest(int percent) {
  explodePercent_ = std::clamp(percent, 0, 100);
  update();
}

void PieChart::SetRotation(int degrees) {
  rotation_ = ((degrees % 360) + 360) % 360;
  update();
}

void PieChart::Rotate(int degrees) {
  SetRotation(rotation_ + degrees % 360);
}

void PieChart::SetRotate(bool on) {
  if (on) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

void PieChart::SetRotationInterval(int milliseconds) {
  timer_.setInterval(std::clamp(milliseconds, 10, 3000));
}

void PieChart::SetRotationStep(int degrees) {
  rotationStep_ = ((degrees % 360) + 360) % 360;
}

void PieChart::SetClickTurn(bool on, int left, int right) {
  clickTurn_ = on;
  leftTurn_ = left;
  rightTurn_ = right;
}

void PieChart::Step() {
  Rotate(rotationStep_);
}

void PieChart::SetBackgroundGradient(bool on, const QColor& start, const QColor& end,
                                     int direction) {
  background_.SetGradient(on, start, end, direction);
  update();
}

bool PieChart::SetBackgroundPicture(const QString& file, int style) {
  const bool ok = background_.SetPicture(file, style);
  update();
  return ok;
}

void PieChart::RemoveBackgroundPicture() {
  background_.RemovePicture();
  update();
}

void PieChart::ApplyBackgroundSettings(const Settings& settings, const ChartBackgroundKeys& keys) {
  background_.Apply(settings, keys);
  update();
}

// ---- Geometry ----

double PieChart::SliceStartAngle(int index) const {
  Slice(index);
  const double total = Total();
  const double before = Starts()[static_cast<std::size_t>(index)];
  return Normalise(rotation_ + (total > 0 ? before * 360.0 / total : 0.0));
}

double PieChart::SliceSpan(int index) const {
  const double total = Total();
  return total > 0 ? Slice(index).value * 360.0 / total : 0.0;
}

bool PieChart::HasMark(int index) const {
  // Marks of hairline slices in a pie of very many would only cover each other.
  return SliceCount() <= kAllMarksUpTo || SliceSpan(index) >= 1.0;
}

int PieChart::BiggestSlice() const {
  if (explodePercent_ == 0 || slices_.empty()) return -1;
  const auto it =
      std::max_element(slices_.begin(), slices_.end(),
                       [](const PieSlice& a, const PieSlice& b) { return a.value < b.value; });
  return static_cast<int>(it - slices_.begin());
}

PieChart::Layout PieChart::ComputeLayout() const {
  const QFontMetrics metrics(font());
  int markWidth = 0;
  if (markStyle_ != MarkStyle::None) {
    for (int i = 0; i < SliceCount(); ++i) {
      if (!HasMark(i)) continue;
      markWidth = std::max(markWidth, metrics.horizontalAdvance(MarkText(i)) + 8);
    }
    markWidth = std::min(markWidth + kMarkGap, width() * 3 / 10);
  }
  const int markHeight = markStyle_ == MarkStyle::None ? 0 : metrics.height() + kMarkGap;
  const QRectF area = QRectF(rect()).adjusted(kMargin + markWidth, kMargin + markHeight,
                                              -(kMargin + markWidth), -(kMargin + markHeight));
  const double explode = 1.0 + explodePercent_ / 100.0;
  const double ratio = threeD_ ? kTilt : 1.0;
  const double depthShare = threeD_ ? depthPercent_ / 100.0 : 0.0;
  // The exploded slice and the wall must fit: width w, face height w*ratio,
  // wall (w*ratio)*depthShare.
  double w = std::min(area.width(), area.height() / (ratio * (1.0 + depthShare))) / explode;
  w = std::max(w, 0.0);
  const double h = w * ratio;
  const double depth = h * depthShare;
  const QPointF centre(area.center().x(), area.center().y() - depth / 2);
  return {QRectF(centre.x() - w / 2, centre.y() - h / 2, w, h), depth};
}

QPointF PieChart::PointOnEllipse(const QRectF& ellipse, double clockAngle, double fraction) const {
  const double a = Radians(clockAngle);
  return {ellipse.center().x() + ellipse.width() / 2 * fraction * std::sin(a),
          ellipse.center().y() - ellipse.height() / 2 * fraction * std::cos(a)};
}

QPointF PieChart::ExplodeOffset(int index, const Layout& layout) const {
  if (index != BiggestSlice()) return {};
  const QPointF edge = PointOnEllipse(layout.top, SliceStartAngle(index) + SliceSpan(index) / 2,
                                      explodePercent_ / 100.0);
  return edge - layout.top.center();
}

int PieChart::SliceAt(const QPoint& point) const {
  if (Total() <= 0) return -1;
  const Layout layout = ComputeLayout();
  if (layout.top.width() <= 0 || layout.top.height() <= 0) return -1;
  for (int i = 0; i < SliceCount(); ++i) {
    const QPointF p = QPointF(point) - ExplodeOffset(i, layout);
    const double dx = (p.x() - layout.top.center().x()) / (layout.top.width() / 2);
    const double dy = (p.y() - layout.top.center().y()) / (layout.top.height() / 2);
    if (dx * dx + dy * dy > 1.0) continue;
    const double angle = Normalise(std::atan2(dx, -dy) * 180.0 / std::numbers::pi);
    if (Normalise(angle - SliceStartAngle(i)) < SliceSpan(i)) return i;
  }
  return -1;
}

QPoint PieChart::SliceCentre(int index) const {
  const Layout layout = ComputeLayout();
  const QPointF p =
      PointOnEllipse(layout.top, SliceStartAngle(index) + SliceSpan(index) / 2, 2.0 / 3.0) +
      ExplodeOffset(index, layout);
  return p.toPoint();
}

// ---- Painting ----

void PieChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintBackground(painter);
  if (Total() <= 0) return;
  const Layout layout = ComputeLayout();
  if (layout.top.width() < 2) return;
  PaintSlices(painter, layout);
  if (markStyle_ != MarkStyle::None) PaintMarks(painter, layout);
}

void PieChart::PaintBackground(QPainter& painter) const {
  background_.Paint(painter, rect(), palette().base().color());
}

void PieChart::PaintSlices(QPainter& painter, const Layout& layout) const {
  const QColor outline(0, 0, 0, 110);
  if (threeD_ && layout.depth > 0) {
    // Only the front half of the wall (clockwise 90..270 degrees) faces the viewer.
    for (int i = 0; i < SliceCount(); ++i) {
      const double span = SliceSpan(i);
      if (span <= 0) continue;
      const QRectF top = layout.top.translated(ExplodeOffset(i, layout));
      const QRectF bottom = top.translated(0, layout.depth);
      const double start = SliceStartAngle(i);
      for (double shift : {-360.0, 0.0, 360.0}) {
        const double from = std::max(start + shift, 90.0);
        const double to = std::min(start + shift + span, 270.0);
        if (to <= from) continue;
        QPainterPath wall;
        wall.moveTo(PointOnEllipse(top, from, 1.0));
        wall.arcTo(top, 90.0 - from, -(to - from));
        wall.lineTo(PointOnEllipse(bottom, to, 1.0));
        wall.arcTo(bottom, 90.0 - to, to - from);
        wall.closeSubpath();
        painter.setPen(QPen(outline, 1));
        painter.setBrush(slices_[static_cast<size_t>(i)].colour.darker(150));
        painter.drawPath(wall);
      }
    }
  }
  for (int i = 0; i < SliceCount(); ++i) {
    const double span = SliceSpan(i);
    if (span <= 0) continue;
    const QRectF top = layout.top.translated(ExplodeOffset(i, layout));
    QPainterPath face;
    face.moveTo(top.center());
    face.arcTo(top, 90.0 - SliceStartAngle(i), -span);
    face.closeSubpath();
    painter.setPen(QPen(outline, 1));
    painter.setBrush(slices_[static_cast<size_t>(i)].colour);
    painter.drawPath(face);
  }
}

void PieChart::PaintMarks(QPainter& painter, const Layout& layout) const {
  const QFontMetrics metrics(font());
  painter.setFont(font());
  struct Mark {
    QPointF edge;
    QRectF box;
    QString text;
    bool left;
  };
  std::vector<Mark> marks;
  for (int i = 0; i < SliceCount(); ++i) {
    const double span = SliceSpan(i);
    if (span <= 0 || !HasMark(i)) continue;
    const double middle = Normalise(SliceStartAngle(i) + span / 2);
    QRectF ellipse = layout.top.translated(ExplodeOffset(i, layout));
    // A mark on the front half hangs below the wall.
    const bool front = middle > 90 && middle < 270;
    if (front) ellipse.translate(0, layout.depth);
    const QPointF edge = PointOnEllipse(ellipse, middle, 1.0);
    const double gap = kMarkGap / std::max(ellipse.width() / 2, 1.0);
    const QPointF anchor = PointOnEllipse(ellipse, middle, 1.0 + gap);
    const QString text = MarkText(i);
    const QSizeF size(metrics.horizontalAdvance(text) + 6, metrics.height() + 2);
    const bool left = middle > 180;
    QRectF box(anchor, size);
    box.translate(left ? -size.width() : 0, -size.height() / 2);
    box.moveLeft(std::clamp(box.left(), 0.0, std::max(0.0, width() - size.width())));
    marks.push_back({edge, box, text, left});
  }
  // Marks of neighbouring small slices would cover each other: on each side
  // they are pushed apart away from the pie's middle line (upwards above it,
  // downwards below it), and back inside where that leaves the chart.
  const double middleY = layout.top.center().y() + layout.depth / 2;
  for (bool left : {false, true}) {
    std::vector<Mark*> side;
    for (Mark& mark : marks)
      if (mark.left == left) side.push_back(&mark);
    std::sort(side.begin(), side.end(), [](const Mark* a, const Mark* b) {
      return a->box.center().y() < b->box.center().y();
    });
    const auto split = std::partition_point(
        side.begin(), side.end(), [&](const Mark* m) { return m->box.center().y() < middleY; });
    double ceiling = middleY;  // upper marks, from the middle upwards
    for (auto it = std::make_reverse_iterator(split); it != side.rend(); ++it) {
      (*it)->box.moveBottom(std::min((*it)->box.bottom(), ceiling));
      ceiling = (*it)->box.top() - 1;
    }
    double floor = 0;  // everything from the top down, so nothing leaves the chart
    for (Mark* mark : side) {
      if (mark->box.center().y() >= middleY || mark->box.top() < floor)
        mark->box.moveTop(std::max(mark->box.top(), floor));
      floor = mark->box.bottom() + 1;
    }
    ceiling = height();
    for (auto it = side.rbegin(); it != side.rend(); ++it) {
      if ((*it)->box.bottom() > ceiling) (*it)->box.moveBottom(ceiling);
      (*it)->box.moveTop(std::max((*it)->box.top(), 0.0));
      ceiling = (*it)->box.top() - 1;
    }
  }
  for (const Mark& mark : marks) {
    const QPointF end(mark.left ? mark.box.right() : mark.box.left(), mark.box.center().y());
    painter.setPen(QPen(QColor(0, 0, 0, 140), 1));
    painter.drawLine(mark.edge, end);
    DrawMarkBox(painter, mark.box, mark.text);
  }
}

void PieChart::mousePressEvent(QMouseEvent* event) {
  const int index = SliceAt(event->position().toPoint());
  if (index < 0) {
    QWidget::mousePressEvent(event);
    return;
  }
  if (clickTurn_) {
    if (event->button() == Qt::LeftButton) Rotate(leftTurn_);
    if (event->button() == Qt::RightButton) Rotate(rightTurn_);
  }
  Q_EMIT SliceClicked(index, event->button());
}

}  // namespace plomix
