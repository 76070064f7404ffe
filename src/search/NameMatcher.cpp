#include "search/NameMatcher.h"

#include <vector>

#include "core/Text.h"

namespace plomix {

namespace {

bool IsWildcard(char c) {
  return c == '*' || c == '?';
}

// A run of wildcards followed by a literal (empty only at the pattern's end).
struct Segment {
  bool star = false;
  std::size_t singles = 0;
  std::string_view literal;
};

// Fills `segments` (reused between calls: a search matches every record).
void SplitPattern(std::string_view pattern, std::vector<Segment>& segments) {
  segments.clear();
  std::size_t pi = 0;
  while (pi < pattern.size()) {
    Segment seg;
    for (; pi < pattern.size() && IsWildcard(pattern[pi]); ++pi) {
      if (pattern[pi] == '*')
        seg.star = true;
      else
        ++seg.singles;
    }
    const std::size_t start = pi;
    while (pi < pattern.size() && !IsWildcard(pattern[pi])) ++pi;
    seg.literal = pattern.substr(start, pi - start);
    segments.push_back(seg);
  }
}

}  // namespace

bool MatchNamePattern(std::string_view pattern, std::string_view name, bool partial) {
  if (name.empty()) return false;
  if (partial) return text::FindText(name, pattern) != std::string_view::npos;
  if (pattern.find_first_of("*?") == std::string_view::npos) return pattern == name;

  thread_local std::vector<Segment> segments;
  SplitPattern(pattern, segments);
  // Only the latest "*" ever needs another try: moving an earlier one further
  // right could only push every later literal further right too.
  std::size_t i = 0;
  std::size_t ni = 0;
  std::size_t retrySegment = segments.size();
  std::size_t retryFound = 0;
  for (;;) {
    bool failed = false;
    if (i == segments.size()) {
      if (ni == name.size()) return true;
      failed = true;
    } else {
      const Segment& seg = segments[i];
      const std::size_t remaining = name.size() - ni;
      if (seg.literal.empty()) {  // the pattern ends in wildcards
        if (seg.star ? remaining >= seg.singles : remaining == seg.singles) return true;
        failed = true;
      } else if (seg.star) {
        // A literal after "*" starts on a character of the whole name, never
        // on the second byte of a two-byte character.
        const std::size_t found = text::FindText(name, seg.literal, ni + seg.singles);
        if (found == std::string_view::npos || ni + seg.singles > name.size()) return false;
        retrySegment = i;
        retryFound = found;
        ni = found + seg.literal.size();
        ++i;
      } else if (remaining >= seg.singles + seg.literal.size() &&
                 name.compare(ni + seg.singles, seg.literal.size(), seg.literal) == 0) {
        ni += seg.singles + seg.literal.size();
        ++i;
      } else {
        failed = true;
      }
    }
    if (!failed) continue;
    if (retrySegment == segments.size()) return false;
    // Try the latest "*" literal at its next occurrence.
    const Segment& seg = segments[retrySegment];
    const std::size_t found = text::FindText(name, seg.literal, retryFound + 1);
    if (found == std::string_view::npos) return false;
    retryFound = found;
    ni = found + seg.literal.size();
    i = retrySegment + 1;
  }
}

}  // namespace plomix
