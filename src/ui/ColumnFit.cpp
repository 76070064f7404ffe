#include "ui/ColumnFit.h"

#include <QHeaderView>
#include <QStringList>
#include <QStyle>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

namespace {

constexpr double kLargestSize = 10.0 * 1024 * 1024 * 1024 * 1024;  // 10 TB
constexpr double kLargestCount = 2'000'000;                        // records of one media
constexpr int kSortImage = 16;

QStringList SampleTexts(CellSample sample, const std::string& dateFormatCp932) {
  switch (sample) {
    case CellSample::Count:
      return {text::Cp932ToQString(FormatNumber(kLargestCount))};
    case CellSample::Size:
      return {text::Cp932ToQString(FormatNumber(kLargestSize))};
    case CellSample::Date: {
      // Every weekday, since their names differ in width; late in the day
      // and the year, so no field is shorter than it can be.
      QStringList texts;
      for (int day = 20; day < 27; ++day) {
        const int32_t packed = PackDosDateTime({2099, 12, day, 23, 59, 58});
        texts << text::Cp932ToQString(FormatDateTime(dateFormatCp932, packed));
      }
      return texts;
    }
    case CellSample::Other:
      break;
  }
  return {};
}

}  // namespace

int FittedColumnWidth(const QTableView& view, CellSample sample, const QString& caption,
                      const std::string& dateFormatCp932) {
  const QStyle* style = view.style();
  const QFontMetrics cells(view.font());
  // One pixel more for the grid line between cells.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
  int cell = 0;
  for (const QString& text : SampleTexts(sample, dateFormatCp932))
    cell = std::max(cell, cells.horizontalAdvance(text) + 2 * margin + 1);
  const QHeaderView* header = view.horizontalHeader();
  const int headerMargin = style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
  const int heading =
      QFontMetrics(header->font()).horizontalAdvance(caption) + kSortImage + 3 * headerMargin + 2;
  return std::max(cell, heading);
}

void WidenToSamples(QTableView& view, const std::vector<std::pair<int, CellSample>>& columns,
                    const std::string& dateFormatCp932) {
  QHeaderView* header = view.horizontalHeader();
  for (const auto& [column, sample] : columns) {
    if (view.isColumnHidden(column)) continue;
    const QString caption =
        view.model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const int fitted = FittedColumnWidth(view, sample, caption, dateFormatCp932);
    if (header->sectionSize(column) < fitted) header->resizeSection(column, fitted);
  }
}

namespace {

// What the rows in sight need of a column (public through the base class).
// Left alone, the view also measures up to 1,000 rows beyond them, which in
// a grid of thousands of rows costs more than everything else a selection
// does.
int ShownTextWidth(const QAbstractItemView& view, QHeaderView& header, int column) {
  const int precision = header.resizeContentsPrecision();
  header.setResizeContentsPrecision(0);
  const int width = view.sizeHintForColumn(column);
  header.setResizeContentsPrecision(precision);
  return width;
}

// The widening itself: `needed` is what the column's shown texts take.
void Widen(QHeaderView& header, int viewportWidth, int column, int needed) {
  const int spare = viewportWidth - header.length();
  const int current = header.sectionSize(column);
  if (needed <= current || spare <= 0) return;
  header.resizeSection(column, std::min(needed, current + spare));
}

}  // namespace

void WidenIntoSpareRoom(QTableView& view, int column) {
  QHeaderView& header = *view.horizontalHeader();
  if (view.isColumnHidden(column) || header.stretchLastSection()) return;
  Widen(header, view.viewport()->width(), column,
        std::max(ShownTextWidth(view, header, column), header.sectionSizeHint(column)));
}

void FitLabelColumn(QTreeView& view, int column) {
  QHeaderView& header = *view.header();
  const int available = view.viewport()->width();
  const int labels = std::max(ShownTextWidth(view, header, column), header.sectionSizeHint(column));
  const int values = ShownTextWidth(view, header, column + 1);
  // The labels whole while the values fit beside them, else the values get
  // what is left above two fifths of the width.
  header.resizeSection(
      column, std::max(20, std::min(labels, std::max(available * 2 / 5, available - values))));
}

}  // namespace plomix
