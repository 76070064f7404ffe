#include "core/DateDistribution.h"

#include <algorithm>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Records.h"

namespace plomix {

namespace {

constexpr int kLastMonthSlot = kDateMonthSlots - 1;

int YearOf(int32_t stamp) {
  DateTimeParts parts;
  return UnpackDosDateTime(stamp, parts) ? parts.year : 0;
}

}  // namespace

bool DateDistribution::IsMonthInterval(int months) {
  return months == 1 || months == 2 || months == 3 || months == 4 || months == 6 || months == 12;
}

bool DateDistribution::IsHourInterval(int hours) {
  return hours >= 1 && hours <= 24 && 24 % hours == 0;
}

void DateDistribution::Reset(int firstYear, int lastYear) {
  firstYear_ = firstYear;
  // A newest stamp before the oldest (a damaged media) still shows one year.
  const int years = std::clamp(lastYear - firstYear + 1, 1, kLastMonthSlot / 12);
  months_ = years * 12;
  matrix_.assign(static_cast<std::size_t>(kDateMonthSlots) * kDateHourSlots, 0);
  total_ = 0;
}

void DateDistribution::Add(int32_t stamp) {
  DateTimeParts parts;
  if (!UnpackDosDateTime(stamp, parts)) return;
  const int month = parts.year * 12 + parts.month - (firstYear_ * 12 + 1);
  if (month < 0) return;
  const int slot = std::min(month, kLastMonthSlot);
  ++matrix_[static_cast<std::size_t>(slot) * kDateHourSlots + static_cast<std::size_t>(parts.hour)];
  ++total_;
}

void DateDistribution::CountSubtree(const Catalog& catalog, int32_t record) {
  // Children of a folder lie together from its first child on and always
  // after it, so following only forward links visits every record once even
  // in a damaged media.
  const int32_t count = catalog.LoadedCount();
  std::vector<int32_t> folders{record};
  while (!folders.empty()) {
    const int32_t folder = folders.back();
    folders.pop_back();
    const int32_t first = catalog.LoadedRec(folder).FirstChild();
    if (first <= folder) continue;
    for (int32_t r = first; r < count; ++r) {
      const TFileRec& rec = catalog.LoadedRec(r);
      if (rec.Parent() != folder) break;
      const int32_t stamp = rec.FileDate();
      if (stamp == 0) continue;
      Add(stamp);
      if (IsFolderKind(rec.Kind())) folders.push_back(r);
    }
  }
}

bool DateDistribution::Count(Catalog& catalog, int32_t key) {
  if (catalog.FilteredMediaCount() == 0) return false;
  if (!IsEntryKey(key)) {
    int32_t oldest = 0, newest = 0;
    std::vector<int32_t> stamps;
    for (int slot = 0; slot < kMaxMedia; ++slot) {
      const TMediaSlot& s = catalog.Slot(slot);
      if (s.IsNeverUsed()) break;
      if (!s.IsLive() || !catalog.MatchesCategoryFilter(slot)) continue;
      const int32_t stamp = s.Root().FileDate();
      stamps.push_back(stamp);
      if (YearOf(stamp) == 0) continue;
      if (oldest == 0 || static_cast<uint32_t>(stamp) < static_cast<uint32_t>(oldest))
        oldest = stamp;
      if (static_cast<uint32_t>(stamp) > static_cast<uint32_t>(newest)) newest = stamp;
    }
    if (oldest == 0) return false;
    Reset(YearOf(oldest), YearOf(newest));
    for (int32_t stamp : stamps) Add(stamp);
    lastKey_ = key;
    return true;
  }
  const int slot = SlotOfKey(key);
  const int32_t record = RecordOfKey(key);
  if (slot >= kMaxMedia || !catalog.Slot(slot).IsLive()) return false;
  const TMediaInfomation info = catalog.Slot(slot).Info();
  const int firstYear = YearOf(info.OldestFileDate);
  if (firstYear == 0) return false;
  if (!catalog.LoadMedia(slot) || record >= catalog.LoadedCount()) return false;
  const int lastYear = YearOf(info.NewestFileDate);
  Reset(firstYear, lastYear == 0 ? firstYear : lastYear);
  const TFileRec& node = catalog.LoadedRec(record);
  if (node.AllFolders() > 0 || node.AllFiles() > 0) CountSubtree(catalog, record);
  lastKey_ = key;
  return true;
}

uint32_t DateDistribution::Slot(int month, int hour) const {
  if (matrix_.empty() || month < 0 || month >= kDateMonthSlots || hour < 0 ||
      hour >= kDateHourSlots)
    return 0;
  return matrix_[static_cast<std::size_t>(month) * kDateHourSlots + static_cast<std::size_t>(hour)];
}

DateTable DateDistribution::Table(int monthInterval, int hourInterval) const {
  DateTable table;
  table.months_ = IsMonthInterval(monthInterval) ? monthInterval : 12;
  table.hours_ = IsHourInterval(hourInterval) ? hourInterval : 3;
  table.firstYear_ = firstYear_;
  if (matrix_.empty()) return table;
  table.rows_ = months_ / table.months_;
  table.columns_ = 24 / table.hours_;
  table.cells_.assign(static_cast<std::size_t>(table.rows_) * table.columns_, 0);
  table.totals_.assign(static_cast<std::size_t>(table.rows_), 0);
  for (int month = 0; month < months_; ++month) {
    const int row = month / table.months_;
    const uint32_t* slots = &matrix_[static_cast<std::size_t>(month) * kDateHourSlots];
    uint32_t* cells = &table.cells_[static_cast<std::size_t>(row) * table.columns_];
    for (int hour = 0; hour < 24; ++hour) {
      cells[hour / table.hours_] += slots[hour];
      table.totals_[static_cast<std::size_t>(row)] += slots[hour];
    }
  }
  return table;
}

uint32_t DateTable::Cell(int row, int column) const {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return 0;
  return cells_[static_cast<std::size_t>(row) * columns_ + static_cast<std::size_t>(column)];
}

uint64_t DateTable::RowTotal(int row) const {
  return row >= 0 && row < rows_ ? totals_[static_cast<std::size_t>(row)] : 0;
}

QString DateTable::ColumnHeader(int column) const {
  QString text = QString::number(column * hours_) + QStringLiteral("時");
  if (hours_ >= 2) text += QStringLiteral("～");
  return text;
}

QString DateTable::RowHeader(int row) const {
  const int startMonth = row * months_;
  const int year = firstYear_ + startMonth / 12;
  const int month = startMonth % 12 + 1;
  QString text = QString::number(year) + QLatin1Char('/') + QString::number(month);
  if (months_ >= 2) text += QStringLiteral("～") + QString::number(month + months_ - 1);
  return text;
}

}  // namespace plomix
