#include "ui/SearchHitModel.h"

#include <QFont>
#include <algorithm>
#include <numeric>
#include <thread>
#include <unordered_map>

#include "browse/NameOrder.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "search/FileSearch.h"
#include "ui/ImageList.h"
#include "ui/ShownNames.h"

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

void PrepareSearchHits(std::span<TRecord> hits, ImageList& images,
                       const std::function<void(int)>& progress) {
  int i = 0;
  for (TRecord& hit : hits) {
    ++i;
    if (progress && i % 100 == 0) progress(i);
    hit.ImageIndex = images.ImageOfRow(hit);
    hit.MarkImage = hit.Mark == 1 ? 0 : -1;
  }
}

// The column parts of sort keys. Texts already made for a shown row are
// reused; dates repeat a lot and are formatted once per value.
class SearchHitModel::KeyBuilder {
 public:
  explicit KeyBuilder(const SearchHitModel& model) : model_(model) {}

  std::string Part(const TRecord& row, int column) {
    if (column == 0)
      return std::string(row.ImageIndex < 10 ? "1" : "2") + "_" +
             NameOrderKey(row.Name, row.ExactName);
    std::string text = Text(row, column);
    if (RightAligned(column)) {
      const std::size_t chars = text::CharCount(text);
      if (chars < 20) text.insert(0, 20 - chars, ' ');
    }
    return text;
  }

 private:
  std::string Text(const TRecord& row, int column) {
    if (static_cast<std::size_t>(column) < row.Texts.size()) return row.Texts[column];
    if (column == 8) {
      auto it = dates_.find(row.FileDate);
      if (it == dates_.end())
        it = dates_
                 .emplace(row.FileDate, SearchHitText(row, column, model_.catalog_,
                                                      model_.typeNames_, model_.dateFormat_))
                 .first;
      return it->second;
    }
    return SearchHitText(row, column, model_.catalog_, model_.typeNames_, model_.dateFormat_);
  }

  const SearchHitModel& model_;
  std::unordered_map<int32_t, std::string> dates_;
};

SearchHitModel::SearchHitModel(ImageList& images, Catalog& catalog, TypeNames& typeNames,
                               QObject* parent)
    : QAbstractTableModel(parent), images_(images), catalog_(catalog), typeNames_(typeNames) {}

void SearchHitModel::SetRows(std::vector<TRecord>&& rows, std::string dateFormatCp932) {
  beginResetModel();
  rows_ = std::move(rows);
  shownPaths_.clear();
  dateFormat_ = std::move(dateFormatCp932);
  order_.resize(rows_.size());
  std::iota(order_.begin(), order_.end(), 0);
  sorted_ = false;
  endResetModel();
}

void SearchHitModel::Clear() {
  beginResetModel();
  rows_ = {};
  order_ = {};
  shownPaths_.clear();
  endResetModel();
}

const TRecord& SearchHitModel::Row(int index) const {
  return rows_[static_cast<std::size_t>(order_.at(static_cast<std::size_t>(index)))];
}

void SearchHitModel::RowsChanged() {
  if (RowCount() > 0) Q_EMIT dataChanged(index(0, 0), index(RowCount() - 1, kColumns - 1));
}

const TRecord& SearchHitModel::FilledRow(int index) const {
  TRecord& row = rows_[static_cast<std::size_t>(order_.at(static_cast<std::size_t>(index)))];
  if (row.Texts.empty())
    row.Texts = SearchHitTexts(DescribeSearchHit(row, catalog_, typeNames_, dateFormat_));
  return row;
}

const std::string& SearchHitModel::CellText(int row, int column) const {
  static const std::string none;
  const TRecord& hit = FilledRow(row);
  return column >= 0 && static_cast<std::size_t>(column) < hit.Texts.size()
             ? hit.Texts[static_cast<std::size_t>(column)]
             : none;
}

QString SearchHitModel::ShownCell(int row, int column) const {
  const TRecord& hit = Row(row);
  if (column == 0) return hit.ExactName.empty() ? QString() : ShownQName(hit);
  if (!IsEntryKey(hit.Key) || KeyIsMedia(hit.Key) || !catalog_.ExactNamesOf(SlotOfKey(hit.Key)))
    return {};
  auto found = shownPaths_.find(hit.Key);
  if (found == shownPaths_.end())
    found =
        shownPaths_
            .emplace(hit.Key, ShownFolderPath(catalog_, SlotOfKey(hit.Key), RecordOfKey(hit.Key)))
            .first;
  return found->second.isEmpty() ? QString() : found->second;
}

bool SearchHitModel::RightAligned(int column) {
  return column == 1 || column == 6 || column == 9 || column == 10;
}

void SearchHitModel::SortRows() {
  const std::size_t n = rows_.size();
  // Each key once as text (for the final tie-break) and as collation key.
  std::vector<std::string> keys(n);
  std::vector<std::string> collated(n);
  KeyBuilder parts(*this);
  for (std::size_t i = 0; i < n; ++i) {
    const TRecord& row = rows_[i];
    std::string key = parts.Part(row, sort_.column) + "_" + NameOrderKey(row.Name, row.ExactName);
    if (sort_.Grouped()) key = parts.Part(row, sort_.majorColumn) + "_" + key;
    keys[i] = std::move(key);
  }
  // Collation keys are the costly part and need nothing but the texts, so
  // they are made on every core.
  const std::size_t workers =
      n < 20000 ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
  std::vector<std::thread> threads;
  for (std::size_t w = 1; w < workers; ++w)
    threads.emplace_back([&, w] {
      for (std::size_t i = w; i < n; i += workers) collated[i] = text::CompareAnsiKey(keys[i]);
    });
  for (std::size_t i = 0; i < n; i += workers) collated[i] = text::CompareAnsiKey(keys[i]);
  for (std::thread& t : threads) t.join();
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  const bool ascending = sort_.ascending;
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    int c = collated[static_cast<std::size_t>(a)].compare(collated[static_cast<std::size_t>(b)]);
    if (c == 0) c = keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]);
    if (c == 0)
      c = rows_[static_cast<std::size_t>(a)].ExactName.compare(
          rows_[static_cast<std::size_t>(b)].ExactName);
    return ascending ? c < 0 : c > 0;
  });
  beginResetModel();
  order_ = std::move(order);
  sorted_ = true;
  endResetModel();
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void SearchHitModel::SortByColumn(int column, bool shift) {
  if (column < 0 || column >= kColumns) return;
  const bool turnRound = column == sort_.column && !shift && !sort_.Grouped() && sorted_;
  sort_.Click(column, shift);
  if (turnRound) {
    // The same keys in the other direction: keys differ unless their rows
    // look alike, so the order simply turns round.
    beginResetModel();
    std::reverse(order_.begin(), order_.end());
    endResetModel();
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
    return;
  }
  SortRows();
}

int SearchHitModel::FindByTyping(const QString& text, int start, bool wrap) const {
  if (order_.empty() || text.isEmpty()) return -1;
  const std::string wanted = TypedCp932Upper(text);
  const int n = RowCount();
  if (start < 0 || start >= n) start = 0;
  for (int step = 0; step < n; ++step) {
    const int i = start + step;
    if (i >= n && !wrap) break;
    if (NameBeginsWith(Row(i % n), text, wanted)) return i % n;
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
  switch (role) {
    case Qt::DisplayRole:
      if (index.column() == 0 || index.column() == 2) {
        QString shown = ShownCell(index.row(), index.column());
        if (!shown.isNull()) return shown;
      }
      return text::Cp932ToQString(CellText(index.row(), index.column()));
    case Qt::DecorationRole:
      if (index.column() == 0) return images_.Icon(Row(index.row()).ImageIndex);
      return {};
    case Qt::TextAlignmentRole:
      return static_cast<int>((RightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft) |
                              Qt::AlignVCenter);
    case Qt::FontRole:
      if (Row(index.row()).MarkImage == 0) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ToolTipRole:
      return index.column() == 0 && Row(index.row()).MarkImage == 0 ? QStringLiteral("マーク")
                                                                    : QVariant();
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
      const int image = sort_.HeaderImage(section);
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
