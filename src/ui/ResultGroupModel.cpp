#include "ui/ResultGroupModel.h"

#include <algorithm>

#include "analysis/ResultStore.h"
#include "core/Format.h"
#include "core/Records.h"
#include "core/Text.h"
#include "ui/ImageList.h"
#include "ui/ShownNames.h"

namespace plomix {

ResultGroupModel::ResultGroupModel(AnalysisMode mode, ImageList* images, QObject* parent)
    : QAbstractTableModel(parent), mode_(mode), images_(images) {}

namespace {

// Whether a CP932 word is only digits: 0-9 or their full-width forms (0x824F-0x8258).
bool IsDigitsOnly(const std::string& word) {
  if (word.empty()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const auto c = static_cast<unsigned char>(word[i]);
    if (c >= '0' && c <= '9') continue;
    if (c == 0x82 && i + 1 < word.size()) {
      const auto trail = static_cast<unsigned char>(word[i + 1]);
      if (trail >= 0x4F && trail <= 0x58) {
        ++i;
        continue;
      }
    }
    return false;
  }
  return true;
}

}  // namespace

void ResultGroupModel::Fill(const ResultStore& store, bool icons, bool hideDigitWords) {
  beginResetModel();
  const std::vector<ResultItem>& heads = store.Heads();
  rows_.clear();
  rows_.reserve(heads.size());
  hidden_ = 0;
  const bool dup = mode_ == AnalysisMode::Duplicate;
  TRecord probe;
  probe.Kind = kKindFile;
  for (std::size_t i = 0; i < heads.size(); ++i) {
    if (hideDigitWords && IsDigitsOnly(heads[i].name)) {
      ++hidden_;
      continue;
    }
    Row& row = rows_.emplace_back();
    row.group = static_cast<int>(i);
    row.count = heads[i].groupSize;
    row.name = heads[i].name;
    if (ShowsExactName(heads[i])) row.shown = QString::fromStdString(heads[i].shown);
    if (!dup) continue;
    row.image = kImageFile;
    if (icons && images_ != nullptr) {
      probe.Name = row.name;
      row.image = images_->ImageOfRow(probe);
    }
  }
  SortRows();
  endResetModel();
}

void ResultGroupModel::Clear() {
  beginResetModel();
  std::vector<Row>().swap(rows_);
  endResetModel();
}

int ResultGroupModel::GroupAt(int row) const {
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)].group : -1;
}

int ResultGroupModel::RowOfGroup(int group) const {
  for (int r = 0; r < RowCount(); ++r)
    if (rows_[static_cast<std::size_t>(r)].group == group) return r;
  return -1;
}

const std::string& ResultGroupModel::NameAt(int row) const {
  static const std::string kNone;
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)].name : kNone;
}

QString ResultGroupModel::ExactNameAt(int row) const {
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)].shown : QString();
}

int ResultGroupModel::ImageAt(int row) const {
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)].image : -1;
}

int ResultGroupModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int ResultGroupModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ResultGroupModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount()) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case ColId:
          return row.group;
        case ColNo:
          return text::Cp932ToQString(FormatNumber(row.group + 1.0));
        case ColName:
          return row.shown.isNull() ? text::Cp932ToQString(row.name) : row.shown;
        case ColCount:
          return text::Cp932ToQString(FormatNumber(row.count));
        default:
          return {};
      }
    case Qt::DecorationRole:
      if (index.column() == ColIcon && row.image >= 0 && images_ != nullptr)
        return images_->Icon(row.image);
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == ColNo || index.column() == ColCount)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

QVariant ResultGroupModel::headerData(int section, Qt::Orientation orientation, int role) const {
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
    case ColCount:
      return mode_ == AnalysisMode::Duplicate ? QStringLiteral("重複数")
                                              : QStringLiteral("ファイル数");
    default:
      return {};
  }
}

void ResultGroupModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  sortColumn_ = column;
  sortOrder_ = order;
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<int> groupsBefore;
  for (const QModelIndex& index : before) groupsBefore.push_back(GroupAt(index.row()));
  SortRows();
  QModelIndexList after;
  for (std::size_t i = 0; i < groupsBefore.size(); ++i)
    after << index(RowOfGroup(groupsBefore[i]), before[static_cast<qsizetype>(i)].column());
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultGroupModel::SortRows() {
  // Ranks by group number first: the store's order is the name order of a
  // sound file, and every other key breaks its ties by it.
  std::sort(rows_.begin(), rows_.end(),
            [](const Row& a, const Row& b) { return a.group < b.group; });
  auto byName = [](const Row& a, const Row& b) {
    return text::CompareAnsiText(a.name, b.name) < 0;
  };
  switch (sortColumn_) {
    case ColName:
      if (!std::is_sorted(rows_.begin(), rows_.end(), byName))
        std::stable_sort(rows_.begin(), rows_.end(), byName);
      break;
    case ColCount:
      std::stable_sort(rows_.begin(), rows_.end(),
                       [](const Row& a, const Row& b) { return a.count < b.count; });
      break;
    case ColIcon:
      std::stable_sort(rows_.begin(), rows_.end(),
                       [](const Row& a, const Row& b) { return a.image < b.image; });
      break;
    default:
      break;
  }
  if (sortOrder_ == Qt::DescendingOrder) std::reverse(rows_.begin(), rows_.end());
}

}  // namespace plomix
