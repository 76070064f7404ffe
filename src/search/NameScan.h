#pragma once
// The quick pass of the name search over a block of stored records: finds the
// records whose stored name holds a run of bytes that every name the name
// condition accepts must hold. Only those records (and the few whose stored
// name is not their whole name) are then tested in full, so a record that
// cannot match costs the block scan and nothing more.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/SearchConditions.h"

namespace plomix {

class NameScan {
 public:
  // Chooses the runs for a condition set. `pattern1` and `pattern2` are the
  // CP932 patterns as the full test uses them (lower-cased unless the name
  // case counts).
  void Prepare(const SearchConditions& conditions, std::string_view pattern1,
               std::string_view pattern2);
  // False when every record must be tested in full (no name condition, a
  // comment that may rescue a failing name, a pattern without a usable run).
  bool Usable() const { return usable_; }

  // Appends, in increasing order and each once, the positions (0 .. n-1) of
  // the records among the n stored images at `block` whose stored name holds
  // one of the runs.
  void Candidates(const uint8_t* block, int32_t n, std::vector<int32_t>& out) const;

  // The run that a lower-cased pattern demands of every name that holds it in
  // its lower-cased form, and whether letters compare folded ("" when none).
  // Exposed for the tests.
  struct Run {
    std::string bytes;       // lower-cased where letters fold
    bool foldAscii = false;  // ASCII letters of the name compare lower-cased
  };
  static bool RunOf(std::string_view pattern, bool partial, bool caseSensitive, Run& run);

 private:
  void Find(const Run& run, const uint8_t* block, int32_t n, std::vector<int32_t>& out) const;

  bool usable_ = false;
  std::vector<Run> runs_;
};

}  // namespace plomix
