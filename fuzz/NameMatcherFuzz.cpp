// The name matcher against a plain reference model written straight from
// its definition (a memoised recursion over pattern and name positions).
// Input: byte 0 bit 0 = partial match, byte 1 = pattern length, then the
// pattern and the name.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/Text.h"
#include "search/NameMatcher.h"

namespace {

// Positions where a character of `name` starts, as one walk from the front
// finds them (a lead byte takes the next byte with it, unless it is last).
std::vector<bool> CharacterStarts(std::string_view name) {
  std::vector<bool> starts(name.size() + 1, false);
  std::size_t i = 0;
  while (i < name.size()) {
    starts[i] = true;
    i += plomix::text::IsLeadByte(static_cast<uint8_t>(name[i])) && i + 1 < name.size() ? 2 : 1;
  }
  starts[name.size()] = true;
  return starts;
}

class Reference {
 public:
  Reference(std::string_view pattern, std::string_view name)
      : pattern_(pattern),
        name_(name),
        starts_(CharacterStarts(name)),
        memo_((pattern.size() + 1) * (name.size() + 1) * 2, -1) {}

  // "*" any run of bytes, "?" one byte, any other byte itself; a literal
  // byte that is the first after a run of wildcards holding a "*" must start
  // a character of the name.
  bool Match(std::size_t p, std::size_t n, bool afterStar) {
    int8_t& memo = memo_[(p * (name_.size() + 1) + n) * 2 + (afterStar ? 1 : 0)];
    if (memo < 0) memo = Compute(p, n, afterStar) ? 1 : 0;
    return memo == 1;
  }

 private:
  bool Compute(std::size_t p, std::size_t n, bool afterStar) {
    if (p == pattern_.size()) return n == name_.size();
    const char c = pattern_[p];
    if (c == '*') {
      for (std::size_t k = n; k <= name_.size(); ++k) {
        if (Match(p + 1, k, true)) return true;
      }
      return false;
    }
    if (c == '?') return n < name_.size() && Match(p + 1, n + 1, afterStar);
    if (n >= name_.size() || name_[n] != c) return false;
    if (afterStar && !starts_[n]) return false;
    return Match(p + 1, n + 1, false);
  }

  std::string_view pattern_, name_;
  std::vector<bool> starts_;
  std::vector<int8_t> memo_;
};

bool ReferenceMatch(std::string_view pattern, std::string_view name, bool partial) {
  if (name.empty()) return false;
  if (partial) {
    const std::vector<bool> starts = CharacterStarts(name);
    for (std::size_t p = 0; p + pattern.size() <= name.size(); ++p) {
      if (starts[p] && name.compare(p, pattern.size(), pattern) == 0) return true;
    }
    return false;
  }
  return Reference(pattern, name).Match(0, 0, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool partial = (data[0] & 1) != 0;
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string_view pattern = rest.substr(0, std::min<std::size_t>(data[1], rest.size()));
  const std::string_view name = rest.substr(pattern.size());
  if (pattern.size() > 64 || name.size() > 256) return 0;
  const bool got = plomix::MatchNamePattern(pattern, name, partial);
  if (got != ReferenceMatch(pattern, name, partial)) {
    std::fprintf(stderr, "matcher says %d for pattern of %zu bytes, name of %zu bytes\n", got,
                 pattern.size(), name.size());
    std::abort();
  }
  return 0;
}
