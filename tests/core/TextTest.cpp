#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/Text.h"
#include "support/TestSupport.h"

namespace plomix::text {
namespace {

using test::Sj;
constexpr auto npos = std::string_view::npos;

std::string Bytes(std::initializer_list<uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(TextConversion, Utf8ToCp932) {
  struct Case {
    const char* utf8;
    std::string cp932;
  } cases[] = {
      {"", ""},
      {"Readme.txt", "Readme.txt"},
      {"日本語", Bytes({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA})},
      {"ｱｲｳ", Bytes({0xB1, 0xB2, 0xB3})},
      {"～", Bytes({0x81, 0x60})},  // U+FF5E, the code page's own wave dash
      {"\\", Bytes({0x5C})},
      {"Ⅰ№㈱", Bytes({0x87, 0x54, 0x87, 0x82, 0x87, 0x8A})},  // NEC row 13
      {"café", "caf?"},
      {"〜", "?"},  // U+301C has no round-trip code: no look-alike substitute
      {"¥", "?"},
      {"a😀b", "a?b"},
      {"a\xFFz", "a?z"},    // invalid UTF-8
      {"x\xE6\x97", "x?"},  // cut in the middle of a character
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932) << c.utf8;
  const std::string withNul("日\0本", 7);
  EXPECT_EQ(Utf8ToCp932(withNul), Sj("日") + std::string(1, '\0') + Sj("本"));
}

TEST(TextConversion, Cp932ToUtf8) {
  struct Case {
    std::string cp932;
    const char* utf8;
  } cases[] = {
      {"", ""},
      {Bytes({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA}), "日本語"},
      {Bytes({0xB1, 0xB2, 0xB3}), "ｱｲｳ"},
      {Bytes({0x83, 0x5C, 0x5C}), "ソ\\"},  // 0x5C as trail byte and as a character
      {Bytes({0x82}), "\uFFFD"},            // lone lead byte at the end
      {Bytes({0x61, 0x80, 0x62}), "a\uFFFDb"},
      {Bytes({0x82, 0x20}), "\uFFFD "},
  };
  for (const Case& c : cases) EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8) << c.utf8;
}

// The ASCII fast path and the converter must agree: every ASCII code is
// itself, alone and next to a two-byte character, in both directions.
TEST(TextConversion, AsciiMapsToItselfInEveryContext) {
  const std::string kanji = Sj("日");
  for (int c = 0; c < 0x80; ++c) {
    const std::string ascii(1, static_cast<char>(c));
    EXPECT_EQ(Cp932ToUtf8(ascii), ascii) << c;
    EXPECT_EQ(Cp932ToUtf8(kanji + ascii), "日" + ascii) << c;
    EXPECT_EQ(Utf8ToCp932(ascii), ascii) << c;
    EXPECT_EQ(Utf8ToCp932("日" + ascii), kanji + ascii) << c;
    EXPECT_EQ(QStringToCp932(Cp932ToQString(kanji + ascii)), kanji + ascii) << c;
  }
}

TEST(TextConversion, QStringRoundTrip) {
  const char* texts[] = {"plain.txt", "日本語のファイル名.doc", "ﾊﾝｶｸ ｶﾅ", "①②Ⅲ"};
  for (const char* utf8 : texts) {
    const QString text = QString::fromUtf8(utf8);
    EXPECT_EQ(Cp932ToQString(Sj(utf8)), text) << utf8;
    EXPECT_EQ(QStringToCp932(text), Sj(utf8)) << utf8;
  }
  EXPECT_EQ(QStringToCp932(QString(QChar(0xD800)) + "a"), "?a");  // lone surrogate
}

TEST(TextCompare, CompareAnsi) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"abc", "abc", 0},
      {"a", "b", -1},
      {"a", "A", -1},  // lower case first
      {"B", "a", 1},
      {"Zeta", "alpha", 1},  // not byte order
      {"9", "10", 1},
      {"a.txt", "ab.txt", -1},
      {"", "a", -1},
      {"カ", "が", -1},
      {"あ", "い", -1},
      {"日本", "日本語", -1},
      {"file", "ファイル", -1},
  };
  for (const Case& c : cases) {
    const std::string a = Sj(c.a), b = Sj(c.b);
    const int forward = CompareAnsi(a, b);
    EXPECT_EQ((forward > 0) - (forward < 0), c.sign) << c.a << " / " << c.b;
    const int backward = CompareAnsi(b, a);
    EXPECT_EQ((backward > 0) - (backward < 0), -c.sign) << c.a << " / " << c.b;
  }
}

// Sorting by collation keys gives the order of CompareAnsi: keys that differ
// order their texts alike, equal keys leave the texts to the byte tie-break.
TEST(TextCompare, CollationKeysOrderAsCompareAnsi) {
  const char* texts[] = {"abc",
                         "ABC",
                         "Abc",
                         "ａｂｃ",
                         "あ",
                         "ア",
                         "ｱ",
                         "a_b",
                         "a-b",
                         "a",
                         "",
                         "ab",
                         "9",
                         "10",
                         "日本",
                         "日本語",
                         "カ",
                         "が",
                         "\x01",
                         "a b",
                         "ab.txt",
                         "a.txt",
                         "2022/05/05(木) 12:00_b.jpg",
                         "2022/05/05(水) 12:00_a.jpg"};
  for (const char* x : texts) {
    for (const char* y : texts) {
      const std::string a = Sj(x), b = Sj(y);
      const int keys = CompareAnsiKey(a).compare(CompareAnsiKey(b));
      const int direct = CompareAnsi(a, b);
      if (keys != 0)
        EXPECT_EQ(keys < 0, direct < 0) << x << " / " << y;
      else
        EXPECT_EQ((direct > 0) - (direct < 0), (a > b) - (a < b)) << x << " / " << y;
    }
  }
}

// Texts the collator ranks equal still get a fixed order, and the
// case-insensitive comparison calls two texts equal exactly when they
// lower-case to the same bytes (the analysis hashes lower-cased keys).
TEST(TextCompare, EqualityMatchesBytes) {
  const char* texts[] = {"abc", "ABC", "Abc", "ａｂｃ", "ＡＢＣ", "あ",  "ア",   "ｱ",
                         "ΑΒΓ", "αβγ", "АБВ", "абв",    "a_b",    "a-b", "\x01", "\x02"};
  for (const char* x : texts) {
    for (const char* y : texts) {
      const std::string a = Sj(x), b = Sj(y);
      EXPECT_EQ(CompareAnsi(a, b) == 0, a == b) << x << " / " << y;
      EXPECT_EQ(CompareAnsiText(a, b) == 0, AnsiLower(a) == AnsiLower(b)) << x << " / " << y;
      EXPECT_EQ(CompareAnsiText(a, b) > 0, CompareAnsiText(b, a) < 0) << x << " / " << y;
    }
  }
  EXPECT_EQ(CompareAnsiText(Sj("Read Me.TXT"), Sj("read me.txt")), 0);
  EXPECT_EQ(CompareAnsiText(Sj("ＦＩＬＥαБ"), Sj("ｆｉｌｅΑб")), 0);
  EXPECT_LT(CompareAnsiText(Sj("apple"), Sj("Banana")), 0);
  EXPECT_GT(CompareAnsiText(Sj("B"), Sj("a")), 0);
}

TEST(TextCompare, SafeFromSeveralThreads) {
  const std::string a = Sj("日本語ファイル"), b = Sj("日本語フォルダ");
  const int expectedCompare = CompareAnsi(a, b);
  const std::string expectedUtf8 = Cp932ToUtf8(a);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (CompareAnsi(a, b) != expectedCompare || Cp932ToUtf8(a) != expectedUtf8 ||
            Utf8ToCp932(expectedUtf8) != a || CompareAnsiText(a, AnsiUpper(a)) != 0) {
          ++failures[static_cast<std::size_t>(t)];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

TEST(TextCase, UpperAndLowerKeepBytePositions) {
  struct Case {
    std::string text;
    std::string upper;
    std::string lower;
  } cases[] = {
      {"Read_Me-1.txt", "READ_ME-1.TXT", "read_me-1.txt"},
      {Sj("ａＢｃ"), Sj("ＡＢＣ"), Sj("ａｂｃ")},
      {Sj("αΒγ"), Sj("ΑΒΓ"), Sj("αβγ")},
      {Sj("аБв"), Sj("АБВ"), Sj("абв")},
      {Sj("ｱｲｳ日本"), Sj("ｱｲｳ日本"), Sj("ｱｲｳ日本")},
      // Trail bytes that look like ASCII letters stay: ア is 83 41, ノ 83 6D.
      {Sj("アノx"), Sj("アノX"), Sj("アノx")},
      {Bytes({0x82, 0x61}), Bytes({0x82, 0x61}), Bytes({0x82, 0x82})},  // Ｂ -> ｂ
      {Bytes({'a', 0x82}), Bytes({'A', 0x82}), Bytes({'a', 0x82})},     // lone lead at the end
      {Bytes({0x82, 0x20, 'a'}), Bytes({0x82, 0x20, 'A'}), Bytes({0x82, 0x20, 'a'})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnsiUpper(c.text), c.upper) << Cp932ToUtf8(c.text);
    EXPECT_EQ(AnsiLower(c.text), c.lower) << Cp932ToUtf8(c.text);
  }
}

TEST(TextBytes, LeadBytesCutsAndCounts) {
  struct Lead {
    uint8_t byte;
    bool lead;
  } leads[] = {{0x41, false}, {0x5C, false}, {0x80, false}, {0x81, true},
               {0x9F, true},  {0xA0, false}, {0xB1, false}, {0xDF, false},
               {0xE0, true},  {0xFC, true},  {0xFD, false}, {0xFF, false}};
  for (const Lead& l : leads) EXPECT_EQ(IsLeadByte(l.byte), l.lead) << int{l.byte};

  const std::string nihon = Sj("日本");
  EXPECT_EQ(CutBytes("abc", 2), "ab");
  EXPECT_EQ(CutBytes("abc", 10), "abc");
  EXPECT_EQ(CutBytes(nihon, 3), nihon.substr(0, 3));  // may split a character
  EXPECT_EQ(CutBytes("", 5), "");

  struct Count {
    std::string text;
    std::size_t chars;
  } counts[] = {{"", 0}, {"abc", 3}, {Sj("日本語"), 3}, {Sj("aｱ日"), 3}, {Bytes({'a', 0x82}), 2}};
  for (const Count& c : counts) EXPECT_EQ(CharCount(c.text), c.chars) << c.text;
}

TEST(TextBytes, FindTextNeverStartsOnATrailByte) {
  struct Case {
    std::string haystack;
    std::string needle;
    std::size_t from;
    std::size_t found;
  } cases[] = {
      {"abcabc", "bc", 0, 1},
      {"abcabc", "bc", 2, 4},
      {"abc", "x", 0, npos},
      {"ab", "abc", 0, npos},
      {"abc", "", 1, 1},
      {"abc", "", 3, 3},
      {"abc", "", 4, npos},
      {"abc", "a", 4, npos},
      {Sj("ソ\\"), "\\", 0, 2},  // ソ is 83 5C
      {Sj("アA"), "A", 0, 2},    // ア is 83 41
      {Sj("アA"), "A", 1, 2},    // starting inside a character
      {Sj("ア"), "A", 0, npos},
      {Sj("電dd"), "dd", 0, 2},  // 電 is 93 64
      {Sj("日本語"), Sj("本"), 0, 2},
      {Sj("日本語"), Sj("本"), 3, npos},
      {Bytes({'a', 0x82}), Bytes({0x82}), 0, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.haystack, c.needle, c.from), c.found)
        << Cp932ToUtf8(c.haystack) << " / " << Cp932ToUtf8(c.needle) << " from " << c.from;
  }
}

}  // namespace
}  // namespace plomix::text
