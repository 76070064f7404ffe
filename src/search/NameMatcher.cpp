#include "search/NameMatcher.h"

#include "core/Text.h"

namespace plomix {

namespace {

bool IsWildcard(char c) { return c == '*' || c == '?'; }

}  // namespace

bool MatchNamePattern(std::string_view pattern, std::string_view name, bool partial) {
  if (name.empty()) return false;
  if (partial) return text::FindText(name, pattern) != std::string_view::npos;
  if (pattern.find_first_of("*?") == std::string_view::npos) return pattern == name;

  std::size_t pi = 0;  // next pattern byte
  std::size_t ni = 0;  // next name byte
  for (;;) {
    bool star = false;
    std::size_t singles = 0;
    for (; pi < pattern.size() && IsWildcard(pattern[pi]); ++pi) {
      if (pattern[pi] == '*')
        star = true;
      else
        ++singles;
    }
    const std::size_t literalStart = pi;
    while (pi < pattern.size() && !IsWildcard(pattern[pi])) ++pi;
    const std::string_view literal = pattern.substr(literalStart, pi - literalStart);

    if (name.size() - ni < singles) return false;
    if (literal.empty()) return star || ni + singles == name.size();
    if (star) {
      // Boundaries are those of the whole name, so a literal never starts on
      // a trail byte even when the "?"s before it ended in the middle of a
      // two-byte character.
      const std::size_t found = text::FindText(name, literal, ni + singles);
      if (found == std::string_view::npos) return false;
      ni = found + literal.size();
    } else {
      if (name.compare(ni + singles, literal.size(), literal) != 0) return false;
      ni += singles + literal.size();
    }
    if (pi == pattern.size()) return ni == name.size();
  }
}

}  // namespace plomix
