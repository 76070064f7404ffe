#include "ui/widgets/WholeNameDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QListView>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>
#include <algorithm>

namespace plomix {

namespace {

constexpr QChar kFullWidth(0x3042);  // あ: the width of one full-width character
constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;
constexpr int kLargeLineChars = 8;
constexpr int kMinNameChars = 6;
constexpr int kMaxNameChars = 20;

QStringList WrappedLines(const QString& text, const QFont& font, int width) {
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  QStringList lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    lines << text.mid(line.textStart(), line.textLength());
  }
  layout.endLayout();
  return lines;
}

// Cuts the text in the middle so that its end stays whole: the extension
// with the character before it, or the last four characters.
QString CutKeepingEnd(const QString& text, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(text) <= width) return text;
  const qsizetype dot = text.lastIndexOf(u'.');
  const qsizetype endLength = dot > 0 && text.size() - dot <= 8
                                  ? text.size() - dot + 1
                                  : std::min<qsizetype>(4, text.size());
  const QString end = text.right(endLength);
  const int room = width - metrics.horizontalAdvance(end);
  if (room <= metrics.horizontalAdvance(QChar(0x2026)))
    return metrics.elidedText(text, Qt::ElideMiddle, width);
  return metrics.elidedText(text.left(text.size() - endLength), Qt::ElideRight, room) + end;
}

}  // namespace

WholeNameDelegate::WholeNameDelegate(QListView& view) : QStyledItemDelegate(&view), view_(view) {}

void WholeNameDelegate::SetStyle(Style style) {
  style_ = style;
  const bool large = style == Style::LargeIcons;
  view_.setViewMode(large ? QListView::IconMode : QListView::ListMode);
  view_.setFlow(style == Style::List ? QListView::TopToBottom : QListView::LeftToRight);
  view_.setWrapping(true);
  view_.setResizeMode(QListView::Adjust);
  view_.setMovement(QListView::Static);
  view_.setUniformItemSizes(true);
  view_.setWordWrap(false);
  view_.setTextElideMode(Qt::ElideNone);
  view_.setIconSize(large ? QSize(kLargeIcon, kLargeIcon) : QSize(kSmallIcon, kSmallIcon));
  view_.setGridSize(CellSize());
}

void WholeNameDelegate::FitToNames(int widestName) {
  widestName_ = std::max(0, widestName);
  if (style_ != Style::LargeIcons) view_.setGridSize(CellSize());
}

int WholeNameDelegate::WidestName() const {
  const QAbstractItemModel* model = view_.model();
  if (model == nullptr) return 0;
  const QFontMetrics metrics(view_.font());
  int widest = 0;
  for (int row = 0, rows = model->rowCount(); row < rows; ++row)
    widest = std::max(widest, metrics.horizontalAdvance(model->index(row, 0).data().toString()));
  return widest;
}

int WholeNameDelegate::TextMargin() const {
  return view_.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view_) + 1;
}

int WholeNameDelegate::TextWidth() const {
  const int full = QFontMetrics(view_.font()).horizontalAdvance(kFullWidth);
  if (style_ == Style::LargeIcons) return full * kLargeLineChars;
  if (widestName_ <= 0) return full * kMaxNameChars;
  return std::clamp(widestName_, full * kMinNameChars, full * kMaxNameChars);
}

QSize WholeNameDelegate::CellSize() const {
  const QFontMetrics metrics(view_.font());
  const int margin = TextMargin();
  if (style_ == Style::LargeIcons)
    return {TextWidth() + 2 * margin + 4,
            kLargeIcon + 8 + kLargeLines * metrics.lineSpacing() + 2 * margin};
  return {kSmallIcon + 4 + TextWidth() + 2 * margin + 4,
          std::max(kSmallIcon, metrics.height()) + 4};
}

QString WholeNameDelegate::ShownText(const QString& name) const {
  const QFontMetrics metrics(view_.font());
  const int width = TextWidth();
  if (style_ != Style::LargeIcons) return CutKeepingEnd(name, metrics, width);
  QStringList lines = WrappedLines(name, view_.font(), width);
  if (lines.size() > kLargeLines) {
    // The last line keeps the end of the name (its extension) after the cut.
    QString rest = lines.mid(kLargeLines - 1).join(QString());
    lines = lines.mid(0, kLargeLines - 1);
    lines << CutKeepingEnd(rest, metrics, width);
  }
  return lines.join(u'\n');
}

QString WholeNameDelegate::ToolTip(const QModelIndex& index) const {
  const QString own = index.data(Qt::ToolTipRole).toString();
  const QString name = index.data(Qt::DisplayRole).toString();
  if (QString(ShownText(name)).remove(u'\n') == name) return own;
  return own.isEmpty() ? name : name + u'\n' + own;
}

QSize WholeNameDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return CellSize();
}

void WholeNameDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  QStyleOptionViewItem cell(option);
  initStyleOption(&cell, index);
  const QString text = ShownText(cell.text);
  const QWidget* widget = cell.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  cell.textElideMode = Qt::ElideNone;
  cell.features &= ~QStyleOptionViewItem::WrapText;
  if (style_ != Style::LargeIcons) {
    cell.text = text;
    cell.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    return;
  }
  // The style lays a name out on one line; the lines under a large icon are
  // drawn here, centred, on the selection colour when the row is selected.
  cell.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
  const QStringList lines = text.split(u'\n');
  const QFontMetrics metrics(cell.font);
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
  const QRect& area = option.rect;
  QRect block(0, area.top() + kLargeIcon + 6, widest + 4,
              static_cast<int>(lines.size()) * metrics.lineSpacing() + 2);
  block.moveLeft(area.left() + (area.width() - block.width()) / 2);
  const bool selected = cell.state.testFlag(QStyle::State_Selected);
  painter->save();
  painter->setFont(cell.font);
  if (selected) painter->fillRect(block, cell.palette.brush(QPalette::Highlight));
  painter->setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  QRect line(block.left(), block.top() + 1, block.width(), metrics.lineSpacing());
  for (const QString& shown : lines) {
    painter->drawText(line, Qt::AlignHCenter | Qt::AlignTop, shown);
    line.translate(0, metrics.lineSpacing());
  }
  painter->restore();
}

bool WholeNameDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip || !index.isValid())
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  const QString tip = ToolTip(index);
  if (tip.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(event->globalPos(), tip, view);
  return true;
}

}  // namespace plomix
