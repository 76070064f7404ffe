#include "organise/DivList.h"

#include <algorithm>
#include <stdexcept>

#include "core/Catalog.h"
#include "core/Text.h"

namespace plomix {

std::string AllTabText() {
  return text::Utf8ToCp932("すべて");
}

std::string NoLocationText() {
  return text::Utf8ToCp932("保管場所未登録");
}

std::string CutToField(std::string_view cp932, std::size_t n) {
  if (cp932.size() <= n) return std::string(cp932);
  // Walk characters from the start: a trail byte can look like a lead byte,
  // so the boundary is only known by counting from the beginning.
  std::size_t end = 0;
  while (end < n) {
    const std::size_t width =
        text::IsLeadByte(static_cast<uint8_t>(cp932[end])) && end + 1 < cp932.size() ? 2 : 1;
    if (end + width > n) break;
    end += width;
  }
  return std::string(cp932.substr(0, end));
}

bool MatchesDivFilter(const TMediaSlot& slot, DivMode mode, std::string_view filter) {
  if (!slot.IsLive()) return false;
  if (filter.empty() || filter == AllTabText()) return true;
  if (mode == DivMode::Category) return slot.Category() == filter;
  const std::string location = slot.Location();
  if (filter == NoLocationText()) return location.empty() || location == filter;
  return location == filter;
}

int DivLists::BuildDivList(const Catalog& catalog, int list, DivMode mode,
                           std::string_view filter) {
  std::vector<TRecordDiv>& out = lists_.at(list);
  out.clear();
  for (int slot = 0; slot < kMaxMedia; ++slot) {
    const TMediaSlot& s = catalog.Slot(slot);
    if (s.IsNeverUsed()) break;
    if (!MatchesDivFilter(s, mode, filter)) continue;
    const TFileRec root = s.Root();
    TRecordDiv div;
    div.MediaNo = slot;
    div.Kind = root.Kind();
    div.Name = s.Name();
    div.KindName = s.KindName();
    div.Category = s.Category();
    div.Location = s.Location();
    div.LocationDetail = s.LocationDetail();
    div.Drive = s.Drive();
    div.FileDate = root.FileDate();
    div.AllFolders = root.AllFolders();
    div.AllFiles = root.AllFiles();
    out.push_back(std::move(div));
  }
  return DivCount(list);
}

int DivLists::BuildDivListText(const Catalog& catalog, int list, DivMode mode,
                               std::string_view utf8Filter) {
  const std::string cp932 = text::Utf8ToCp932(utf8Filter);
  BuildDivList(catalog, list, mode, cp932);
  if (cp932.empty() || cp932 == AllTabText() || cp932 == NoLocationText()) return DivCount(list);
  // Texts that differ only in what CP932 lacks are told apart by their exact form.
  const SlotText field = mode == DivMode::Category ? SlotText::Category : SlotText::Location;
  std::erase_if(lists_.at(list), [&](const TRecordDiv& div) {
    return catalog.ExactSlotText(div.MediaNo, field) != utf8Filter;
  });
  return DivCount(list);
}

void DivLists::Clear(int list) {
  lists_.at(list).clear();
}

void MoveMedia(Catalog& catalog, const std::vector<int>& slots, DivMode mode,
               std::string_view name) {
  const std::string cut = CutToField(
      name, mode == DivMode::Category ? TMediaSlot::kCategoryCap : TMediaSlot::kLocationCap);
  for (int slot : slots) {
    if (mode == DivMode::Category)
      catalog.SetSlotCategory(slot, cut);
    else
      catalog.SetSlotLocation(slot, cut);
  }
  catalog.Recount();
  catalog.RebuildNameLists();
}

void MoveMediaText(Catalog& catalog, const std::vector<int>& slots, DivMode mode,
                   std::string_view utf8) {
  const SlotText field = mode == DivMode::Category ? SlotText::Category : SlotText::Location;
  for (int slot : slots) catalog.SetSlotText(slot, field, utf8);
  catalog.Recount();
  catalog.RebuildNameLists();
}

void SetLocationDetailText(Catalog& catalog, int slot, std::string_view utf8) {
  catalog.SetSlotText(slot, SlotText::LocationDetail, utf8);
  catalog.RebuildNameLists();
}

void SetLocationDetail(Catalog& catalog, int slot, std::string_view detail) {
  catalog.SetSlotLocationDetail(slot, CutToField(detail, TMediaSlot::kLocationDetailCap));
  catalog.RebuildNameLists();
}

std::optional<std::vector<std::string>> NumberDetails(std::string_view prefix,
                                                      std::string_view startDigits, int count) {
  if (startDigits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : startDigits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  const std::size_t width = startDigits.size();
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i, ++value) {
    std::string digits = std::to_string(value);
    if (digits.size() < width)
      digits.insert(0, width - digits.size(), '0');
    else if (digits.size() > width)
      digits.erase(0, digits.size() - width);
    names.push_back(std::string(prefix) + digits);
  }
  return names;
}

namespace {

// Times are compared as the unsigned numbers they pack into, so that dates
// from 2044 on (top bit set) still order after earlier ones.
int32_t Earlier(int32_t a, int32_t b) {
  return static_cast<uint32_t>(a) <= static_cast<uint32_t>(b) ? a : b;
}
int32_t Later(int32_t a, int32_t b) {
  return static_cast<uint32_t>(a) >= static_cast<uint32_t>(b) ? a : b;
}

}  // namespace

CategoryExtents ComputeCategoryExtents(const Catalog& catalog, std::string_view category) {
  CategoryExtents e;
  for (int s = 0; s < catalog.SlotsUsed(); ++s) {
    const TMediaSlot& slot = catalog.Slot(s);
    if (!MatchesDivFilter(slot, DivMode::Category, category)) continue;
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
