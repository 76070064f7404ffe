#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "analysis/AnalysisFixture.h"
#include "analysis/NameAnalysis.h"
#include "analysis/ResultStore.h"
#include "core/Text.h"

namespace plomix {
namespace {

using test::Entry;
using test::Sj;

TEST(ElfHashTest, MatchesTheElfStringHash) {
  struct Case {
    std::string bytes;
    uint32_t hash;
    uint32_t bucket;
  };
  const Case cases[] = {
      {"", 0, 0},
      {"a", 97, 0},
      {"a.txt", 6577140, 82},
      {"report.doc", 110282531, 1378},
      {"img_0012.jpg", 71869271, 898},
      {Sj("データ"), 144601998, 1807},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ElfHash(c.bytes), c.hash) << c.bytes;
    EXPECT_EQ(BucketOf(c.bytes), c.bucket) << c.bytes;
  }
  EXPECT_LT(ElfHash(std::string(300, '\xFF')), 1u << 28);
}

TEST(ResultKeyTest, KeysStayUniqueBeyondAMillionRecords) {
  struct Case {
    int slot;
    int32_t record;
    int32_t key;
  };
  const Case cases[] = {
      {0, 5, 5},
      {1, 0, 1000000},
      {1999, 999999, 1999999999},
      {0, 1000000, -2},  // would otherwise be slot 1's media key
      {0, 1000001, -3},
      {1999, 1999999, -2000000001},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResultKey(c.slot, c.record), c.key);
    int slot = -1;
    int32_t record = -1;
    ASSERT_TRUE(SplitResultKey(c.key, slot, record)) << c.key;
    EXPECT_EQ(slot, c.slot);
    EXPECT_EQ(record, c.record);
  }
  int slot = 0;
  int32_t record = 0;
  EXPECT_FALSE(SplitResultKey(-1, slot, record));
  EXPECT_THROW(ResultKey(0, kMaxRecords), std::out_of_range);
  EXPECT_EQ(ClampResultSize(6000000000.0), 4294967295u);
  EXPECT_EQ(ClampResultSize(-5), 0u);
  EXPECT_EQ(ClampResultSize(1234.6), 1235u);
}

TEST(SplitNameKeysTest, WordsOfNames) {
  KeyDelimiters d;
  d.SetKeyDelimiters(Sj(" _-.()[]　、，・（）【】「」"));
  EXPECT_EQ(d.Count(), 18);
  struct Case {
    const char* name;
    int kind;
    std::vector<const char*> words;
  };
  const Case cases[] = {
      {"IMG_0012 (2).JPG", kKindFile, {"IMG", "0012", "2"}},
      {"旅行【京都】写真.png", kKindFile, {"旅行", "京都", "写真"}},
      {"report.final.doc", kKindFile, {"report", "final"}},
      {"a.b.c.txt", kKindFile, {"a", "b", "c"}},
      {".profile", kKindFile, {}},
      {"notes", kKindFile, {"notes"}},
      {"【重要】報告書.doc", kKindFile, {"重要", "報告書"}},
      {"()[]", kKindFile, {}},
      {"foo_foo.txt", kKindFile, {"foo", "foo"}},
      // "ー" ends in the byte of "[": only whole characters delimit.
      {"データ_ソース.txt", kKindFile, {"データ", "ソース"}},
      {"my.dir", kKindFolder, {"my", "dir"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected;
    for (const char* w : c.words) expected.push_back(Sj(w));
    EXPECT_EQ(d.SplitNameKeys(Sj(c.name), c.kind), expected) << c.name;
  }
  KeyDelimiters none;
  none.SetKeyDelimiters("");
  EXPECT_EQ(none.SplitNameKeys("a b.txt", kKindFile), std::vector<std::string>{"a b.txt"});
}

TEST(SplitNameKeysTest, DelimiterTextKeepsItsFirst25Characters) {
  KeyDelimiters d;
  // 25 characters, then "x" and "y", which must not delimit.
  d.SetKeyDelimiters(Sj("、") + "abcdefghijklmnopqrstuvw" + Sj("・") + "xy");
  EXPECT_EQ(d.Count(), KeyDelimiters::kMaxDelimiters);
  EXPECT_EQ(d.Chars().back(), Sj("・"));
  EXPECT_EQ(d.SplitNameKeys(Sj("1x2・3a4"), kKindFolder),
            (std::vector<std::string>{"1x2", "3", "4"}));
  std::string many;
  for (int i = 0; i < 300; ++i) many += "w ";
  d.SetKeyDelimiters(" ");
  EXPECT_EQ(d.SplitNameKeys(many, kKindFolder).size(), 257u);
}

// The writer's group order must be exactly the case-insensitive collation
// that lookups use, or a binary search would miss groups.
TEST(NameAnalysisTest, GroupsComeInCaseInsensitiveCollationOrder) {
  test::TempDir dir;
  Catalog catalog;
  test::CreateTestCatalog(catalog, dir);
  const char* names[] = {"b.txt",  "B2.txt", "a.txt",  "Ａ.txt", "あ.txt",     "ア.txt",   "ｱ.txt",
                         "10.txt", "9.txt",  "_x.txt", "-x.txt", "データ.txt", "漢字.txt", "Ω.txt",
                         "ω2.txt", "Zz",     "zZ1",    "a b",    "ab",         "a-b"};
  std::vector<Entry> entries;
  for (const char* n : names) entries.push_back({n});
  test::AddTestMedia(catalog, "M1", entries);
  test::AddTestMedia(catalog, "M2", entries);

  DupResultStore store(&catalog);
  store.SetDupPath(catalog.CatalogPath());
  store.Search().RunNameAnalysis(catalog);
  store.WriteDupFile();
  const std::vector<uint8_t> bytes = test::ReadFileBytes(store.Path());
  const int32_t groups = static_cast<int32_t>(std::size(names));
  ASSERT_EQ(bytes.size(), 21u + 116u * 3u * groups);
  std::vector<std::string> heads;
  for (int32_t k = 0; k < groups; ++k) {
    ResultRecord rec;
    rec.CopyFrom(0, &bytes[21 + 116 * (2 * groups + k)], 116);
    heads.push_back(rec.Name());
  }
  for (std::size_t i = 1; i < heads.size(); ++i)
    EXPECT_LT(text::CompareAnsiText(heads[i - 1], heads[i]), 0)
        << text::Cp932ToUtf8(heads[i - 1]) << " / " << text::Cp932ToUtf8(heads[i]);
}

}  // namespace
}  // namespace plomix

namespace plomix {
namespace {

// Both modes against a plain reference over names built from a small set of
// parts (letter case, kana, full-width letters, delimiters, repeats), so that
// most words and names meet several times.
TEST(NameAnalysisTest, GroupsMatchAPlainReference) {
  const char* parts[] = {"img",  "IMG", "Img", "_",  " ", "-",    ".",  "データ", "ﾃﾞｰﾀ", "ＡＢ",
                         "ａｂ", "x",   "X",   "01", "1", "旅行", "【", "】",     "a.b",  "long"};
  std::mt19937 rng(11);
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) {
    std::string name;
    const int n = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < n; ++k) name += Sj(parts[rng() % std::size(parts)]);
    name += rng() % 2 ? ".txt" : ".JPG";
    if (rng() % 50 == 0) name += std::string(100, 'q');  // a long name now and then
    names.push_back(name);
  }
  test::TempDir dir;
  Catalog catalog;
  test::CreateTestCatalog(catalog, dir);
  for (int m = 0; m < 4; ++m) {
    std::vector<TRecord> records = test::MediaRecords("M", {});
    records[0].Name = "M" + std::to_string(m);
    for (int i = m * 100; i < m * 100 + 100; ++i) {
      TRecord r;
      r.Parent = 0;
      r.Kind = kKindFile;
      r.Attr = kAttrArchive;
      r.Name = names[i];
      records.push_back(r);
    }
    TMediaInfomation info;
    ASSERT_TRUE(catalog.AddMedia(records, info));
  }

  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar}) {
    const bool dup = mode == AnalysisMode::Duplicate;
    KeyDelimiters delimiters;
    delimiters.SetKeyDelimiters(dup ? "" : Sj(" _-.()[]　、，・（）【】「」"));
    // key (lower-cased) -> files (key number) in the order met
    std::map<std::string, std::vector<int32_t>> reference;
    for (int i = 0; i < 400; ++i) {
      std::set<std::string> seen;
      for (const std::string& word : delimiters.SplitNameKeys(names[i], kKindFile)) {
        const std::string lower = text::AnsiLower(word);
        if (seen.insert(lower).second) reference[lower].push_back(MakeKey(i / 100, i % 100 + 1));
      }
    }
    std::vector<std::pair<std::string, std::vector<int32_t>>> groups;
    for (auto& [key, files] : reference)
      if (files.size() >= 2) groups.emplace_back(key, files);
    std::sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
      return text::CompareAnsiText(a.first, b.first) < 0;
    });

    NameAnalysis analysis(mode);
    analysis.Delimiters() = delimiters;
    analysis.RunNameAnalysis(catalog);
    analysis.Sort();
    std::size_t g = 0;
    analysis.ForEachGroup([&](const ResultFileEntry& head, const std::vector<ResultFileEntry>& e) {
      ASSERT_LT(g, groups.size());
      const auto& [key, files] = groups[g++];
      EXPECT_EQ(text::AnsiLower(std::string(head.name)), key);
      EXPECT_EQ(head.key, files.front());  // the first occurrence
      std::vector<int32_t> got;
      for (const ResultFileEntry& entry : e) got.push_back(entry.key);
      if (dup) {
        EXPECT_EQ(got, files) << text::Cp932ToUtf8(key);
      } else {
        EXPECT_TRUE(std::is_permutation(got.begin(), got.end(), files.begin(), files.end()));
        for (std::size_t i = 1; i < e.size(); ++i)
          EXPECT_LE(text::CompareAnsiText(e[i - 1].name, e[i].name), 0);
      }
    });
    EXPECT_EQ(g, groups.size()) << static_cast<int>(mode);
  }
}

}  // namespace
}  // namespace plomix
