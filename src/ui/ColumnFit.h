#pragma once
// Default column widths that fit what a list usually shows, measured in the
// fonts the list really uses: "#,##0" sizes up to 10 TB, counts up to
// 2,000,000, a date-time in the chosen format, and the column's caption with
// its sort image. Widths kept in the settings are applied over these.

#include <QString>
#include <string>
#include <utility>
#include <vector>

class QHeaderView;
class QTableView;
class QTreeView;

namespace plomix {

enum class CellSample { Other, Count, Size, Date };

// The width a column of `view` needs for its caption and its widest sample
// text (`dateFormatCp932` for dates).
int FittedColumnWidth(const QTableView& view, CellSample sample, const QString& caption,
                      const std::string& dateFormatCp932 = {});

// Widens each (column, sample) of a filled grid to its fitted width; a
// column already wider keeps its width.
void WidenToSamples(QTableView& view, const std::vector<std::pair<int, CellSample>>& columns,
                    const std::string& dateFormatCp932);
// Widens `column` towards the width its shown texts need, as far as the view
// has room to spare to the right of its last column (never narrower).
void WidenIntoSpareRoom(QTableView& view, int column);
// A list of labels (`column`) beside their values (the stretched column after
// it): the labels get their width, as far as the values still fit.
void FitLabelColumn(QTreeView& view, int column);

}  // namespace plomix
