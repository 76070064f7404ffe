#pragma once
// The member grids (the lower grid of each result page and the two detail
// grids under the file list): one row per member of a group, with the ten
// columns of the detail export (ID hidden, Icon or No, 名前, 更新日時, サイズ,
// メディア名, パス名, 分類, 保管場所, 保管詳細). The rows are kept in the order
// shown, so the copy dialog takes them as they stand. Text columns sort
// ignoring case, numbers by value; the row whose key is the file selected in
// the file list is drawn in the duplicate colour on yellow.

#include <QAbstractTableModel>
#include <QColor>
#include <vector>

#include "analysis/DetailExport.h"

namespace plomix {

class Catalog;
class ImageList;

// True when the catalogue's name and a member's name are one key (equal
// ignoring case); the common case of identical bytes costs no collation.
bool SameMemberName(const std::string& catalogName, const std::string& memberName);
// The same for record `record` of the loaded media: a member whose name CP932
// cannot hold is compared by its exact name, since its CP932 form may be
// another file's too.
bool SameMember(const Catalog& catalog, int32_t record, const DetailRow& member);

class ResultMemberModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // `iconColumn`: column 1 shows the group's image (duplicate grids), else
  // the member's number.
  ResultMemberModel(bool iconColumn, ImageList* images, QObject* parent = nullptr);

  // Replaces the rows (in file order) and applies the current sort.
  void SetRows(std::vector<DetailRow>&& rows, int image);
  void Clear();
  const std::vector<DetailRow>& Rows() const { return rows_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const DetailRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
  int RowOfKey(int32_t key) const;
  int Image() const { return image_; }
  bool IconColumn() const { return iconColumn_; }

  // Fills the empty path cells: rows of `onlySlot` (every media when -1),
  // one media load per media. `visit` is called with each row before its
  // media is loaded (the grid selects it so the user sees progress). A
  // member whose record is gone or now holds another name keeps an empty
  // path. Returns the rows filled.
  int FillPaths(Catalog& catalog, int onlySlot = -1,
                const std::function<void(int row)>& visit = {});

  void SetHighlight(int32_t key, const QColor& colour);
  int32_t HighlightKey() const { return highlightKey_; }

  int SortColumn() const { return sortColumn_; }
  Qt::SortOrder SortOrder() const { return sortOrder_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  void SortRows();

  bool iconColumn_;
  ImageList* images_;
  std::vector<DetailRow> rows_;
  int image_ = -1;
  int32_t highlightKey_ = -1;
  QColor highlightColour_;
  int sortColumn_;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace plomix
