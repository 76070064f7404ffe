#pragma once
// The search result list's model: the hits of the last search with their 13
// cached column texts, shared by the four view styles. Sorting follows the
// file list's rules: the name column puts media and folders before files, a
// right-aligned column compares its text padded to 20 characters, the name
// breaks ties, and a Shift-click sorts within the groups of the anchor column.
// The sort state lasts for the program run, so a new search is shown in the
// order last chosen.

#include <QAbstractTableModel>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "core/Records.h"
#include "ui/widgets/TypeAheadSource.h"

namespace plomix {

class Catalog;
class ImageList;
class TypeNames;

// Fills ImageIndex, MarkImage and Texts 0..12 of every hit; `progress` is
// called with the 1-based number of every 100th hit before it is filled.
void FillSearchHitTexts(std::span<TRecord> hits, Catalog& catalog, TypeNames& typeNames,
                        ImageList& images, std::string_view dateFormatCp932,
                        const std::function<void(int)>& progress = {});

class SearchHitModel : public QAbstractTableModel, public TypeAheadSource {
  Q_OBJECT

 public:
  static constexpr int kColumns = 13;

  explicit SearchHitModel(ImageList& images, QObject* parent = nullptr);

  // Replaces the rows (texts already filled); SortRows() orders them.
  void SetRows(std::vector<TRecord>&& rows);
  void Clear();
  const std::vector<TRecord>& Rows() const { return rows_; }
  const TRecord& Row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
  int RowCount() const { return static_cast<int>(rows_.size()); }

  // Sorts the rows with the current sort state.
  void SortRows();
  // A click on a column header, with Shift held or not; sorts.
  void SortByColumn(int column, bool shift);
  int SortColumn() const { return sortColumn_; }
  bool Ascending() const { return ascending_; }
  int AnchorColumn() const { return anchorColumn_; }
  int MultiKeys() const { return multiKeys_; }
  // The header image of a column: -1 none, else 14 to 17.
  int HeaderImage(int column) const;
  static bool RightAligned(int column);

  int FindByTyping(const QString& text, int start, bool wrap) const override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::string KeyPart(const TRecord& row, int column) const;

  ImageList& images_;
  std::vector<TRecord> rows_;
  int sortColumn_ = 0;
  bool ascending_ = true;
  int anchorColumn_ = 0;
  int multiKeys_ = 0;
};

}  // namespace plomix
