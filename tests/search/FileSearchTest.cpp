#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/TypeNames.h"
#include "search/FileSearch.h"

namespace plomix {
namespace {

using test::MakeEntry;
using test::Sj;

constexpr double kFiveGiB = 5.0 * 1024 * 1024 * 1024;

int32_t Date(int y, int mo, int d, int h = 0, int mi = 0) {
  return PackDosDateTime({y, mo, d, h, mi, 0});
}

const std::string kLongName = std::string(100, 'L') + ".txt";

// Media "M1": records 1-5 in the root, 6-10 in Docs.
class FileSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
    std::vector<TRecord> recs = {
        MakeEntry(-1, 1, kKindFixed, "M1", kFiveGiB + 2317),
        MakeEntry(0, -1, kKindFile, "ABC.TXT", 2000, Date(2020, 1, 2)),
        MakeEntry(0, 6, kKindFolder, "Docs", kFiveGiB + 17, Date(2020, 1, 1)),
        MakeEntry(0, -1, kKindFolder, "Report", 0, Date(2020, 1, 1)),
        MakeEntry(0, -1, kKindFile, "a.txt", 100, Date(2021, 6, 7, 8, 9)),
        MakeEntry(0, -1, kKindFile, "a.txt.bak", 0, Date(2021, 6, 7, 8, 10)),
        MakeEntry(2, -1, kKindFile, "Report", 10),
        MakeEntry(2, -1, kKindFile, "abcxabc", 7),
        MakeEntry(2, -1, kKindFile, "big.iso", kFiveGiB),
        MakeEntry(2, -1, kKindFile, kLongName, 0),
        MakeEntry(2, -1, kKindFile, Sj("データ.txt"), 0),
    };
    TMediaInfomation info;
    info.Category = "cat";
    info.Location = "shelf";
    ASSERT_TRUE(catalog.AddMedia(recs, info));
    catalog.SetMark(Catalog::MarkChange::Set, MakeKey(0, 4));
    catalog.SetCommentLink(catalog.AddComment(MakeKey(0, 4), "Hello World", 10, "a.txt"),
                           MakeKey(0, 4));
    // Kept exactly: its CP932 form ends in '?'.
    catalog.SetCommentLink(
        catalog.AddCommentText(MakeKey(0, 3), "folder note caf\xC3\xA9", 8, "Report"),
        MakeKey(0, 3));
  }

  std::vector<std::string> Run(const SearchConditions& c, std::vector<int> media = {0}) {
    FileSearch search(catalog);
    search.SetConditions(c);
    search.SetSearchMediaList(std::move(media));
    search.RunFileSearch();
    std::vector<std::string> names;
    for (const TRecord& hit : search.SearchRecs()) names.push_back(hit.Name);
    // A run that only counts finds as many.
    search.SetCountOnly(true);
    search.RunFileSearch();
    EXPECT_EQ(search.SearchCount(), static_cast<int>(names.size()));
    EXPECT_TRUE(search.SearchRecs().empty());
    return names;
  }

  test::TempDir dir;
  Catalog catalog;
};

SearchConditions Name(const std::string& pattern, bool caseSensitive = false) {
  SearchConditions c;
  c.nameEnabled = true;
  c.namePattern = pattern;
  c.nameCaseSensitive = caseSensitive;
  return c;
}

using Names = std::vector<std::string>;
const Names kAll = {"M1",     "ABC.TXT", "Docs",    "Report",  "a.txt",         "a.txt.bak",
                    "Report", "abcxabc", "big.iso", kLongName, Sj("データ.txt")};

TEST_F(FileSearchTest, ConditionTable) {
  struct Case {
    const char* what;
    SearchConditions conditions;
    Names expected;
  };
  std::vector<Case> cases;
  cases.push_back(
      {"wildcard, any case", Name("*.txt"), {"ABC.TXT", "a.txt", kLongName, Sj("データ.txt")}});
  cases.push_back(
      {"wildcard, case-sensitive", Name("*.txt", true), {"a.txt", kLongName, Sj("データ.txt")}});
  cases.push_back({"full-width pattern folds alike", Name(Sj("データ.TXT")), {Sj("データ.txt")}});
  cases.push_back({"exact name, files only", Name("report"), {"Report"}});
  {
    SearchConditions c = Name("report");
    c.includeFolders = true;
    cases.push_back({"exact name, folders too", c, {"Report", "Report"}});
    c.foldersOnly = true;
    cases.push_back({"exact name, folders only", c, {"Report"}});
  }
  {
    SearchConditions c = Name("*");
    c.includeFolders = true;
    cases.push_back({"'*' with folders reaches the media root", c, kAll});
  }
  {
    SearchConditions c = Name("abc");
    c.namePartial = true;
    c.namePattern2 = "big";
    cases.push_back({"partial OR", c, {"ABC.TXT", "abcxabc", "big.iso"}});
    c.namePattern2 = "xab";
    c.nameCombineAnd = true;
    cases.push_back({"partial AND", c, {"abcxabc"}});
  }
  {
    SearchConditions c;
    c.sizeEnabled = true;
    c.sizeMin = 0;
    c.sizeMax = 0;
    cases.push_back({"size 0 to 0", c, {"a.txt.bak", kLongName, Sj("データ.txt")}});
    c.sizeMin = 2147483647;
    c.sizeMax = int64_t{6} << 30;
    cases.push_back({"size above 4 GiB", c, {"big.iso"}});
    // Bounds beyond 32 bits, to the byte: five GiB is the file's size.
    c.sizeMin = int64_t{5} << 30;
    c.sizeMax.reset();
    cases.push_back({"64-bit minimum, no maximum", c, {"big.iso"}});
    c.sizeMin = (int64_t{5} << 30) + 1;
    cases.push_back({"64-bit minimum one byte above", c, {}});
    c.sizeMin = (int64_t{5} << 30) - 1;
    c.sizeMax = (int64_t{5} << 30) - 1;
    cases.push_back({"64-bit maximum one byte below", c, {}});
    c.sizeMin = 2147483647;
    c.sizeMax = int64_t{6} << 30;
    c.includeFolders = true;
    cases.push_back({"size gate keeps the media root out", c, {"Docs", "big.iso"}});
  }
  {
    SearchConditions c;
    c.dateEnabled = true;
    c.dateFrom = c.dateTo = static_cast<uint32_t>(Date(2021, 6, 7, 8, 9));
    cases.push_back({"date range of one instant", c, {"a.txt"}});
    // Entries without a date (0) are unknown, not older than 1980.
    c.dateFrom = 0;
    c.dateTo = static_cast<uint32_t>(Date(1980, 1, 2));
    cases.push_back({"open lower bound skips unknown dates", c, {}});
    c.dateTo = UINT32_MAX;
    cases.push_back({"open range holds only known dates", c, {"ABC.TXT", "a.txt", "a.txt.bak"}});
  }
  {
    SearchConditions c;
    c.markEnabled = true;
    cases.push_back({"marked", c, {"a.txt"}});
  }
  {
    SearchConditions c;
    c.commentEnabled = true;
    cases.push_back({"any comment, folders included", c, {"Report", "a.txt"}});
    c.commentSubstring = true;
    c.commentPattern = "HELLO";
    cases.push_back({"comment text, any case", c, {"a.txt"}});
    c.commentCaseSensitive = true;
    cases.push_back({"comment text, case-sensitive", c, {}});
    c.commentPattern = "Hello";
    cases.push_back({"comment text, same case", c, {"a.txt"}});
    c.commentCaseSensitive = false;
    c.commentPattern = "NOTE CAF";
    cases.push_back({"exact comment, any case", c, {"Report"}});
    c.commentPattern = "?";
    cases.push_back({"a lost character is no '?' of an exact comment", c, {}});
  }
  {
    SearchConditions c = Name("*.iso");
    c.commentEnabled = true;
    c.commentCombineAnd = false;
    cases.push_back({"comment OR name", c, {"Report", "a.txt", "big.iso"}});
    c.nameEnabled = false;
    cases.push_back({"comment OR alone", c, kAll});
    c.commentCombineAnd = true;
    c.markEnabled = true;
    cases.push_back({"comment AND mark", c, {"a.txt"}});
  }
  {
    SearchConditions c;
    c.includeFolders = true;
    cases.push_back({"no condition", c, kAll});
    c.foldersOnly = true;
    cases.push_back({"folder flags alone", c, kAll});
  }
  for (const Case& c : cases) EXPECT_EQ(Run(c.conditions), c.expected) << c.what;
}

TEST(SizeWithin, ComparesStoredSizesWithWholeByteBoundsExactly) {
  constexpr int64_t kTwo53 = int64_t{1} << 53;  // above it not every whole number is a double
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const struct {
    double size;
    int64_t min;
    std::optional<int64_t> max;
    bool within;
  } cases[] = {
      {double(kTwo53), kTwo53 + 1, std::nullopt, false},  // the bound does not round down
      {double(kTwo53), 0, kTwo53 - 1, false},
      {double(kTwo53), kTwo53, kTwo53, true},
      {9.3e18, kMax, std::nullopt, true},  // beyond 64 bits: above every minimum
      {9.3e18, 0, kMax, false},
      {1e300, 0, std::nullopt, true},
      {1.5, 2, std::nullopt, false},  // a damaged fractional size
      {1.5, 0, 1, false},
      {1.5, 1, 2, true},
      {std::nan(""), 0, std::nullopt, false},
      {-1.0, 0, std::nullopt, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SizeWithin(c.size, c.min, c.max), c.within)
        << c.size << " in [" << c.min << ", " << c.max.value_or(-1) << "]";
}

TEST_F(FileSearchTest, HitFieldsAndStatus) {
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(std::vector<TRecord>{MakeEntry(-1, 1, kKindOptical, "M2", 9),
                                                    MakeEntry(0, -1, kKindFile, "z.iso", 9)},
                               info));
  FileSearch search(catalog);
  SearchConditions c = Name("*.iso");
  search.SetConditions(c);
  // Slot 7 holds nothing and is passed over.
  search.SetSearchMediaList({1, 7, 0});
  std::vector<std::pair<int, std::string>> status;
  search.RunFileSearch(
      [&](int panel, const QString& t) { status.emplace_back(panel, t.toStdString()); });

  ASSERT_EQ(search.SearchCount(), 2);
  const TRecord z = search.SearchRecs()[0];
  EXPECT_EQ(z.Key, MakeKey(1, 1));
  EXPECT_EQ(z.Path, "M2");
  const TRecord big = search.SearchRecs()[1];
  EXPECT_EQ(big.Key, MakeKey(0, 8));
  EXPECT_EQ(big.Path, "M1\\Docs");
  EXPECT_EQ(big.Size, kFiveGiB);
  EXPECT_EQ(big.Parent, 2);
  EXPECT_EQ(big.CommentNo, -1);
  EXPECT_TRUE(search.BrowseViewStale());
  EXPECT_EQ(catalog.LoadedMediaSlot(), -1);  // the run reads records without loading media

  const std::vector<std::pair<int, std::string>> expected = {
      {0, ""},
      {1, "検索中...(1/3メディア中、0件検出)"},
      {1, "検索中...(2/3メディア中、1件検出)"},
      {1, "検索中...(3/3メディア中、1件検出)"},
      {1, "2 件検出"}};
  EXPECT_EQ(status, expected);

  // The long name comes back whole; the root record's path is empty.
  search.SetConditions(Name("l*"));
  search.SetSearchMediaList({0});
  search.RunFileSearch();
  ASSERT_EQ(search.SearchCount(), 1);
  EXPECT_EQ(search.SearchRecs()[0].Name, kLongName);

  TypeNames types;
  const std::vector<std::string> texts =
      SearchHitTexts(DescribeSearchHit(big, catalog, types, "yyyy/mm/dd"));
  ASSERT_EQ(texts.size(), static_cast<std::size_t>(kSearchHitColumns));
  EXPECT_EQ(texts[0], "big.iso");
  EXPECT_EQ(texts[1], "1");
  EXPECT_EQ(texts[2], "M1\\Docs");
  EXPECT_EQ(texts[3], "cat");
  EXPECT_EQ(texts[4], "shelf");
  EXPECT_EQ(texts[6], "5,368,709,120");
  EXPECT_EQ(texts[8], "");
  EXPECT_EQ(texts[10], "0");
  // Each column alone is the same text.
  for (const TRecord& hit : {big, z})
    for (int column = 0; column < kSearchHitColumns; ++column)
      EXPECT_EQ(SearchHitText(hit, column, catalog, types, "yyyy/mm/dd"),
                SearchHitTexts(DescribeSearchHit(hit, catalog, types, "yyyy/mm/dd"))[column])
          << column;
}

// Many one-byte-named files, produced on demand.
class FlatMedia : public MediaRecordSource {
 public:
  FlatMedia(std::string name, int files) : name_(std::move(name)), files_(files) {}
  int32_t RecordCount() const override { return files_ + 1; }
  void Fetch(int32_t index, TRecord& out) const override {
    out = index == 0 ? MakeEntry(-1, files_ > 0 ? 1 : -1, kKindFixed, name_, 0)
                     : MakeEntry(0, -1, kKindFile, "f", 1);
  }

 private:
  std::string name_;
  int files_;
};

TEST(FileSearchLimit, StopsAtTwoHundredThousandHits) {
  test::TempDir dir;
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("big.qdb")));
  for (auto [name, files] : {std::pair{"A", 150000}, {"B", 60000}, {"C", 5}}) {
    TMediaInfomation info;
    ASSERT_TRUE(catalog.AddMedia(FlatMedia(name, files), info));
  }
  FileSearch search(catalog);
  search.SetConditions(Name("f"));
  search.SetSearchMediaList({0, 1, 2});
  std::vector<std::string> status;
  search.RunFileSearch([&](int, const QString& t) { status.push_back(t.toStdString()); });

  ASSERT_EQ(search.SearchCount(), kMaxSearchHits);
  EXPECT_EQ(search.SearchRecs().back().Key, MakeKey(1, 50000));
  // The third media is never started.
  const std::vector<std::string> expected = {"", "検索中...(1/3メディア中、0件検出)",
                                             "検索中...(2/3メディア中、150000件検出)",
                                             "200000 件検出"};
  EXPECT_EQ(status, expected);
  EXPECT_TRUE(search.LimitReached());
  EXPECT_FALSE(search.Cancelled());

  // Counting stops at the same hit.
  status.clear();
  search.SetCountOnly(true);
  search.RunFileSearch([&](int, const QString& t) { status.push_back(t.toStdString()); });
  EXPECT_EQ(search.SearchCount(), kMaxSearchHits);
  EXPECT_TRUE(search.SearchRecs().empty());
  EXPECT_EQ(status, expected);
  EXPECT_TRUE(search.LimitReached());
}

TEST(FileSearchStop, KeepsTheHitsFoundBeforeItWasStopped) {
  test::TempDir dir;
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("stop.qdb")));
  for (auto [name, files] : {std::pair{"A", 3 * FileSearch::kContinueInterval}, {"B", 5}}) {
    TMediaInfomation info;
    ASSERT_TRUE(catalog.AddMedia(FlatMedia(name, files), info));
  }
  FileSearch search(catalog);
  search.SetConditions(Name("f"));
  search.SetSearchMediaList({0, 1});
  // Asked at records 0, 4096 and 8192 of the first media; no at the third.
  int asked = 0;
  search.RunFileSearch({}, [&] { return ++asked < 3; });

  EXPECT_EQ(asked, 3);
  EXPECT_TRUE(search.Cancelled());
  EXPECT_FALSE(search.LimitReached());
  ASSERT_EQ(search.SearchCount(), 2 * FileSearch::kContinueInterval - 1);
  EXPECT_EQ(search.SearchRecs().back().Key, MakeKey(0, 2 * FileSearch::kContinueInterval - 1));

  // The next run starts afresh.
  search.RunFileSearch({}, [] { return true; });
  EXPECT_FALSE(search.Cancelled());
  EXPECT_EQ(search.SearchCount(), 3 * FileSearch::kContinueInterval + 5);
}

TEST(FileSearchStop, ADamagedMediaKeepsTheHitsBeforeItsDamageOnlyWhenStopped) {
  // Record 4106 of three blocks' worth of files has a child link past the
  // media's end; the search is stopped at the third block, after it.
  constexpr int32_t kDamaged = FileSearch::kContinueInterval + 10;
  test::TempDir dir;
  const std::string path = dir.File("damaged.qdb");
  {
    Catalog catalog;
    ASSERT_TRUE(catalog.CreateCatalog(path));
    TMediaInfomation info;
    ASSERT_TRUE(catalog.AddMedia(FlatMedia("A", 3 * FileSearch::kContinueInterval), info));
    int64_t position = 0;
    int32_t count = 0;
    ASSERT_TRUE(catalog.LocateMedia(0, position, count));
    auto bytes = test::ReadFileBytes(path);
    const auto at = static_cast<std::size_t>(position) + std::size_t{kDamaged} * TFileRec::kSize +
                    TFileRec::kFirstChild;
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(count >> (8 * i));
    test::WriteFileBytes(path, bytes);
  }
  Catalog damaged;
  ASSERT_TRUE(damaged.OpenCatalog(path));
  // The name pattern is looked for over whole blocks first; no condition
  // tests every record, the root among them.
  const std::pair<SearchConditions, int32_t> cases[] = {{Name("f"), 1}, {SearchConditions{}, 0}};
  for (const auto& [conditions, first] : cases) {
    for (const bool countOnly : {false, true}) {
      FileSearch search(damaged);
      search.SetConditions(conditions);
      search.SetSearchMediaList({0});
      search.SetCountOnly(countOnly);
      int asked = 0;
      search.RunFileSearch({}, [&] { return ++asked < 3; });
      EXPECT_TRUE(search.Cancelled());
      ASSERT_EQ(search.SearchCount(), kDamaged - first) << first << " counting " << countOnly;
      if (!countOnly) {
        EXPECT_EQ(search.SearchRecs().front().Key, MakeKey(0, first));
        EXPECT_EQ(search.SearchRecs().back().Key, MakeKey(0, kDamaged - 1));
      }

      search.RunFileSearch({}, [] { return true; });
      EXPECT_FALSE(search.Cancelled());
      EXPECT_EQ(search.SearchCount(), 0) << first << " counting " << countOnly;
    }
  }
}

}  // namespace
}  // namespace plomix

namespace plomix {
namespace {

TEST_F(FileSearchTest, MediaAreSearchedAsTheyLoad) {
  // Slot 1: stored with an empty root name, then renamed (the rename leaves
  // the stored root as it was). Slot 2: a file's child link leaves the media,
  // so the media does not load.
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(std::vector<TRecord>{MakeEntry(-1, 1, kKindFixed, "", 0),
                                                    MakeEntry(0, -1, kKindFile, "x.txt", 1)},
                               info));
  ASSERT_EQ(catalog.RenameMedia(1, "NEW"), 1);
  ASSERT_TRUE(catalog.AddMedia(std::vector<TRecord>{MakeEntry(-1, 1, kKindFixed, "BAD", 0),
                                                    MakeEntry(0, 7, kKindFile, "y.txt", 1)},
                               info));
  ASSERT_FALSE(catalog.LoadMedia(2));

  SearchConditions c = Name("*");
  c.includeFolders = true;
  EXPECT_EQ(Run(c, {1, 2}), (Names{"NEW", "x.txt"}));
  SearchConditions none;
  EXPECT_EQ(Run(none, {2}), Names{});
}

TEST_F(FileSearchTest, CaseInsensitiveSubstringsNeverStartInsideACharacter) {
  // "ア" is 0x83 0x41: its second byte reads as "A" on its own.
  std::vector<TRecord> recs = {
      MakeEntry(-1, 1, kKindFixed, "M2", 0), MakeEntry(0, -1, kKindFile, Sj("ア"), 0),
      MakeEntry(0, -1, kKindFile, Sj("ア") + "xAy", 0), MakeEntry(0, -1, kKindFile, Sj("Ａ"), 0),
      MakeEntry(0, -1, kKindFile, Sj("ｱ") + "a", 0)};
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(recs, info));
  SearchConditions c = Name("a");
  c.namePartial = true;
  EXPECT_EQ(Run(c, {1}), (Names{Sj("ア") + "xAy", Sj("ｱ") + "a"}));
  c.namePattern = Sj("ａ");  // a full-width letter folds with its own kind only
  EXPECT_EQ(Run(c, {1}), (Names{Sj("Ａ")}));
}

TEST_F(FileSearchTest, OnlyNamesThatHoldThePatternAreFoundWhereverItLies) {
  // Searches look for the pattern's bytes over whole blocks of records before
  // testing a record in full; these names put it where that pass could go
  // wrong: at the start and end of a name, beyond the stored 91 bytes of a
  // long name, as the second byte of a two-byte character, in full-width
  // letters that fold, and in the media's own name.
  const std::string longName = std::string(95, 'x') + "report.txt";
  const std::string wide = Sj("ＲＥＰＯＲＴ資料.txt");
  std::vector<TRecord> recs = {
      MakeEntry(-1, 1, kKindFixed, "RM", 0),
      MakeEntry(0, -1, kKindFile, "Report_2020.pdf", 0),
      MakeEntry(0, -1, kKindFile, "xreport", 0),
      MakeEntry(0, -1, kKindFile, "reportx", 0),
      MakeEntry(0, -1, kKindFile, wide, 0),
      MakeEntry(0, -1, kKindFile, Sj("表") + Sj("Ｃ"), 0),  // 0x95 '\\', 0x82 'b'
      MakeEntry(0, -1, kKindFile, longName, 0),
      MakeEntry(0, -1, kKindFile, Sj("資料_report"), 0),
      MakeEntry(0, -1, kKindFolder, "reports", 0),
  };
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(recs, info));
  struct Case {
    std::string pattern, second;
    bool partial, caseSensitive;
    int combine;  // 0 none, 1 AND, 2 OR
    bool folders;
    Names expected;
  };
  const std::string jp = Sj("資料");
  const Case cases[] = {
      {"report",
       "",
       true,
       false,
       0,
       false,
       {"Report_2020.pdf", "xreport", "reportx", longName, Sj("資料_report")}},
      {"report", "", true, true, 0, false, {"xreport", "reportx", longName, Sj("資料_report")}},
      {"REPORT", "", true, true, 0, false, {}},
      {"report",
       "",
       true,
       false,
       0,
       true,
       {"Report_2020.pdf", "xreport", "reportx", longName, Sj("資料_report"), "reports"}},
      {Sj("ｒｅｐｏｒｔ"), "", true, false, 0, false, {wide}},
      {Sj("ｒｅｐｏｒｔ"), "", true, true, 0, false, {}},
      {Sj("ｒｅｐｏｒｔ資料"), "", true, false, 0, false, {wide}},
      {"\\", "", true, true, 0, false, {}},
      {"b", "", true, true, 0, false, {}},
      {"rm", "", true, false, 0, true, {"RM"}},
      {"*report*.pdf", "", false, false, 0, false, {"Report_2020.pdf"}},
      {"?eport*", "", false, false, 0, false, {"Report_2020.pdf", "reportx"}},
      {"x*", "", false, true, 0, false, {"xreport", longName}},
      {"*.TXT", "", false, false, 0, false, {wide, longName}},
      {"*t", "", false, false, 0, false, {"xreport", wide, longName, Sj("資料_report")}},
      {"xrep", jp, true, false, 2, false, {"xreport", wide, longName, Sj("資料_report")}},
      {"report", jp, true, false, 1, false, {Sj("資料_report")}},
  };
  for (const Case& t : cases) {
    SearchConditions c = Name(t.pattern, t.caseSensitive);
    c.namePartial = t.partial;
    c.namePattern2 = t.second;
    c.nameCombineAnd = t.combine == 1;
    c.includeFolders = t.folders;
    EXPECT_EQ(Run(c, {1}), t.expected) << t.pattern << " / " << t.second;
  }
}

}  // namespace
}  // namespace plomix

namespace plomix {
namespace {

// Searches the media with no condition under an address-space limit of half a
// gigabyte more than is in use now, and exits with the number of hits.
[[noreturn]] void SearchWithLittleMemory(Catalog& catalog, std::vector<int> media) {
  test::LimitAddressSpace(std::size_t{512} << 20);
  FileSearch search(catalog);
  search.SetConditions(SearchConditions{});
  search.SetSearchMediaList(std::move(media));
  search.RunFileSearch();
  std::exit(search.SearchCount());
}

TEST_F(FileSearchTest, ADamagedRecordCountNeverSizesTheSearchsMemory) {
  if (!test::kCanLimitAddressSpace) GTEST_SKIP() << "needs a build without the address sanitizer";
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(std::vector<TRecord>{MakeEntry(-1, 1, kKindFixed, "M2", 0),
                                                    MakeEntry(0, -1, kKindFile, "z.txt", 1)},
                               info));
  {
    // Slot 1 claims 2^31 - 1 records (8 GiB of parents to keep); the file
    // holds two.
    std::fstream file(dir.File("c.qdb"), std::ios::in | std::ios::out | std::ios::binary);
    const int32_t count = INT32_MAX;
    file.seekp(TMediaSlot::kSize + TMediaSlot::kCount);
    file.write(reinterpret_cast<const char*>(&count), sizeof count);
  }
  Catalog damaged;
  ASSERT_TRUE(damaged.OpenCatalog(dir.File("c.qdb")));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The 11 entries of M1; M2 gives none.
  EXPECT_EXIT(SearchWithLittleMemory(damaged, {0, 1}), ::testing::ExitedWithCode(11), "");
}

}  // namespace
}  // namespace plomix
