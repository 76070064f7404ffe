#pragma once
// The search result list's model: the hits of the last search, shared by the
// four view styles. Sorting follows the file list's rules: the name column
// puts media and folders before files, a right-aligned column compares its
// text padded to 20 characters, the name breaks ties, and a Shift-click sorts
// within the groups of the major column. The sort state lasts for the
// program run, so a new search is shown in the order last chosen.
//
// A hit's 13 column texts are made when its row is first shown (or copied);
// a sort makes just the texts of its key columns. Hundreds of thousands of
// hits are listed and sorted without formatting texts nobody looks at.

#include <QAbstractTableModel>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Records.h"
#include "ui/ListSort.h"
#include "ui/widgets/TypeAheadSource.h"

namespace plomix {

class Catalog;
class ImageList;
class TypeNames;

// Sets ImageIndex and MarkImage of every hit; `progress` is called with the
// 1-based number of every 100th hit.
void PrepareSearchHits(std::span<TRecord> hits, ImageList& images,
                       const std::function<void(int)>& progress = {});

class SearchHitModel : public QAbstractTableModel, public TypeAheadSource {
  Q_OBJECT

 public:
  static constexpr int kColumns = 13;

  // All three outlive the model.
  SearchHitModel(ImageList& images, Catalog& catalog, TypeNames& typeNames,
                 QObject* parent = nullptr);

  // Replaces the rows (prepared hits) in their found order; the 更新日時
  // column uses the given format (CP932). SortRows() orders them.
  void SetRows(std::vector<TRecord>&& rows, std::string dateFormatCp932);
  void Clear();
  int RowCount() const { return static_cast<int>(order_.size()); }
  // The hit shown at a row.
  const TRecord& Row(int index) const;
  // The same hit for a command that changes it (the mark); RowsChanged()
  // repaints afterwards.
  TRecord& MutableRow(int index) { return const_cast<TRecord&>(Row(index)); }
  void RowsChanged();
  // The text of a cell, CP932 (the row's texts are made on first use).
  const std::string& CellText(int row, int column) const;

  // Sorts the rows with the current sort state.
  void SortRows();
  // A click on a column header, with Shift held or not; sorts.
  void SortByColumn(int column, bool shift);
  const ListSort& Sorting() const { return sort_; }
  static bool RightAligned(int column);

  int FindByTyping(const QString& text, int start, bool wrap) const override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const TRecord& FilledRow(int index) const;
  // The 名前 and パス名 cells where they hold names kept exactly.
  QString ShownCell(int row, int column) const;
  class KeyBuilder;

  ImageList& images_;
  Catalog& catalog_;
  TypeNames& typeNames_;
  std::string dateFormat_;
  // In found order; the texts of a row are filled when it is first shown.
  mutable std::vector<TRecord> rows_;
  std::vector<int> order_;  // shown row -> index in rows_
  // Paths built from shown names, by hit key, for hits of media that have
  // exact names; made when first shown.
  mutable std::unordered_map<int32_t, QString> shownPaths_;
  bool sorted_ = false;  // order_ follows the sort state
  ListSort sort_;        // lasts for the program run
};

}  // namespace plomix
