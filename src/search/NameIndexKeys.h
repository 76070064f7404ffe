#pragma once
// What the name index keys a record by, and which of those keys a name
// pattern guarantees. A record is keyed by the trigrams of its name in the
// form the search compares: a name kept exactly as its case-folded shown form
// (UTF-8), any other name as its lower-cased CP932 bytes. A pattern yields
// only trigrams that every name it matches must hold, whatever the case mode,
// so that testing the records holding all of them finds every hit.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plomix {

struct SearchConditions;

namespace name_index {

// The text a record is keyed by. `name` is its CP932 name (the long name
// restored), `exact` its exact native name (empty when the CP932 one is exact).
// Returns a view of `buffer` or of `name`.
std::string_view KeyText(std::string_view name, std::string_view exact, std::string& buffer);

// Appends the trigrams of `text` (as 24-bit numbers, possibly repeated).
void AppendTrigrams(std::string_view text, std::vector<uint32_t>& out);

// The trigrams one name pattern guarantees. A record whose CP932 name can
// match holds all of `cp932` (when `cp932Usable`); a record with an exact
// name that can match holds all of `exact` (none: any such record may).
// `cp932Never` when no CP932 name can match (a pattern CP932 cannot hold).
struct PatternKeys {
  bool cp932Never = false;
  bool cp932Usable = false;
  std::vector<uint32_t> cp932;
  std::vector<uint32_t> exact;
};

// The keys of the first (`second` false) or second name pattern of the
// conditions, as FileSearch compares them.
PatternKeys KeysOfPattern(const SearchConditions& conditions, bool second);

}  // namespace name_index
}  // namespace plomix
