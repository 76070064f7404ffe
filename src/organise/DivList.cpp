#include "organise/DivList.h"

#include <algorithm>

#include "core/Catalog.h"
#include "core/Text.h"

namespace plomix {

namespace {

bool MatchesFilter(const TMediaSlot& slot, DivListMode mode, std::string_view filter) {
  if (filter.empty()) return true;
  if (mode == DivListMode::Category) return slot.Category() == filter;
  const std::string location = slot.Location();
  static const std::string noLocation = text::Utf8ToCp932(kNoLocationUtf8);
  if (filter == noLocation && location.empty()) return true;
  return location == filter;
}

// Times are compared as the unsigned numbers they pack into, so that dates
// from 2044 on (top bit set) still order after earlier ones.
int32_t Earlier(int32_t a, int32_t b) {
  return static_cast<uint32_t>(a) <= static_cast<uint32_t>(b) ? a : b;
}
int32_t Later(int32_t a, int32_t b) {
  return static_cast<uint32_t>(a) >= static_cast<uint32_t>(b) ? a : b;
}

}  // namespace

std::vector<TRecordDiv> BuildDivList(const Catalog& catalog, DivListMode mode,
                                     std::string_view filter) {
  std::vector<TRecordDiv> list;
  for (int s = 0; s < catalog.SlotsUsed(); ++s) {
    const TMediaSlot& slot = catalog.Slot(s);
    if (!slot.IsLive() || !MatchesFilter(slot, mode, filter)) continue;
    const TFileRec root = slot.Root();
    TRecordDiv row;
    row.MediaNo = s;
    row.Kind = root.Kind();
    row.Name = slot.Name();
    row.KindName = MediaKindName(root.Kind());
    row.Category = slot.Category();
    row.Location = slot.Location();
    row.LocationDetail = slot.LocationDetail();
    row.Drive = slot.Drive();
    row.FileDate = root.FileDate();
    row.AllFolders = root.AllFolders();
    row.AllFiles = root.AllFiles();
    list.push_back(std::move(row));
  }
  return list;
}

CategoryExtents ComputeCategoryExtents(const Catalog& catalog, std::string_view category) {
  CategoryExtents e;
  for (int s = 0; s < catalog.SlotsUsed(); ++s) {
    const TMediaSlot& slot = catalog.Slot(s);
    if (!slot.IsLive() || !MatchesFilter(slot, DivListMode::Category, category)) continue;
    const TMediaInfomation info = slot.Info();
    if (!e.found) {
      e.found = true;
      e.oldestFile = info.OldestFileDate;
      e.newestFile = info.NewestFileDate;
      e.oldestFolder = info.OldestFolderDate;
      e.newestFolder = info.NewestFolderDate;
      e.smallestFile = info.SmallestFile;
      e.largestFile = info.LargestFile;
      continue;
    }
    e.oldestFile = Earlier(e.oldestFile, info.OldestFileDate);
    e.newestFile = Later(e.newestFile, info.NewestFileDate);
    e.oldestFolder = Earlier(e.oldestFolder, info.OldestFolderDate);
    e.newestFolder = Later(e.newestFolder, info.NewestFolderDate);
    e.smallestFile = std::min(e.smallestFile, info.SmallestFile);
    e.largestFile = std::max(e.largestFile, info.LargestFile);
  }
  return e;
}

}  // namespace plomix
