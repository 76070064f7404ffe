#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "search/NameMatcher.h"

namespace plomix {
namespace {

using test::Sj;

struct PatternCase {
  std::string pattern;
  std::string name;
  bool partial;
  bool expected;
};

TEST(MatchNamePattern, PatternTable) {
  const std::string kanji = Sj("データ");  // three two-byte characters
  const PatternCase cases[] = {
      {"*.txt", "a.txt", false, true},
      {"*.txt", "a.txt.bak", false, false},
      {"*.txt", ".txt", false, true},
      {"*abc", "abcxabc", false, true},  // a later occurrence that ends the name
      {"*s", "process", false, true},
      {"*a?c", "xabdabc", false, true},  // the first "a" leads nowhere, the second does
      {"*a?", "xaay", false, true},
      {"*abc", "xxabc", false, true},
      {"*", "x", false, true},
      {"*", "", false, false},  // an empty name never matches
      {"???", "abc", false, true},
      {"???", "ab", false, false},
      {"???", "abcd", false, false},
      {"???", Sj("デ") + "x", false, true},  // one two-byte character and one byte
      {"??", Sj("デ"), false, true},
      {"?", Sj("デ"), false, false},
      {"Report", "Report", false, true},
      {"Report", "Report.doc", false, false},
      {"Report", "report", false, false},
      // endings of a continued match
      {"*ab*", "xab", false, true},  // a final "*" accepts the empty remainder
      {"*ab*", "xabcd", false, true},
      {"*ab?", "xab", false, false},  // a final "?" needs exactly one more byte
      {"*ab?", "xabc", false, true},
      {"*ab?", "xabcd", false, false},
      {"?ab", "xab", false, true},
      {"?ab", "xabz", false, false},  // a final literal must end the name
      {"?ab*", "xab", false, true},
      {"?ab?", "xabYYY", false, false},
      {"*a?c", "xabd", false, false},  // the bytes after the literal still count
      {"*a?c", "xabc", false, true},
      {"?*abc", "abc", false, false},  // the "?" before the literal needs its byte
      {"?*abc", "xabc", false, true},
      {"??*", "a", false, false},
      {"??*", "ab", false, true},
      {"a*b*c", "aXbYc", false, true},
      {"a*b*c", "aXcYb", false, false},
      // a literal after "*" never starts on the second byte of a character:
      // "ー" is 0x81 0x5B and 0x5B is "[" on its own
      {"*[", Sj("ー"), false, false},
      {"*[", Sj("ー") + "[", false, true},
      // partial: substring, wildcards are plain bytes
      {"abc", "xxabcxx", true, true},
      {"abc", "ab", true, false},
      {"a*c", "abc", true, false},
      {"a*c", "xa*cx", true, true},
      {"[", Sj("ー"), true, false},
      {Sj("ータ"), kanji, true, true},
      {"", "", true, false},
  };
  for (const PatternCase& c : cases) {
    EXPECT_EQ(MatchNamePattern(c.pattern, c.name, c.partial), c.expected)
        << "pattern '" << c.pattern << "' name '" << c.name << "' partial " << c.partial;
  }
}

TEST(MatchNamePattern, HostilePatternsAnswerQuickly) {
  const std::string longName(512, 'a');
  const struct {
    std::string pattern;
    std::string name;
    bool expected;
  } cases[] = {
      {std::string(255, '*'), longName, true},
      {std::string(255, '*') + "b", longName, false},
      {std::string(255, '?'), longName, false},
      {std::string(512, '?'), longName, true},
      {std::string(100, '*') + std::string(100, 'a') + std::string(100, '*') + "b", longName,
       false},
      {"\x83", "\x83", true},  // a lone lead byte is an ordinary literal
      {"*\x83", "a\x83", true},
      {"\x83*", "\x83", true},
      {"*\x83?", "\x83", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchNamePattern(c.pattern, c.name, false), c.expected);
}

}  // namespace
}  // namespace plomix
