#pragma once
// The file list's model: the rows of the selected node (ListRecs) with their
// nine cached texts, shown through the column layout. The four view styles
// share it. Sorting follows the list's own rules: folders before files by
// name for the name column, otherwise the column's text (numbers right-aligned
// by padding) with the name breaking ties, and Shift-clicks sorting within
// groups of an earlier (major) column.

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <unordered_map>
#include <vector>

#include "core/Records.h"
#include "ui/ColumnLayout.h"
#include "ui/ListSort.h"
#include "ui/widgets/TypeAheadSource.h"

namespace plomix {

class ImageList;

class FileListModel : public QAbstractTableModel, public TypeAheadSource {
  Q_OBJECT

 public:
  explicit FileListModel(ImageList& images, QObject* parent = nullptr);

  // Replaces the rows (texts and images already filled) and sorts them with
  // the current sort state.
  void SetRows(std::vector<TRecord>&& rows);
  void Clear();
  const std::vector<TRecord>& Rows() const { return rows_; }
  const TRecord& Row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // A row changed in place (its mark or its comment): the caller edits it
  // through MutableRow and announces it with RowChanged so it is redrawn.
  TRecord& MutableRow(int index) { return rows_.at(static_cast<std::size_t>(index)); }
  void RowChanged(int index);
  double LargestSize() const { return largest_; }

  ColumnLayout& Layout() { return layout_; }
  // Re-announces captions, widths and alignment after a layout change.
  void LayoutChanged();

  // A click on the header at a shown position, with Shift held or not.
  void SortByColumn(int position, bool shift);
  // Columns are shown positions; HeaderImage gives the header's arrow.
  const ListSort& Sorting() const { return sort_; }
  // Changes the column order (ColumnLayout::ApplyOrder). The sort state moves
  // with the data columns it sorts by, so the header images stay over the
  // columns the rows are ordered by; the rows keep their order.
  bool ApplyColumnOrder(const std::array<QString, ColumnLayout::kCount - 1>& captions);

  // The first row from `start` whose name begins with `text` ignoring case;
  // with `wrap` the search goes on from row 0 up to the start row. -1 if none.
  int FindByTyping(const QString& text, int start, bool wrap) const override;

  void SetDuplicateColour(const QColor& colour);
  QColor DuplicateColour() const { return duplicateColour_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void Sort();
  std::string KeyPart(const TRecord& row, int position) const;

  ImageList& images_;
  mutable std::unordered_map<int, QIcon> markedIcons_;  // image -> image with the mark
  std::vector<TRecord> rows_;
  ColumnLayout layout_;
  double largest_ = 0;
  ListSort sort_;
  QColor duplicateColour_ = QColor(0, 0, 255);
};

// Draws the size bar under the サイズ cell and the text over it.
class SizeBarDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  SizeBarDelegate(FileListModel& model, QObject* parent = nullptr);

  void SetShown(bool on) { shown_ = on; }
  bool Shown() const { return shown_; }
  void SetColour(const QColor& colour) { colour_ = colour; }
  QColor Colour() const { return colour_; }

  // Bar length in pixels for a column of `columnWidth`: 0 for an empty row or
  // when nothing is larger than 0, else the share of (width - 2), at least 1.
  static int BarLength(double size, double largest, int columnWidth);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  FileListModel& model_;
  bool shown_ = true;
  QColor colour_ = QColor(255, 0, 255);
};

// A row's image with the mark (image 11) drawn over its lower left corner:
// how a list shows that an entry is marked.
QIcon MarkedIcon(const QIcon& icon, const QIcon& mark);

// A colour stored as 0x00BBGGRR.
QColor ColourFromBgr(int bgr);
int BgrFromColour(const QColor& colour);

}  // namespace plomix
