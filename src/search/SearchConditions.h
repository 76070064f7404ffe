#pragma once
// The conditions of a file search, filled completely by the search dialog (or
// the command line) before every run. Pattern and comment texts are CP932.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plomix {

// The five conditions a record can be tested for one at a time.
enum class SearchConditionKind { Mark, Name, Size, Date, Comment };

struct SearchConditions {
  bool markEnabled = false;  // only records whose mark is set

  bool nameEnabled = false;
  std::string namePattern;   // as typed; wildcards "*" and "?" unless partial
  std::string namePattern2;  // second pattern, used only with namePartial
  bool nameCaseSensitive = false;
  bool namePartial = false;     // substring search, no wildcards
  bool nameCombineAnd = false;  // the two partial patterns: true AND, false OR
  // The patterns as typed (UTF-8), matched against the names the catalogue
  // keeps exactly (those CP932 cannot hold), on their shown form: "?" is one
  // character there, "*" any run. Empty: taken from the CP932 patterns.
  std::string nameNative, nameNative2;
  // False when CP932 cannot hold the pattern: a '?' put in for a character it
  // lacks would match any byte, so the pattern then meets exact names only.
  bool nameCp932Exact = true, nameCp932Exact2 = true;

  // Whole bytes, both bounds inclusive, over the full range of 64-bit sizes
  // (files and folder totals of many gigabytes); no upper bound when empty.
  bool sizeEnabled = false;
  int64_t sizeMin = 0;
  std::optional<int64_t> sizeMax;

  bool dateEnabled = false;
  uint32_t dateFrom = 0;  // packed DOS date-times, both bounds inclusive
  uint32_t dateTo = 0;

  bool commentEnabled = false;
  bool commentSubstring = false;  // false: any comment; true: must contain commentPattern
  std::string commentPattern;     // compared lower-cased unless commentCaseSensitive
  bool commentCaseSensitive = false;
  bool commentCombineAnd = true;  // with all other conditions: true AND, false OR

  // Both gate only the name, size and date conditions: with foldersOnly just
  // folders take part, else files and (with includeFolders) folders and media.
  bool foldersOnly = false;
  bool includeFolders = false;
};

// Whether a stored size (a double, as the catalogue keeps it) lies within the
// whole-byte bounds, compared exactly at any magnitude.
bool SizeWithin(double size, int64_t min, const std::optional<int64_t>& max);

// Fills the name patterns from what the user typed (UTF-8): the CP932 forms,
// the native forms and whether CP932 holds them.
void SetNamePatterns(SearchConditions& conditions, std::string_view utf8,
                     std::string_view utf8Second = {});

}  // namespace plomix
