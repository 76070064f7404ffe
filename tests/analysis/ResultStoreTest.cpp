#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <filesystem>

#include "analysis/AnalysisFixture.h"
#include "analysis/LongNameSnapshot.h"
#include "analysis/ResultStore.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix {
namespace {

using test::Entry;
using test::Sj;

double NowDays() {
  const QDateTime now = QDateTime::currentDateTime();
  return QDate(1899, 12, 30).daysTo(now.date()) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

int32_t I32At(const std::vector<uint8_t>& b, std::size_t at) {
  return static_cast<int32_t>(uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 |
                              uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24);
}

void SetI32At(std::vector<uint8_t>& b, std::size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

ResultRecord RecordAt(const std::vector<uint8_t>& bytes, int64_t headerSize, int64_t index) {
  ResultRecord rec;
  rec.CopyFrom(0, &bytes.at(static_cast<std::size_t>(headerSize + 116 * index)), 116);
  return rec;
}

struct Expected {
  std::string name;
  int32_t key;
  int32_t date;
  uint32_t size;
  int32_t position;
  int32_t end;
  int32_t groupSize;
};

void ExpectRecord(const ResultRecord& rec, const Expected& e, const std::string& where) {
  EXPECT_EQ(rec.Name(), e.name) << where;
  EXPECT_EQ(rec.Key(), e.key) << where;
  EXPECT_EQ(rec.Date(), e.date) << where;
  EXPECT_EQ(rec.Size(), e.size) << where;
  EXPECT_EQ(rec.Position(), e.position) << where;
  EXPECT_EQ(rec.End(), e.end) << where;
  EXPECT_EQ(rec.GroupSize(), e.groupSize) << where;
}

const std::string kLong = "long_" + std::string(115, 'n');  // 120 bytes

class DupStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateTestCatalog(catalog, dir);
    d1 = PackDosDateTime({2024, 1, 31, 9, 30, 0});
    d2 = PackDosDateTime({2001, 2, 3, 4, 5, 6});
    test::AddTestMedia(catalog, "M1",
                       {{"Report.DOC", 6000000000.0, d1},
                        {"a.txt", 10, d2},
                        {"a.txt", 0, 0, true},
                        {"sub", 0, 0, true},
                        {"a.txt", 11, 0, false, 4},
                        {kLong.c_str(), 5}});
    test::AddTestMedia(
        catalog, "M2",
        {{"report.doc", 7}, {"A.TXT", 12}, {"a.Txt", 13}, {"unique.bin", 1}, {kLong.c_str(), 6}});
    store.SetDupPath(catalog.CatalogPath());
  }

  AnalysisCounters Search() {
    AnalysisCounters c = store.Search().RunNameAnalysis(catalog);
    store.WriteDupFile();
    store.ClearDupSearch();
    return c;
  }

  test::TempDir dir;
  Catalog catalog;
  DupResultStore store{&catalog};
  int32_t d1 = 0, d2 = 0;
};

TEST_F(DupStoreTest, WritesEveryGroupFieldByField) {
  const double before = NowDays();
  const AnalysisCounters c = Search();
  const double after = NowDays();
  EXPECT_EQ(c.files, 9);
  EXPECT_EQ(c.groups, 3);
  EXPECT_EQ(c.entries, 8);

  const std::vector<uint8_t> bytes = test::ReadFileBytes(store.Path());
  EXPECT_EQ(store.Path(), dir.File("t.dup"));
  ASSERT_EQ(bytes.size(), 21u + 116u * 11u);
  EXPECT_EQ(I32At(bytes, 0), 1);
  EXPECT_EQ(bytes[4], 0);
  EXPECT_EQ(I32At(bytes, 5), 3);
  EXPECT_EQ(I32At(bytes, 9), 8);
  double created = 0;
  std::memcpy(&created, &bytes[13], 8);
  EXPECT_GE(created, before - 1e-6);
  EXPECT_LE(created, after + 1e-6);

  const std::string cut = kLong.substr(0, 91);
  const Expected entries[] = {
      {"a.txt", 2, d2, 10, 0, 4, 4},
      {"a.txt", 5, 0, 11, 1, 4, 4},
      {"A.TXT", 1000002, 0, 12, 2, 4, 4},
      {"a.Txt", 1000003, 0, 13, 3, 4, 4},
      {cut, 6, 0, 5, 4, 6, 2},
      {cut, 1000005, 0, 6, 5, 6, 2},
      {"Report.DOC", 1, d1, 4294967295u, 6, 8, 2},
      {"report.doc", 1000001, 0, 7, 7, 8, 2},
  };
  for (int i = 0; i < 8; ++i)
    ExpectRecord(RecordAt(bytes, 21, i), entries[i], "entry " + std::to_string(i));
  const int heads[] = {0, 4, 6};
  for (int k = 0; k < 3; ++k)
    ExpectRecord(RecordAt(bytes, 21, 8 + k), entries[heads[k]], "head " + std::to_string(k));
}

// The first pass counts keys by hash in a table that different keys share:
// however small that table, only equal names are grouped, and the result
// stays the same to the byte.
TEST_F(DupStoreTest, KeysSharingACounterAreStillToldApart) {
  std::vector<uint8_t> expected;
  for (int bits : {0, 1, 2, 5}) {
    store.Search().SetCounterBits(bits);
    const AnalysisCounters c = Search();
    EXPECT_EQ(c.files, 9) << bits;
    EXPECT_EQ(c.groups, 3) << bits;
    EXPECT_EQ(c.entries, 8) << bits;
    std::vector<uint8_t> bytes = test::ReadFileBytes(store.Path());
    ASSERT_EQ(bytes.size(), 21u + 116u * 11u) << bits;
    bytes.erase(bytes.begin() + 13, bytes.begin() + 21);  // the creation time
    if (expected.empty())
      expected = bytes;
    else
      EXPECT_EQ(bytes, expected) << bits;
  }
}

TEST_F(DupStoreTest, LoadsHeadsAndMembersWithLongNamesRestored) {
  Search();
  DupResultStore loaded(&catalog);
  loaded.SetDupPath(catalog.CatalogPath());
  ASSERT_TRUE(loaded.LoadDupGroups());
  ASSERT_EQ(loaded.GroupCount(), 3);
  EXPECT_EQ(loaded.EntryCount(), 8);
  EXPECT_EQ(loaded.FileVersion(), 1);
  ResultItem head;
  ASSERT_TRUE(loaded.DupGroupHead(1, head));
  EXPECT_EQ(head.name, kLong);
  EXPECT_EQ(head.first, 4);
  EXPECT_FALSE(loaded.DupGroupHead(3, head));

  EXPECT_EQ(loaded.DupGroupSizeOfName("A.txt"), 4);
  EXPECT_EQ(loaded.DupGroupStartOfName("REPORT.doc"), 6);
  EXPECT_EQ(loaded.DupGroupSizeOfName("unique.bin"), 0);
  EXPECT_EQ(loaded.DupGroupStartOfName("unique.bin"), -1);
  EXPECT_EQ(loaded.DupGroupSizeOfName(kLong), 2);

  ASSERT_TRUE(loaded.LoadDupMembers(1, 4, 2));
  ASSERT_TRUE(loaded.LoadDupMembers(2, 0, 4));
  ASSERT_EQ(loaded.MemberCount(1), 2);
  ResultItem m;
  ASSERT_TRUE(loaded.DupMember(1, 1, m));
  EXPECT_EQ(m.name, kLong);
  EXPECT_EQ(m.key, 1000005);
  EXPECT_EQ(m.size, 6u);
  EXPECT_EQ(m.first, 5);
  EXPECT_EQ(m.end, 6);
  EXPECT_EQ(loaded.MemberCount(2), 4);
  EXPECT_FALSE(loaded.DupMember(2, 4, m));

  EXPECT_TRUE(loaded.DeleteDupResults());
  EXPECT_FALSE(loaded.DupResultsExist());
  EXPECT_EQ(loaded.GroupCount(), 0);
  EXPECT_EQ(loaded.MemberCount(1), 0);
}

TEST_F(DupStoreTest, ASnapshotOfTheLongNamesServesLoadersAfterTheCatalogueMovedOn) {
  Search();
  const auto names = LongNameSnapshot::Take(catalog);
  EXPECT_EQ(names->Count(), 2);
  const std::string path = store.Path();
  // The window goes on with another catalogue while a loader still reads.
  test::TempDir other;
  test::CreateTestCatalog(catalog, other);
  const LoadedGroups fromSnapshot = ReadGroupHeads(path, AnalysisMode::Duplicate, names.get());
  const LoadedGroups fromLive = ReadGroupHeads(path, AnalysisMode::Duplicate, &catalog);
  ASSERT_EQ(fromSnapshot.heads.size(), 3u);
  ASSERT_EQ(fromLive.heads.size(), 3u);
  auto hasLong = [](const LoadedGroups& loaded) {
    for (const ResultItem& head : loaded.heads)
      if (head.name == kLong) return true;
    return false;
  };
  EXPECT_TRUE(hasLong(fromSnapshot));
  EXPECT_FALSE(hasLong(fromLive));
}

TEST(DupStoreEmptyTest, NoDuplicatesGiveTheBareHeader) {
  test::TempDir dir;
  Catalog catalog;
  test::CreateTestCatalog(catalog, dir);
  test::AddTestMedia(catalog, "M", {{"a"}, {"b"}, {"c", 0, 0, true}, {"c"}});
  DupResultStore store(&catalog);
  store.SetDupPath(catalog.CatalogPath());
  EXPECT_FALSE(store.DupResultsExist());
  store.Search().RunNameAnalysis(catalog);
  store.WriteDupFile();
  EXPECT_EQ(test::FileSize(store.Path()), 21u);
  EXPECT_TRUE(store.LoadDupGroups());
  EXPECT_EQ(store.GroupCount(), 0);
}

// Damaged copies of a sound file: each loads what is sound and says false.
TEST_F(DupStoreTest, DamagedFilesLoadAsFarAsSound) {
  Search();
  const std::vector<uint8_t> good = test::ReadFileBytes(store.Path());
  const std::size_t head0 = 21 + 116 * 8, head1 = head0 + 116, head2 = head1 + 116;
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    bool complete;
    int heads;
  };
  const Case cases[] = {
      {"cut header", [](auto& b) { b.resize(10); }, false, 0},
      {"cut in head 2", [&](auto& b) { b.resize(head2 + 50); }, false, 2},
      {"cut in the entries", [](auto& b) { b.resize(21 + 116 * 3); }, false, 0},
      {"group count too large", [](auto& b) { SetI32At(b, 5, 1000000); }, false, 3},
      {"negative entry count", [](auto& b) { SetI32At(b, 9, -4); }, false, 0},
      {"entry count past the file", [](auto& b) { SetI32At(b, 9, 100000000); }, false, 0},
      {"end disagrees with size", [&](auto& b) { SetI32At(b, head1 + 108, 7); }, false, 1},
      {"group size 0", [&](auto& b) { SetI32At(b, head1 + 112, 0); }, false, 1},
      {"overlapping head",
       [&](auto& b) {
         SetI32At(b, head2 + 104, 3);
         SetI32At(b, head2 + 108, 5);
       },
       false, 2},
      {"end past the entries",
       [&](auto& b) {
         SetI32At(b, head1 + 108, 9999);
         SetI32At(b, head1 + 112, 9995);
       },
       false, 1},
      {"zero end stops early", [&](auto& b) { SetI32At(b, head1 + 108, 0); }, true, 1},
      {"name length over 91", [&](auto& b) { b[head0] = 200; }, true, 3},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    c.damage(bytes);
    test::WriteFileBytes(store.Path(), bytes);
    DupResultStore loaded(&catalog);
    loaded.SetDupPath(catalog.CatalogPath());
    EXPECT_EQ(loaded.LoadDupGroups(), c.complete) << c.what;
    EXPECT_EQ(loaded.GroupCount(), c.heads) << c.what;
  }

  std::vector<uint8_t> bytes = good;
  SetI32At(bytes, 21 + 116 * 1 + 104, 7);  // member 1 claims another position
  test::WriteFileBytes(store.Path(), bytes);
  DupResultStore loaded(&catalog);
  loaded.SetDupPath(catalog.CatalogPath());
  EXPECT_FALSE(loaded.LoadDupMembers(1, 0, 4));
  EXPECT_EQ(loaded.MemberCount(1), 1);
  EXPECT_FALSE(loaded.LoadDupMembers(1, 6, 5));
  EXPECT_EQ(loaded.MemberCount(1), 2);
  EXPECT_FALSE(loaded.LoadDupMembers(1, -1, 2));
  EXPECT_FALSE(loaded.LoadDupMembers(2, 0, INT32_MAX));
}

TEST(AnalysisRunTest, UnreadableMediaIsSkippedAndReported) {
  test::TempDir dir;
  Catalog catalog;
  test::CreateTestCatalog(catalog, dir);
  test::AddTestMedia(catalog, "M1", {{"a"}, {"b"}});
  test::AddTestMedia(catalog, "壊れた", {{"a"}, {"b"}});
  std::filesystem::resize_file(catalog.CatalogPath(),
                               std::filesystem::file_size(catalog.CatalogPath()) - 100);
  std::vector<AnalysisEvent> events;
  DupResultStore store(&catalog);
  const AnalysisCounters c =
      store.Search().RunNameAnalysis(catalog, [&](const AnalysisEvent& e) { events.push_back(e); });
  EXPECT_EQ(c.files, 2);
  EXPECT_EQ(c.groups, 0);
  std::vector<std::string> media;
  int skipped = 0;
  for (const AnalysisEvent& e : events) {
    if (e.kind == AnalysisEvent::Kind::Media) media.push_back(text::Cp932ToUtf8(e.text));
    if (e.kind == AnalysisEvent::Kind::MediaSkipped) {
      ++skipped;
      EXPECT_EQ(e.slot, 1);
      EXPECT_NE(e.text.find(Sj("壊れた")), std::string::npos);
    }
  }
  EXPECT_EQ(skipped, 1);
  EXPECT_EQ(media, (std::vector<std::string>{"検索中...(1/2メディア)", "検索中...(2/2メディア)"}));
  EXPECT_EQ(events.back().kind, AnalysisEvent::Kind::Done);
}

// Records from index 1,000,000 on get keys of their own, and their long
// names are still found.
class HugeMedia : public MediaRecordSource {
 public:
  static constexpr int32_t kFolders = 1000000;
  int32_t RecordCount() const override { return kFolders + 3; }
  void Fetch(int32_t index, TRecord& out) const override {
    out = TRecord{};
    out.Parent = index == 0 ? -1 : 0;
    out.Kind = index == 0 ? kKindFixed : (index <= kFolders ? kKindFolder : kKindFile);
    out.Attr = index <= kFolders ? kAttrDirectory : kAttrArchive;
    out.Name = index == 0              ? "Huge"
               : index <= kFolders     ? "d"
               : index == kFolders + 1 ? "x.txt"
                                       : kLong;
  }
};

TEST(AnalysisRunTest, RecordsBeyondAMillionKeepDistinctKeys) {
  test::TempDir dir;
  Catalog catalog;
  test::CreateTestCatalog(catalog, dir);
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(HugeMedia(), info));
  test::AddTestMedia(catalog, "Small", {{"x.txt"}, {kLong.c_str()}});
  DupResultStore store(&catalog);
  store.SetDupPath(catalog.CatalogPath());
  EXPECT_EQ(store.Search().RunNameAnalysis(catalog).groups, 2);
  store.WriteDupFile();
  store.ClearDupSearch();
  ASSERT_TRUE(store.LoadDupMembers(1, 0, 4));
  std::vector<int32_t> keys;
  for (const ResultItem& m : store.Members(1)) {
    keys.push_back(m.key);
    if (m.name.size() > 91) {
      EXPECT_EQ(m.name, kLong);
    }
  }
  EXPECT_EQ(keys,
            (std::vector<int32_t>{ResultKey(0, 1000002), 1000002, ResultKey(0, 1000001), 1000001}));
  EXPECT_EQ(store.Members(1)[0].name, kLong);
}

// ---------------------------------------------------------------- similar names

class LikeStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateTestCatalog(catalog, dir);
    test::AddTestMedia(
        catalog, "M1",
        {{"TRIP_c.txt", 30, 300}, {"trip_b.txt", 20, 200}, {"foo_foo.txt"}, {"IMG_0012.JPG"}});
    test::AddTestMedia(catalog, "M2",
                       {{"Trip_a.jpg", 10, 100}, {"foo.txt"}, {"img_0099.png"}, {".profile"}});
    store.SetLikePath(catalog.CatalogPath());
    store.SetCurrentLikeKey(kDelimiters);
  }

  AnalysisCounters Search() {
    store.Search().Delimiters().SetKeyDelimiters(store.CurrentLikeKey());
    AnalysisCounters c = store.Search().RunNameAnalysis(catalog);
    store.WriteLikeFile();
    store.ClearLikeSearch();
    return c;
  }

  const std::string kDelimiters = Sj(" _-.()[]　、，・（）【】「」");
  test::TempDir dir;
  Catalog catalog;
  LikeResultStore store{&catalog};
};

TEST_F(LikeStoreTest, WritesWordGroupsInNameOrder) {
  const AnalysisCounters c = Search();
  EXPECT_EQ(c.files, 8);
  EXPECT_EQ(c.groups, 3);  // foo (a repeated word counts once), img, trip
  EXPECT_EQ(c.entries, 7);

  const std::vector<uint8_t> bytes = test::ReadFileBytes(store.Path());
  ASSERT_EQ(bytes.size(), 33177u + 116u * 10u);
  EXPECT_EQ(I32At(bytes, 0), 2);
  EXPECT_EQ(I32At(bytes, 5), 3);
  EXPECT_EQ(I32At(bytes, 9), 7);
  ASSERT_EQ(bytes[21], kDelimiters.size());
  EXPECT_EQ(std::string(bytes.begin() + 22, bytes.begin() + 22 + 28), kDelimiters);
  EXPECT_TRUE(
      std::all_of(bytes.begin() + 149, bytes.begin() + 33177, [](uint8_t b) { return b == 0; }));

  // foo: both files once each, in name order.
  const ResultRecord foo0 = RecordAt(bytes, 33177, 0), foo1 = RecordAt(bytes, 33177, 1);
  EXPECT_LT(text::CompareAnsiText(foo0.Name(), foo1.Name()), 0);
  EXPECT_NE(foo0.Key(), foo1.Key());
  // trip: written by name although TRIP_c was found first.
  const Expected trip[] = {
      {"Trip_a.jpg", 1000001, 100, 10, 4, 7, 3},
      {"trip_b.txt", 2, 200, 20, 5, 7, 3},
      {"TRIP_c.txt", 1, 300, 30, 6, 7, 3},
  };
  for (int i = 0; i < 3; ++i) ExpectRecord(RecordAt(bytes, 33177, 4 + i), trip[i], trip[i].name);
  // Heads: the word as the file that made the group spells it, with the first
  // occurrence's key, date and size.
  ExpectRecord(RecordAt(bytes, 33177, 7 + 1), {"img", 4, 0, 0, 2, 4, 2}, "img head");
  ExpectRecord(RecordAt(bytes, 33177, 7 + 2), {"trip", 1, 300, 30, 4, 7, 3}, "trip head");
}

TEST_F(LikeStoreTest, LoadingTakesTheFileDelimiters) {
  store.SetCurrentLikeKey(" _");
  Search();
  LikeResultStore loaded(&catalog);
  loaded.SetLikePath(catalog.CatalogPath());
  EXPECT_EQ(loaded.LikeFileVersion(), 0);
  loaded.SetCurrentLikeKey(kDelimiters);
  ASSERT_TRUE(loaded.LoadLikeGroups());
  EXPECT_EQ(loaded.CurrentLikeKey(), " _");
  EXPECT_EQ(loaded.LikeFileVersion(), 2);
  int32_t first = 0, size = 0;
  loaded.LikeGroupOfKey("TRIP", {}, first, size);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(size, 3);
  loaded.LikeGroupOfKey("0012", {}, first, size);
  EXPECT_EQ(first, -1);
  EXPECT_EQ(size, 0);
  ASSERT_TRUE(loaded.LoadLikeMembers(1, 4, 3));
  EXPECT_EQ(loaded.Members(1)[1].name, "trip_b.txt");
}

// A head names its word: a long word is completed from its file's name, and
// a word of 90 bytes is complete as stored, not replaced by the file name.
TEST_F(LikeStoreTest, LongWordsStayWordsInTheHeads) {
  const std::string longWord(100, 'w'), word90(90, 'v');
  const std::string names[] = {longWord + "_1.txt", std::string(100, 'W') + "_2.txt",
                               word90 + "_" + std::string(20, 'p') + ".txt",
                               std::string(90, 'V') + ".jpg"};
  test::AddTestMedia(catalog, "M3", {{names[0].c_str()}, {names[1].c_str()}, {names[2].c_str()}});
  test::AddTestMedia(catalog, "M4", {{names[3].c_str()}});
  Search();
  ASSERT_TRUE(store.LoadLikeGroups());
  int32_t first = 0, size = 0;
  for (const std::string& word : {longWord, word90}) {
    store.LikeGroupOfKey(word, {}, first, size);
    EXPECT_EQ(size, 2) << word.size();
    ResultItem head;
    for (int g = 0; g < store.GroupCount(); ++g)
      if (store.LikeGroupHead(g, head) && head.first == first) break;
    EXPECT_EQ(text::AnsiLower(head.name), word) << word.size();
  }
  ASSERT_TRUE(store.LoadLikeMembers(1, first, size));
  for (const ResultItem& m : store.Members(1))  // members keep their file names
    EXPECT_TRUE(m.name == names[2] || m.name == names[3]) << m.name;
}

TEST_F(LikeStoreTest, EmptyDelimitersGroupWholeNames) {
  test::AddTestMedia(catalog, "M3", {{"foo.TXT"}});
  store.SetCurrentLikeKey("");
  const AnalysisCounters c = Search();
  EXPECT_EQ(c.groups, 1);
  ASSERT_TRUE(store.LoadLikeGroups());
  ResultItem head;
  ASSERT_TRUE(store.LikeGroupHead(0, head));
  EXPECT_EQ(head.name, "foo.TXT");
  EXPECT_EQ(head.groupSize, 2);
}

}  // namespace
}  // namespace plomix
