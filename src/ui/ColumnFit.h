#pragma once
// Default column widths that fit what a list usually shows, measured in the
// fonts the list really uses: "#,##0" sizes up to 10 TB, counts up to
// 2,000,000, a date-time in the chosen format, and the column's caption with
// its sort image. Widths kept in the settings are applied over these.

#include <QString>
#include <string>

class QTableView;

namespace plomix {

enum class CellSample { Other, Count, Size, Date };

// The width a column of `view` needs for its caption and its widest sample
// text (`dateFormatCp932` for dates).
int FittedColumnWidth(const QTableView& view, CellSample sample, const QString& caption,
                      const std::string& dateFormatCp932 = {});

}  // namespace plomix
