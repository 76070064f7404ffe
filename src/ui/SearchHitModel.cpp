#include "ui/SearchHitModel.h"

#include <QFont>
#include <algorithm>
#include <numeric>

#include "core/Text.h"
#include "search/FileSearch.h"
#include "ui/ImageList.h"

namespace plomix {

namespace {

const char* const kCaptions[SearchHitModel::kColumns] = {"名前",
                                                         "数",
                                                         "パス名",
                                                         "分類",
                                                         "保管場所",
                                                         "保管詳細",
                                                         "サイズ",
                                                         "ファイルの種類",
                                                         "更新日時",
                                                         "クラスタサイズ",
                                                         "クラスタギャップ",
                                                         "Version",
                                                         "コメント"};

}  // namespace

void FillSearchHitTexts(std::span<TRecord> hits, Catalog& catalog, TypeNames& typeNames,
                        ImageList& images, std::string_view dateFormatCp932,
                        const std::function<void(int)>& progress) {
  int i = 0;
  for (TRecord& hit : hits) {
    ++i;
    if (progress && i % 100 == 0) progress(i);
    hit.ImageIndex = images.ImageOfRow(hit);
    hit.MarkImage = hit.Mark == 1 ? 0 : -1;
    hit.Texts = SearchHitTexts(DescribeSearchHit(hit, catalog, typeNames, dateFormatCp932));
  }
}

SearchHitModel::SearchHitModel(ImageList& images, QObject* parent)
    : QAbstractTableModel(parent), images_(images) {}

void SearchHitModel::SetRows(std::vector<TRecord>&& rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void SearchHitModel::Clear() {
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  endResetModel();
}

bool SearchHitModel::RightAligned(int column) {
  return column == 1 || column == 6 || column == 9 || column == 10;
}

std::string SearchHitModel::KeyPart(const TRecord& row, int column) const {
  if (column == 0) return std::string(row.ImageIndex < 10 ? "1" : "2") + "_" + row.Name;
  std::string text =
      static_cast<std::size_t>(column) < row.Texts.size() ? row.Texts[column] : std::string();
  if (RightAligned(column)) {
    const std::size_t chars = text::CharCount(text);
    if (chars < 20) text.insert(0, 20 - chars, ' ');
  }
  return text;
}

void SearchHitModel::SortRows() {
  const std::size_t n = rows_.size();
  std::vector<std::string> keys(n);
  for (std::size_t i = 0; i < n; ++i) {
    const TRecord& row = rows_[i];
    std::string key = KeyPart(row, sortColumn_) + "_" + row.Name;
    if (multiKeys_ > 0) key = KeyPart(row, anchorColumn_) + "_" + key;
    keys[i] = std::move(key);
  }
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  const bool ascending = ascending_;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int c = text::CompareAnsi(keys[a], keys[b]);
    return ascending ? c < 0 : c > 0;
  });
  std::vector<TRecord> sorted;
  sorted.reserve(n);
  for (std::size_t i : order) sorted.push_back(std::move(rows_[i]));
  beginResetModel();
  rows_ = std::move(sorted);
  endResetModel();
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void SearchHitModel::SortByColumn(int column, bool shift) {
  if (column < 0 || column >= kColumns) return;
  if (column == sortColumn_) ascending_ = !ascending_;
  if (shift) {
    ++multiKeys_;
  } else {
    multiKeys_ = 0;
    anchorColumn_ = column;
  }
  sortColumn_ = column;
  SortRows();
}

int SearchHitModel::HeaderImage(int column) const {
  if (column == sortColumn_) {
    if (multiKeys_ > 0) return ascending_ ? kImageSubSortUp : kImageSubSortDown;
    return ascending_ ? kImageSortUp : kImageSortDown;
  }
  if (multiKeys_ > 0 && column == anchorColumn_) return ascending_ ? kImageSortUp : kImageSortDown;
  return -1;
}

int SearchHitModel::FindByTyping(const QString& text, int start, bool wrap) const {
  if (rows_.empty() || text.isEmpty()) return -1;
  const std::string wanted = text::AnsiUpper(text::QStringToCp932(text));
  const int n = RowCount();
  if (start < 0 || start >= n) start = 0;
  for (int step = 0; step < n; ++step) {
    const int i = start + step;
    if (i >= n && !wrap) break;
    const TRecord& row = rows_[static_cast<std::size_t>(i % n)];
    if (text::AnsiUpper(row.Name).compare(0, wanted.size(), wanted) == 0) return i % n;
  }
  return -1;
}

int SearchHitModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int SearchHitModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant SearchHitModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount()) return {};
  const TRecord& row = rows_[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return column < row.Texts.size() ? text::Cp932ToQString(row.Texts[column]) : QString();
    case Qt::DecorationRole:
      if (column == 0) return images_.Icon(row.ImageIndex);
      return {};
    case Qt::TextAlignmentRole:
      return static_cast<int>((RightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft) |
                              Qt::AlignVCenter);
    case Qt::FontRole:
      if (row.MarkImage == 0) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ToolTipRole:
      return column == 0 && row.MarkImage == 0 ? QStringLiteral("マーク") : QVariant();
    default:
      return {};
  }
}

QVariant SearchHitModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromUtf8(kCaptions[section]);
    case Qt::DecorationRole: {
      const int image = HeaderImage(section);
      return image < 0 ? QVariant() : QVariant(images_.Icon(image));
    }
    case Qt::TextAlignmentRole:
      return static_cast<int>((RightAligned(section) ? Qt::AlignRight : Qt::AlignLeft) |
                              Qt::AlignVCenter);
    default:
      return {};
  }
}

}  // namespace plomix
