#pragma once
// How the time stamps below a node spread over months and hours of the day:
// a count matrix of 25 hour slots by 12,013 month slots (month slot 0 is
// January of the first year of the node's date range), and the table the
// date/time page shows for a month interval and an hour interval.
//
// For a media or folder the stamps are those of every folder and file below
// it (a folder stamped 0 is skipped together with its contents); for the
// catalogue (key -1) they are the reading times of the media passing the
// category filter.

#include <QString>
#include <cstdint>
#include <vector>

namespace plomix {

class Catalog;

inline constexpr int kDateMonthSlots = 12013;
inline constexpr int kDateHourSlots = 25;

// The table for one pair of intervals: rows are month periods, columns hour
// periods; header texts as the grid shows them.
class DateTable {
 public:
  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  int MonthInterval() const { return months_; }
  int HourInterval() const { return hours_; }
  // Count of the cell; 0 outside the table.
  uint32_t Cell(int row, int column) const;
  // Sum of a row's cells.
  uint64_t RowTotal(int row) const;
  // "0時～", "3時～" ("14時" when the interval is 1 hour).
  QString ColumnHeader(int column) const;
  // "2001/1～3", "2005/3" (one-month interval), "2001/1～12".
  QString RowHeader(int row) const;

 private:
  friend class DateDistribution;
  int rows_ = 0, columns_ = 0, months_ = 12, hours_ = 3, firstYear_ = 0;
  std::vector<uint32_t> cells_;  // row-major
  std::vector<uint64_t> totals_;
};

class DateDistribution {
 public:
  // Counts the stamps of node `key` (-1 the catalogue). False, with the
  // previous counts kept, when the node's oldest stamp is 0, no media is
  // shown, or the node cannot be loaded.
  bool Count(Catalog& catalog, int32_t key);

  bool HasCounts() const { return !matrix_.empty(); }
  int32_t LastKey() const { return lastKey_; }
  int FirstYear() const { return firstYear_; }
  // Number of months from January of the first year to December of the last.
  int MonthCount() const { return months_; }
  // Count of one slot; 0 outside the matrix.
  uint32_t Slot(int month, int hour) const;
  // Sum of all counted stamps (those after the last year included).
  uint64_t Total() const { return total_; }

  // The table for a month interval (1, 2, 3, 4, 6 or 12) and an hour interval
  // (1, 2, 3, 4, 6, 8, 12 or 24); other values count as 12 and 3. Empty
  // before the first successful count.
  DateTable Table(int monthInterval, int hourInterval) const;

  // Whether an interval is one the page offers.
  static bool IsMonthInterval(int months);
  static bool IsHourInterval(int hours);

 private:
  void Reset(int firstYear, int lastYear);
  void Add(int32_t stamp);
  void CountSubtree(const Catalog& catalog, int32_t record);

  std::vector<uint32_t> matrix_;  // month-major: month * kDateHourSlots + hour
  int32_t lastKey_ = -1;
  int firstYear_ = 0;
  int months_ = 0;
  uint64_t total_ = 0;
};

}  // namespace plomix
