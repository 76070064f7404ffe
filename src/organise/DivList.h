#pragma once
// Media listings by category or by storage location, the moves between them
// and the bulk numbering of storage details. The dialogs that organise media
// keep their edits in the catalogue's slots in memory until their update
// button writes the slot table; everything here changes memory only.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Records.h"

namespace plomix {

class Catalog;

enum class DivMode { Category, Location };

// "すべて" and "保管場所未登録" in CP932.
std::string AllTabText();
std::string NoLocationText();

// At most `n` bytes of a CP932 text, never ending on the lead byte of a
// two-byte character (the slot fields would otherwise keep half a character).
std::string CutToField(std::string_view cp932, std::size_t n);

// Whether a live slot belongs to the listing of `filter` (CP932; "すべて"
// and "" mean every media).
bool MatchesDivFilter(const TMediaSlot& slot, DivMode mode, std::string_view filter);

// The three media listings the organising dialogs share (0: the dialog's left
// or only list, 1: the right list, 2: spare), each of at most 2001 entries.
class DivLists {
 public:
  static constexpr int kLists = 3;
  // Fills listing `list` with one entry per matching live media in slot order
  // and returns the entry count.
  int BuildDivList(const Catalog& catalog, int list, DivMode mode, std::string_view filter);
  // BuildDivList with the filter as shown (UTF-8): a name matches only the
  // media whose exact text (Catalog::ExactSlotText) it is.
  int BuildDivListText(const Catalog& catalog, int list, DivMode mode, std::string_view utf8Filter);
  void Clear(int list);
  const std::vector<TRecordDiv>& List(int list) const { return lists_.at(list); }
  int DivCount(int list) const { return static_cast<int>(lists_.at(list).size()); }

 private:
  std::array<std::vector<TRecordDiv>, kLists> lists_;
};

// Sets the category or location of every slot in `slots` to `name` in memory
// (cut to the field on a character boundary), then recounts and rebuilds the
// name lists.
void MoveMedia(Catalog& catalog, const std::vector<int>& slots, DivMode mode,
               std::string_view name);
// Sets one slot's storage detail in memory, cut to its 10 bytes on a
// character boundary, and rebuilds the name lists.
void SetLocationDetail(Catalog& catalog, int slot, std::string_view detail);
// The same with the text as the user gave it (UTF-8): what CP932 cannot hold
// is kept exactly (Catalog::SetSlotText), a text too long is cut after a
// whole character. WriteSlotTable writes it.
void MoveMediaText(Catalog& catalog, const std::vector<int>& slots, DivMode mode,
                   std::string_view utf8);
void SetLocationDetailText(Catalog& catalog, int slot, std::string_view utf8);

// The new storage details for `count` rows: prefix + the start number plus
// the row's position, written with leading zeros to as many digits as
// `startDigits` has (only the last digits once the number outgrows them).
// Nothing when `startDigits` is empty or not all digits.
std::optional<std::vector<std::string>> NumberDetails(std::string_view prefix,
                                                      std::string_view startDigits, int count);

// The oldest and newest dates and the smallest and largest file of the live
// media of a category ("" or the all-tab text: every media), from their
// slots' running extremes; `found` is false when no media matches.
struct CategoryExtents {
  bool found = false;
  int32_t oldestFile = 0;
  int32_t newestFile = 0;
  int32_t oldestFolder = 0;
  int32_t newestFolder = 0;
  double smallestFile = 0;
  double largestFile = 0;
};
CategoryExtents ComputeCategoryExtents(const Catalog& catalog, std::string_view category);

}  // namespace plomix
