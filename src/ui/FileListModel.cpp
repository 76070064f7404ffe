#include "ui/FileListModel.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "browse/NameOrder.h"
#include "core/Text.h"
#include "ui/ImageList.h"
#include "ui/ShownNames.h"

namespace plomix {

QColor ColourFromBgr(int bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int BgrFromColour(const QColor& colour) {
  return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QIcon MarkedIcon(const QIcon& icon, const QIcon& mark) {
  QIcon marked;
  for (const int side : {16, 32}) {
    QPixmap pixmap = icon.pixmap(side, side);
    if (pixmap.isNull()) {
      pixmap = QPixmap(side, side);
      pixmap.fill(Qt::transparent);
    }
    QPainter painter(&pixmap);
    const int markSide = side * 5 / 8;
    painter.drawPixmap(0, side - markSide, mark.pixmap(markSide, markSide));
    painter.end();
    marked.addPixmap(pixmap);
  }
  return marked;
}

FileListModel::FileListModel(ImageList& images, QObject* parent)
    : QAbstractTableModel(parent), images_(images) {}

void FileListModel::RowChanged(int row) {
  if (row < 0 || row >= RowCount()) return;
  Q_EMIT dataChanged(index(row, 0), index(row, ColumnLayout::kCount - 1));
}

void FileListModel::SetRows(std::vector<TRecord>&& rows) {
  beginResetModel();
  rows_ = std::move(rows);
  markedIcons_.clear();
  largest_ = 0;
  for (const TRecord& row : rows_) largest_ = std::max(largest_, row.Size);
  Sort();
  endResetModel();
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnLayout::kCount - 1);
}

void FileListModel::Clear() {
  beginResetModel();
  rows_.clear();
  largest_ = 0;
  endResetModel();
}

void FileListModel::LayoutChanged() {
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnLayout::kCount - 1);
  if (!rows_.empty())
    Q_EMIT dataChanged(index(0, 0), index(RowCount() - 1, ColumnLayout::kCount - 1));
}

void FileListModel::SortByColumn(int position, bool shift) {
  if (position < 0 || position >= ColumnLayout::kCount) return;
  sort_.Click(position, shift);
  beginResetModel();
  Sort();
  endResetModel();
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnLayout::kCount - 1);
}

bool FileListModel::ApplyColumnOrder(
    const std::array<QString, ColumnLayout::kCount - 1>& captions) {
  const int sortData = layout_.DataColumnAt(sort_.column);
  const int majorData = layout_.DataColumnAt(sort_.majorColumn);
  if (!layout_.ApplyOrder(captions)) return false;
  sort_.column = layout_.PositionOf(sortData);
  sort_.majorColumn = layout_.PositionOf(majorData);
  LayoutChanged();
  return true;
}

std::string FileListModel::KeyPart(const TRecord& row, int position) const {
  const int data = layout_.DataColumnAt(position);
  if (position == 0) {
    std::string key = row.ImageIndex <= 9 ? "1_" : "2_";
    key += NameOrderKey(row.Name, row.ExactName);
    return key;
  }
  std::string text = static_cast<std::size_t>(data) < row.Texts.size() ? row.Texts[data] : "";
  if (layout_.RightAligned(data)) {
    const std::size_t chars = text::CharCount(text);
    if (chars < 20) text.insert(0, 20 - chars, ' ');
  }
  return text;
}

void FileListModel::Sort() {
  const std::size_t n = rows_.size();
  std::vector<std::string> keys(n);
  for (std::size_t i = 0; i < n; ++i) {
    const TRecord& row = rows_[i];
    std::string key = sort_.Grouped() ? KeyPart(row, sort_.majorColumn) + '_' : std::string();
    key += KeyPart(row, sort_.column);
    if (sort_.column != 0) {
      key += '_';
      key += NameOrderKey(row.Name, row.ExactName);
    }
    keys[i] = std::move(key);
  }
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  const bool ascending = sort_.ascending;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    int c = text::CompareAnsi(keys[a], keys[b]);
    if (c == 0) c = rows_[a].ExactName.compare(rows_[b].ExactName);
    return ascending ? c < 0 : c > 0;
  });
  std::vector<TRecord> sorted;
  sorted.reserve(n);
  for (std::size_t i : order) sorted.push_back(std::move(rows_[i]));
  rows_ = std::move(sorted);
}

int FileListModel::FindByTyping(const QString& text, int start, bool wrap) const {
  if (rows_.empty() || text.isEmpty()) return -1;
  const std::string wanted = TypedCp932Upper(text);
  const int n = RowCount();
  if (start < 0 || start >= n) start = 0;
  for (int step = 0; step < n; ++step) {
    const int i = start + step;
    if (i >= n && !wrap) break;
    if (NameBeginsWith(rows_[static_cast<std::size_t>(i % n)], text, wanted)) return i % n;
  }
  return -1;
}

void FileListModel::SetDuplicateColour(const QColor& colour) {
  duplicateColour_ = colour;
  if (!rows_.empty())
    Q_EMIT dataChanged(index(0, 0), index(RowCount() - 1, ColumnLayout::kCount - 1),
                       {Qt::ForegroundRole});
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnLayout::kCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount()) return {};
  const TRecord& row = rows_[static_cast<std::size_t>(index.row())];
  const int data = layout_.DataColumnAt(index.column());
  switch (role) {
    case Qt::DisplayRole:
      if (data == 0 && !row.ExactName.empty()) return ShownQName(row);
      return static_cast<std::size_t>(data) < row.Texts.size()
                 ? text::Cp932ToQString(row.Texts[static_cast<std::size_t>(data)])
                 : QString();
    case Qt::DecorationRole:
      if (index.column() != 0) return {};
      if (row.MarkImage == 0) {
        auto found = markedIcons_.find(row.ImageIndex);
        if (found == markedIcons_.end())
          found = markedIcons_
                      .emplace(row.ImageIndex,
                               MarkedIcon(images_.Icon(row.ImageIndex), images_.Icon(kImageMark)))
                      .first;
        return found->second;
      }
      return images_.Icon(row.ImageIndex);
    case Qt::ForegroundRole:
      return row.Highlight != 0 ? duplicateColour_ : QColor(Qt::black);
    case Qt::TextAlignmentRole:
      return static_cast<int>(layout_.Alignment(data));
    case Qt::ToolTipRole:
      return index.column() == 0 && row.MarkImage == 0 ? QStringLiteral("マーク") : QVariant();
    default:
      return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnLayout::kCount) return {};
  const int data = layout_.DataColumnAt(section);
  switch (role) {
    case Qt::DisplayRole:
      return layout_.Caption(data);
    case Qt::DecorationRole: {
      const int image = sort_.HeaderImage(section);
      return image < 0 ? QVariant() : QVariant(images_.Icon(image));
    }
    case Qt::TextAlignmentRole:
      return static_cast<int>(layout_.Alignment(data));
    default:
      return {};
  }
}

SizeBarDelegate::SizeBarDelegate(FileListModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

int SizeBarDelegate::BarLength(double size, double largest, int columnWidth) {
  if (size <= 0 || largest <= 0) return 0;
  const double length = std::round(size * (columnWidth - 2) / largest);
  return length < 1 ? 1 : static_cast<int>(length);
}

void SizeBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  if (shown_ && model_.Layout().DataColumnAt(index.column()) == ColumnLayout::kSizeColumn &&
      index.row() < model_.RowCount()) {
    const int length =
        BarLength(model_.Row(index.row()).Size, model_.LargestSize(), option.rect.width());
    if (length > 0) {
      const int x = option.rect.left();
      const int t = option.rect.top();
      painter->fillRect(QRect(x + 1, t + 13, length, 3), QColor(0, 0, 255));
      painter->fillRect(QRect(x, t + 12, length, 3), colour_);
    }
  }
  QStyledItemDelegate::paint(painter, option, index);
}

}  // namespace plomix
