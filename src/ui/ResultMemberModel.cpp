#include "ui/ResultMemberModel.h"

#include <QBrush>
#include <algorithm>
#include <map>

#include "analysis/NameAnalysis.h"
#include "analysis/ResultStore.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"
#include "ui/ImageList.h"
#include "ui/ShownNames.h"

namespace plomix {

namespace {

const std::string& TextOf(const DetailRow& row, int column) {
  switch (column) {
    case 2:
      return row.name;
    case 3:
      return row.dateText;
    case 5:
      return row.media;
    case 6:
      return row.path;
    case 7:
      return row.category;
    case 8:
      return row.location;
    default:
      return row.locationDetail;
  }
}

QString ShownMemberName(const DetailRow& row) {
  ResultItem item;
  item.name = row.name;
  item.shown = row.shown;
  return ShownItemName(item);
}

}  // namespace

bool SameMemberName(const std::string& catalogName, const std::string& memberName) {
  return catalogName == memberName || text::AnsiLower(catalogName) == text::AnsiLower(memberName);
}

bool SameMember(const Catalog& catalog, int32_t record, const DetailRow& member) {
  if (!SameMemberName(catalog.RecordName(record), member.name)) return false;
  const std::string_view exact = catalog.ExactName(record);
  if (exact.empty() && member.shown.empty()) return true;
  const QString shown = QString::fromStdString(member.shown);
  return text::NativeNameToQString(exact).compare(shown, Qt::CaseInsensitive) == 0 ||
         (exact.empty() && shown == text::Cp932ToQString(member.name));
}

ResultMemberModel::ResultMemberModel(bool iconColumn, ImageList* images, QObject* parent)
    : QAbstractTableModel(parent),
      iconColumn_(iconColumn),
      images_(images),
      sortColumn_(iconColumn ? 2 : 1) {}

void ResultMemberModel::SetRows(std::vector<DetailRow>&& rows, int image) {
  beginResetModel();
  rows_ = std::move(rows);
  image_ = image;
  SortRows();
  endResetModel();
}

void ResultMemberModel::Clear() {
  beginResetModel();
  std::vector<DetailRow>().swap(rows_);
  endResetModel();
}

int ResultMemberModel::RowOfKey(int32_t key) const {
  for (int r = 0; r < RowCount(); ++r)
    if (rows_[static_cast<std::size_t>(r)].key == key) return r;
  return -1;
}

int ResultMemberModel::FillPaths(Catalog& catalog, int onlySlot,
                                 const std::function<void(int row)>& visit) {
  std::map<int, std::vector<int>> bySlot;  // rows still without a path, per media
  std::vector<int> order;                  // media in the order their first row comes
  for (int r = 0; r < RowCount(); ++r) {
    const DetailRow& row = rows_[static_cast<std::size_t>(r)];
    int slot = 0;
    int32_t record = 0;
    if (!row.path.empty() || !SplitResultKey(row.key, slot, record)) continue;
    if (onlySlot >= 0 && slot != onlySlot) continue;
    auto& rows = bySlot[slot];
    if (rows.empty()) order.push_back(slot);
    rows.push_back(r);
  }
  int filled = 0;
  for (int slot : order) {
    const std::vector<int>& rows = bySlot[slot];
    if (visit) visit(rows.front());
    if (slot >= kMaxMedia || !catalog.Slot(slot).IsLive() || !catalog.LoadMedia(slot)) continue;
    for (int r : rows) {
      DetailRow& row = rows_[static_cast<std::size_t>(r)];
      int s = 0;
      int32_t record = 0;
      SplitResultKey(row.key, s, record);
      // A result that no longer matches the catalogue names another file at
      // this key: that member gets no path rather than a wrong one.
      if (record <= 0 || record >= catalog.LoadedCount()) continue;
      if (!SameMember(catalog, record, row)) continue;
      const std::string folder = catalog.BuildRecordPath(slot, record);
      const std::size_t cut = text::FindText(folder, "\\");
      row.path = cut == std::string::npos ? folder : folder.substr(cut + 1);
      if (catalog.ExactNamesOf(slot)) {
        // The path without the media's name, as the CP932 one is.
        const QString shown = ShownFolderPath(catalog, slot, record);
        const qsizetype media =
            ShownQName(catalog.Slot(slot).Name(), catalog.ExactNameOfRecord(slot, 0)).size();
        const qsizetype at = shown.indexOf(QLatin1Char('\\'), media);
        row.shownPath = at < 0 ? std::string() : shown.mid(at + 1).toStdString();
      }
      ++filled;
    }
  }
  if (filled > 0)
    Q_EMIT dataChanged(index(0, kDetailPathColumn), index(RowCount() - 1, kDetailPathColumn));
  return filled;
}

void ResultMemberModel::SetHighlight(int32_t key, const QColor& colour) {
  highlightKey_ = key;
  highlightColour_ = colour;
  if (RowCount() > 0) Q_EMIT dataChanged(index(0, 0), index(RowCount() - 1, kDetailColumns - 1));
}

int ResultMemberModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int ResultMemberModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kDetailColumns;
}

QVariant ResultMemberModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount()) return {};
  const DetailRow& row = rows_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  const bool highlighted = IsEntryKey(highlightKey_) && row.key == highlightKey_;
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case 0:
          return row.key;
        case 1:
          return iconColumn_ ? QVariant() : text::Cp932ToQString(FormatNumber(row.no));
        case 4:
          return text::Cp932ToQString(FormatNumber(row.size));
        case 2:
          return ShownMemberName(row);
        case kDetailPathColumn:
          if (!row.shownPath.empty()) return QString::fromStdString(row.shownPath);
          return text::Cp932ToQString(row.path);
        default:
          return text::Cp932ToQString(TextOf(row, column));
      }
    case Qt::DecorationRole:
      if (column == 1 && iconColumn_ && image_ >= 0 && images_ != nullptr)
        return images_->Icon(image_);
      return {};
    case Qt::TextAlignmentRole:
      if (column == 4 || (column == 1 && !iconColumn_))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::ForegroundRole:
      return highlighted ? QBrush(highlightColour_) : QBrush(Qt::black);
    case Qt::BackgroundRole:
      return highlighted ? QBrush(QColor(0xFF, 0xFF, 0x00)) : QBrush(Qt::white);
    default:
      return {};
  }
}

QVariant ResultMemberModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return text::Cp932ToQString(DetailColumnCaption(
      iconColumn_ ? DetailSource::DupMembers : DetailSource::LikeMembers, section));
}

void ResultMemberModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kDetailColumns) return;
  sortColumn_ = column;
  sortOrder_ = order;
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<int32_t> keys;
  for (const QModelIndex& index : before) keys.push_back(Row(index.row()).key);
  SortRows();
  QModelIndexList after;
  for (std::size_t i = 0; i < keys.size(); ++i)
    after << index(RowOfKey(keys[i]), before[static_cast<qsizetype>(i)].column());
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultMemberModel::SortRows() {
  // File order (No) breaks every tie, so a sort is the same whatever came before.
  auto byNo = [](const DetailRow& a, const DetailRow& b) { return a.no < b.no; };
  if (!std::is_sorted(rows_.begin(), rows_.end(), byNo))
    std::sort(rows_.begin(), rows_.end(), byNo);
  const int column = sortColumn_;
  if (column == 4) {
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const DetailRow& a, const DetailRow& b) { return a.size < b.size; });
  } else if (column >= 2) {
    auto byText = [column](const DetailRow& a, const DetailRow& b) {
      return text::CompareAnsiText(TextOf(a, column), TextOf(b, column)) < 0;
    };
    if (!std::is_sorted(rows_.begin(), rows_.end(), byText))
      std::stable_sort(rows_.begin(), rows_.end(), byText);
  }
  if (sortOrder_ == Qt::DescendingOrder) std::reverse(rows_.begin(), rows_.end());
}

}  // namespace plomix
