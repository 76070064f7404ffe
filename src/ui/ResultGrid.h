#pragma once
// The look shared by the result grids: grid lines, one selected full row,
// 16-pixel rows, sorting by header click, and column widths in pixels.

#include <QHeaderView>
#include <QTableView>
#include <initializer_list>
#include <string>

#include "ui/ColumnFit.h"

namespace plomix {

inline QTableView* NewResultGrid(const char* name, QAbstractItemModel* model, QWidget* parent,
                                 std::initializer_list<int> widths) {
  auto* grid = new QTableView(parent);
  grid->setObjectName(QString::fromLatin1(name));
  grid->setModel(model);
  grid->setShowGrid(true);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setWordWrap(false);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setDefaultSectionSize(16);
  grid->setIconSize(QSize(16, 16));
  grid->horizontalHeader()->setHighlightSections(false);
  grid->horizontalHeader()->setSortIndicatorShown(true);
  int column = 0;
  for (int width : widths) grid->setColumnWidth(column++, width);
  grid->setColumnHidden(0, true);
  return grid;
}

// The selected row of a grid, -1 when none.
inline int SelectedGridRow(const QTableView* grid) {
  const QModelIndexList rows = grid->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

inline void SelectGridRow(QTableView* grid, int row) {
  if (row < 0 || row >= grid->model()->rowCount()) return;
  const QModelIndex index = grid->model()->index(row, grid->isColumnHidden(1) ? 2 : 1);
  grid->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  grid->scrollTo(index);
}

// A filled grid of detail rows (ID, No or icon, name, date, size, media,
// path, category, location, detail): dates and sizes whole, then the name
// and the media name as wide as their texts while the grid has room.
inline void FitDetailColumns(QTableView& grid, const std::string& dateFormatCp932) {
  WidenToSamples(grid, {{3, CellSample::Date}, {4, CellSample::Size}}, dateFormatCp932);
  WidenIntoSpareRoom(grid, 2);
  WidenIntoSpareRoom(grid, 5);
}

}  // namespace plomix
