#pragma once
// The data the size charts show for the rows of the file list: a copy of the
// rows, the order by the chosen measure (largest first), the bars of one page
// and the slices of the top-N pie, with their labels, colours and value texts.
// Widget-free, so the window, the benchmarks and the tests share it.
//
// Every value is sound: a negative, NaN or infinite size (a damaged record)
// counts as 0, so no bar is negative and no slice angle is NaN.

#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Records.h"

namespace plomix {

// What the charts measure; the numbers are those of the three measure buttons.
enum class ChartMeasure { Size = 1, ClusterGap = 2, Allocated = 3 };

// Colours as 0xRRGGBB.
inline constexpr uint32_t kChartPurple = 0x800080;
inline constexpr uint32_t kChartYellow = 0xFFFF00;
inline constexpr uint32_t kChartRed = 0xFF0000;
inline constexpr uint32_t kChartBlue = 0x0000FF;
inline constexpr uint32_t kChartFuchsia = 0xFF00FF;
inline constexpr uint32_t kChartWhite = 0xFFFFFF;

// The colour of a row's own part: the catalogue purple, media yellow, folders
// red, files blue.
uint32_t KindColour(int kind);

// The chart title for a measure, over a folder list or the media list.
QString ChartTitle(ChartMeasure measure, bool mediaList);

// The label of the row at `rank` (from 1): rank + ") " + a folder/file mark +
// the name, the name cut to `maxLength` bytes (at a character boundary) with
// "..." appended, or, with `fill`, padded with a space and hyphens so that all
// filled labels are equally long. CP932 in and out.
std::string ChartLabel(int rank, std::string_view nameCp932, int kind, int maxLength, bool fill);
// The same for a name kept exactly (`exact`, native bytes; CP932 form
// `nameCp932`): laid out as its CP932 form is (cut after as many characters,
// or filled as far), showing the exact name. Empty `exact`: ChartLabel.
QString ShownChartLabel(int rank, std::string_view nameCp932, std::string_view exact, int kind,
                        int maxLength, bool fill);

// One bar: two stacked parts; the second carries the value text.
struct ChartBar {
  int row = 0;  // index into the copied rows
  QString label;
  double first = 0;
  uint32_t firstColour = 0;
  double second = 0;
  uint32_t secondColour = 0;
  QString mark;
};

struct ChartSlice {
  QString label;
  double value = 0;
  uint32_t colour = 0;
};

class ChartData {
 public:
  struct Row {
    std::string name;  // CP932
    int16_t kind = 0;
    int32_t key = -1;
    double size = 0;  // for the media list: the media's free space
    double allocated = 0;
    std::string exact;  // native bytes when CP932 cannot hold the name
  };

  // Copies the rows and orders them by the current measure. For the media
  // list `freeSpaceOf(key)` gives each media's free space (0 when unknown),
  // which becomes the row's size.
  void Fill(std::span<const TRecord> rows, bool mediaList,
            const std::function<double(int32_t key)>& freeSpaceOf = {});
  void Clear();
  // Sets the measure and orders the rows by it again.
  void SetMeasure(ChartMeasure measure);
  ChartMeasure Measure() const { return measure_; }
  bool MediaList() const { return mediaList_; }

  int RowCount() const { return static_cast<int>(rows_.size()); }
  const Row& RowAt(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
  // Row indexes, largest value first (equal values keep the list's order).
  const std::vector<int>& Order() const { return order_; }
  // The value by which a row is ordered under the current measure.
  double Value(int row) const;

  // Index of the last row of the page that starts at position `start`.
  int PageEnd(int start, int perPage) const;
  // The bars of the page of at most `perPage` bars starting at position
  // `start` (clamped into the rows). `size2Only` drops the bracketed part of
  // the measure-3 value text.
  std::vector<ChartBar> BarPage(int start, int perPage, int nameLength, bool size2Only) const;
  // The pie: the first `maxSlices` rows (all when 0 or less), then one white
  // "その他" slice holding the rest when that is above 0.
  std::vector<ChartSlice> PieSlices(int maxSlices, int nameLength) const;

 private:
  void Sort();

  std::vector<Row> rows_;
  std::vector<int> order_;
  ChartMeasure measure_ = ChartMeasure::Size;
  bool mediaList_ = false;
};

}  // namespace plomix
