#include "ui/ContentGroupModel.h"

#include <algorithm>

#include "core/Format.h"
#include "core/Records.h"
#include "core/Text.h"
#include "ui/ImageList.h"

namespace plomix {

namespace {

QString Number(double value) {
  return text::Cp932ToQString(FormatNumber(value));
}

}  // namespace

ContentGroupModel::ContentGroupModel(ImageList* images, QObject* parent)
    : QAbstractTableModel(parent), images_(images) {}

QString ContentGroupModel::ModeText(FingerprintMode mode) {
  return mode == FingerprintMode::Full ? QStringLiteral("全体")
                                       : QStringLiteral("先頭と末尾（高速）");
}

void ContentGroupModel::Fill(ContentDuplicates&& found, const std::vector<ContentGroupName>& names,
                             bool icons) {
  beginResetModel();
  rows_.clear();
  rows_.reserve(found.groups.size());
  wasted_ = found.wasted;
  withoutPrints_ = found.mediaWithoutFingerprints;
  TRecord probe;
  probe.Kind = kKindFile;
  for (std::size_t g = 0; g < found.groups.size(); ++g) {
    Row& row = rows_.emplace_back();
    row.no = static_cast<int>(g) + 1;
    row.group = std::move(found.groups[g]);
    if (g < names.size()) {
      row.name = names[g].name;
      row.shown = QString::fromStdString(names[g].shown);
      row.names = names[g].names;
    }
    row.image = kImageFile;
    if (icons && images_ != nullptr) {
      probe.Name = row.name;
      row.image = images_->ImageOfRow(probe);
    }
  }
  SortRows();
  endResetModel();
}

void ContentGroupModel::Clear() {
  beginResetModel();
  std::vector<Row>().swap(rows_);
  wasted_ = 0;
  withoutPrints_ = 0;
  endResetModel();
}

const ContentGroup& ContentGroupModel::GroupAt(int row) const {
  return rows_.at(static_cast<std::size_t>(row)).group;
}

const std::string& ContentGroupModel::NameAt(int row) const {
  static const std::string kNone;
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)].name : kNone;
}

QString ContentGroupModel::ShownNameAt(int row) const {
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)].shown : QString();
}

int ContentGroupModel::ImageAt(int row) const {
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)].image : -1;
}

int ContentGroupModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int ContentGroupModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ContentGroupModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount()) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case ColId:
          return row.no;
        case ColNo:
          return Number(row.no);
        case ColName:
          // Copies under other names say so.
          return row.names > 1 ? row.shown + QStringLiteral("（ほか別名%1件）").arg(row.names - 1)
                               : row.shown;
        case ColSize:
          return Number(row.group.size);
        case ColCount:
          return Number(static_cast<double>(row.group.members.size()));
        case ColWasted:
          return Number(row.group.Wasted());
        case ColMode:
          return ModeText(row.group.print.mode);
        default:
          return {};
      }
    case Qt::DecorationRole:
      if (column == ColIcon && row.image >= 0 && images_ != nullptr)
        return images_->Icon(row.image);
      return {};
    case Qt::ToolTipRole:
      if (column == ColMode)
        return QStringLiteral("指紋 ") + QString::fromStdString(DigestHex(row.group.print.digest));
      return {};
    case Qt::TextAlignmentRole:
      if (column == ColNo || column == ColSize || column == ColCount || column == ColWasted)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

QVariant ContentGroupModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case ColId:
      return QStringLiteral("ID");
    case ColNo:
      return QStringLiteral("No");
    case ColIcon:
      return QStringLiteral("Icon");
    case ColName:
      return QStringLiteral("名前");
    case ColSize:
      return QStringLiteral("サイズ");
    case ColCount:
      return QStringLiteral("重複数");
    case ColWasted:
      return QStringLiteral("無駄な容量");
    case ColMode:
      return QStringLiteral("指紋");
    default:
      return {};
  }
}

int ContentGroupModel::RowOfNo(int no) const {
  for (int r = 0; r < RowCount(); ++r)
    if (rows_[static_cast<std::size_t>(r)].no == no) return r;
  return -1;
}

void ContentGroupModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  sortColumn_ = column;
  sortOrder_ = order;
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<int> nos;
  for (const QModelIndex& index : before)
    nos.push_back(rows_[static_cast<std::size_t>(index.row())].no);
  SortRows();
  QModelIndexList after;
  for (std::size_t i = 0; i < nos.size(); ++i)
    after << index(RowOfNo(nos[i]), before[static_cast<qsizetype>(i)].column());
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ContentGroupModel::SortRows() {
  // No (most wasted first) breaks every tie, in either direction.
  std::sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.no < b.no; });
  const bool down = sortOrder_ == Qt::DescendingOrder;
  const auto by = [this, down](auto key) {
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
      return down ? key(b) < key(a) : key(a) < key(b);
    });
  };
  switch (sortColumn_) {
    case ColName:
      std::stable_sort(rows_.begin(), rows_.end(), [down](const Row& a, const Row& b) {
        return (down ? text::CompareAnsiText(b.name, a.name)
                     : text::CompareAnsiText(a.name, b.name)) < 0;
      });
      break;
    case ColSize:
      by([](const Row& r) { return r.group.size; });
      break;
    case ColCount:
      by([](const Row& r) { return r.group.members.size(); });
      break;
    case ColWasted:
      by([](const Row& r) { return r.group.Wasted(); });
      break;
    case ColMode:
      by([](const Row& r) { return static_cast<int>(r.group.print.mode); });
      break;
    case ColIcon:
      by([](const Row& r) { return r.image; });
      break;
    default:
      if (down) std::reverse(rows_.begin(), rows_.end());
      break;
  }
}

}  // namespace plomix
