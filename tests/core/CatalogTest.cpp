#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

using test::FlatMedia;
using test::InfoFor;
using test::NestedMedia;
using test::ReadFileBytes;
using test::Sj;

int32_t LE32(const std::vector<uint8_t>& b, std::size_t off) {
  return static_cast<int32_t>(b[off] | (b[off + 1] << 8) | (b[off + 2] << 16) |
                              (uint32_t{b[off + 3]} << 24));
}

// ---- byte images: every field sits at its fixed offset ----

// A double whose lowest byte is not zero, so that its first byte marks its offset.
constexpr double kOddDouble = 1.0 + DBL_EPSILON;

struct FieldCase {
  const char* field;
  std::function<std::vector<uint8_t>()> image;  // bytes of a zero image with the field set
  std::size_t offset;
};

template <typename Image>
std::function<std::vector<uint8_t>()> With(std::function<void(Image&)> set) {
  return [set] {
    Image img;
    set(img);
    return std::vector<uint8_t>(img.Bytes().begin(), img.Bytes().end());
  };
}

TEST(ByteImages, FieldsSitAtTheirOffsets) {
  const std::vector<FieldCase> cases = {
      {"TFileRec.Parent", With<TFileRec>([](auto& r) { r.SetParent(7); }), 0},
      {"TFileRec.FirstChild", With<TFileRec>([](auto& r) { r.SetFirstChild(7); }), 4},
      {"TFileRec.Kind", With<TFileRec>([](auto& r) { r.SetKind(7); }), 8},
      {"TFileRec.Attr", With<TFileRec>([](auto& r) { r.SetAttr(7); }), 10},
      {"TFileRec.Name", With<TFileRec>([](auto& r) { r.SetName("x"); }), 12},
      {"TFileRec.Size", With<TFileRec>([](auto& r) { r.SetSize(kOddDouble); }), 104},
      {"TFileRec.FileDate", With<TFileRec>([](auto& r) { r.SetFileDate(7); }), 112},
      {"TFileRec.Mark", With<TFileRec>([](auto& r) { r.SetMark(1); }), 116},
      {"TFileRec.Version", With<TFileRec>([](auto& r) { r.SetVersion("1"); }), 117},
      {"TFileRec.DirFolders", With<TFileRec>([](auto& r) { r.SetDirFolders(7); }), 137},
      {"TFileRec.DirFiles", With<TFileRec>([](auto& r) { r.SetDirFiles(7); }), 139},
      {"TFileRec.AllFolders", With<TFileRec>([](auto& r) { r.SetAllFolders(7); }), 143},
      {"TFileRec.AllFiles", With<TFileRec>([](auto& r) { r.SetAllFiles(7); }), 145},
      {"TFileRec.Allocated", With<TFileRec>([](auto& r) { r.SetAllocated(kOddDouble); }), 149},
      {"TFileRec.CommentNo", With<TFileRec>([](auto& r) { r.SetCommentNo(7); }), 157},
      {"TMediaSlot.Name", With<TMediaSlot>([](auto& s) { s.SetName("x"); }), 0},
      {"TMediaSlot.FirstRec", With<TMediaSlot>([](auto& s) { s.SetFirstRec(7); }), 92},
      {"TMediaSlot.Count", With<TMediaSlot>([](auto& s) { s.SetCount(7); }), 96},
      {"TMediaSlot.DeletedDate", With<TMediaSlot>([](auto& s) { s.SetDeletedDate(7); }), 100},
      {"TMediaSlot.Root", With<TMediaSlot>([](auto& s) {
         TFileRec r;
         r.SetParent(7);
         s.SetRoot(r);
       }),
       104},
      {"TMediaSlot.Drive", With<TMediaSlot>([](auto& s) { s.SetDrive("d"); }), 265},
      {"TMediaSlot.KindName",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.KindName = "HD", .SmallestFile = 0}); }), 268},
      {"TMediaSlot.Category", With<TMediaSlot>([](auto& s) { s.SetCategory("c"); }), 284},
      {"TMediaSlot.Location", With<TMediaSlot>([](auto& s) { s.SetLocation("l"); }), 311},
      {"TMediaSlot.LocationDetail", With<TMediaSlot>([](auto& s) { s.SetLocationDetail("x"); }),
       338},
      {"TMediaSlot.ClusterSize",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.ClusterSize = 7, .SmallestFile = 0}); }), 349},
      {"TMediaSlot.FreeSpace",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.FreeSpace = kOddDouble, .SmallestFile = 0}); }),
       353},
      {"TMediaSlot.VolumeName",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.VolumeName = "v", .SmallestFile = 0}); }), 361},
      {"TMediaSlot.VolumeSerial",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.VolumeSerial = "1", .SmallestFile = 0}); }), 393},
      {"TMediaSlot.Reserved1",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.Reserved1 = "r", .SmallestFile = 0}); }), 425},
      {"TMediaSlot.Reserved2",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.Reserved2 = "r", .SmallestFile = 0}); }), 457},
      {"TMediaSlot.Reserved3",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.Reserved3 = "r", .SmallestFile = 0}); }), 489},
      {"TMediaSlot.OldestFileDate",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.OldestFileDate = 7, .SmallestFile = 0}); }), 521},
      {"TMediaSlot.NewestFileDate",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.NewestFileDate = 7, .SmallestFile = 0}); }), 525},
      {"TMediaSlot.OldestFolderDate",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.OldestFolderDate = 7, .SmallestFile = 0}); }),
       529},
      {"TMediaSlot.NewestFolderDate",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.NewestFolderDate = 7, .SmallestFile = 0}); }),
       533},
      {"TMediaSlot.SmallestFile",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.SmallestFile = kOddDouble}); }), 537},
      {"TMediaSlot.LargestFile",
       With<TMediaSlot>([](auto& s) { s.SetInfo({.SmallestFile = 0, .LargestFile = kOddDouble}); }),
       545},
      {"TCommentSlot.Key", With<TCommentSlot>([](auto& c) { c.SetKey(7); }), 0},
      {"TCommentSlot.Date", With<TCommentSlot>([](auto& c) { c.SetDate(7); }), 4},
      {"TCommentSlot.Text", With<TCommentSlot>([](auto& c) { c.SetText("t"); }), 8},
      {"TCommentSlot.Kind", With<TCommentSlot>([](auto& c) { c.SetKind(7); }), 264},
      {"TCommentSlot.Name", With<TCommentSlot>([](auto& c) { c.SetName("n"); }), 266},
      {"TLongNameMedia.SlotCopy", With<TLongNameMedia>([](auto& m) {
         TMediaSlot s;
         s.SetDrive("d");
         m.SetSlotCopy(s);
       }),
       0},
      {"TLongNameMedia.Valid", With<TLongNameMedia>([](auto& m) { m.SetValid(1); }), 288},
      {"TLongNameMedia.First", With<TLongNameMedia>([](auto& m) { m.SetFirst(7); }), 292},
      {"TLongNameMedia.End", With<TLongNameMedia>([](auto& m) { m.SetEnd(7); }), 296},
      {"TLongNameMedia.Picture", With<TLongNameMedia>([](auto& m) { m.SetPicture("p"); }), 300},
      {"TLongName.Record", With<TLongName>([](auto& n) { n.SetRecord(7); }), 0},
      {"TLongName.Name", With<TLongName>([](auto& n) { n.SetName("n"); }), 4},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> bytes = c.image();
    std::size_t firstSet = 0;
    while (firstSet < bytes.size() && bytes[firstSet] == 0) ++firstSet;
    EXPECT_EQ(firstSet, c.offset) << c.field;
  }
  EXPECT_EQ(TFileRec::kSize, 161u);
  EXPECT_EQ(TMediaSlot::kSize, 553u);
  EXPECT_EQ(TCommentSlot::kSize, 360u);
  EXPECT_EQ(TLongNameMedia::kSize, 1312u);
  EXPECT_EQ(TLongName::kSize, 516u);
}

TEST(ByteImages, ValuesAreLittleEndianAndStringsCounted) {
  TFileRec r;
  r.SetParent(0x01020304);
  r.SetAttr(static_cast<int16_t>(0xFF80));
  r.SetName("abc");
  r.SetSize(5000000000.0);
  EXPECT_EQ(r.Bytes()[0], 0x04);
  EXPECT_EQ(r.Bytes()[3], 0x01);
  EXPECT_EQ(r.Attr(), -128);  // attribute byte 0x80 sign-extended
  EXPECT_EQ(r.Bytes()[12], 3);
  EXPECT_EQ(r.Bytes()[13], 'a');
  EXPECT_EQ(r.Size(), 5000000000.0);
  // A length byte beyond the capacity reads as the capacity.
  r.Bytes()[12] = 200;
  EXPECT_EQ(r.Name().size(), 91u);
  // Texts are cut at the capacity.
  r.SetName(std::string(100, 'n'));
  EXPECT_EQ(r.Name(), std::string(91, 'n'));
}

// ---- catalogue file ----

class CatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("t.qdb");
    ASSERT_TRUE(catalog.CreateCatalog(path));
  }
  int Add(const std::vector<TRecord>& recs, const std::string& category = "HD") {
    TMediaInfomation info = InfoFor(category);
    EXPECT_TRUE(catalog.AddMedia(recs, info));
    return catalog.LastAddedSlot();
  }
  std::vector<uint8_t> Bytes() const { return ReadFileBytes(path); }

  test::TempDir dir;
  std::string path;
  Catalog catalog;
};

TEST_F(CatalogTest, NewCatalogAndLongNameFileHaveTheirFixedLayout) {
  const auto bytes = Bytes();
  ASSERT_EQ(bytes.size(), 2906000u);
  for (int s = 0; s < kMaxMedia; ++s) {
    ASSERT_EQ(bytes[s * 553], 0) << s;
    ASSERT_EQ(LE32(bytes, s * 553 + 96), 0) << s;
  }
  for (int c = 0; c < kMaxComments; ++c) ASSERT_EQ(LE32(bytes, 1106000 + c * 360), -1) << c;

  const auto lfn = ReadFileBytes(dir.File("t.lfn"));
  ASSERT_EQ(lfn.size(), 2624512u);
  EXPECT_EQ(LE32(lfn, 0), 2);
  EXPECT_EQ(LE32(lfn, 4), 2000);
  EXPECT_EQ(LE32(lfn, 8), 0);
  EXPECT_EQ(LE32(lfn, 12), 0);
  EXPECT_EQ(catalog.SlotsUsed(), 0);
  EXPECT_EQ(catalog.DupPath(), dir.File("t.dup"));
  EXPECT_EQ(catalog.LikePath(), dir.File("t.lik"));
}

TEST_F(CatalogTest, FirstMediaOfThreeRecordsIsAppendedAndSlotted) {
  ASSERT_EQ(Add(FlatMedia("M1", 2)), 0);
  const auto bytes = Bytes();
  ASSERT_EQ(bytes.size(), 2906000u + 3 * 161);
  EXPECT_EQ(LE32(bytes, 92), 0);  // FirstRec
  EXPECT_EQ(LE32(bytes, 96), 3);  // Count
  EXPECT_TRUE(std::equal(bytes.begin() + 104, bytes.begin() + 265, bytes.begin() + 2906000));
  EXPECT_EQ(LE32(bytes, 2906000 + 161 + 157), -1);  // CommentNo of a new record
  EXPECT_EQ(catalog.MediaCount(), 1);
  EXPECT_EQ(catalog.LoadedMediaSlot(), -1);

  const auto lfn = ReadFileBytes(dir.File("t.lfn"));
  EXPECT_EQ(LE32(lfn, 8), 1);           // used
  EXPECT_EQ(LE32(lfn, 512 + 288), 1);   // valid
  EXPECT_EQ(lfn[512 + 0], bytes[265]);  // slot copy starts with the drive
}

TEST_F(CatalogTest, DeleteClearsOnlyTheNameAndTheNextMediaFollowsTheRecords) {
  Add(FlatMedia("M1", 2));
  const auto before = Bytes();
  catalog.DeleteMedia(0);
  const auto after = Bytes();
  EXPECT_EQ(after[0], 0);
  EXPECT_NE(LE32(after, 100), 0);  // DeletedDate
  for (std::size_t i = 1; i < 553; ++i)
    if (i < 100 || i > 103) {
      ASSERT_EQ(after[i], before[i]) << i;
    }

  ASSERT_EQ(Add(FlatMedia("M2", 1)), 1);
  EXPECT_EQ(catalog.Slot(1).FirstRec(), 3);
  EXPECT_EQ(catalog.SlotsUsed(), 2);
  EXPECT_EQ(catalog.MediaCount(), 1);
  ASSERT_TRUE(catalog.LoadMedia(1));
  EXPECT_EQ(catalog.LoadedRec(1).Name(), "f0");
}

TEST_F(CatalogTest, NamesLongerThan91BytesGoToTheLongNameFile) {
  auto recs = FlatMedia("M1", 2);
  recs[1].Name = std::string(91, 'a');
  recs[2].Name = std::string(92, 'b');
  Add(recs);
  EXPECT_EQ(catalog.LongNameEntries(), 1);

  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(path));
  ASSERT_TRUE(reopened.ReadLongNames());
  ASSERT_TRUE(reopened.LoadMedia(0));
  EXPECT_FALSE(reopened.HasLongName(1));
  EXPECT_EQ(reopened.RecordName(1), std::string(91, 'a'));
  EXPECT_EQ(reopened.LoadedRec(2).Name(), std::string(91, 'b'));
  EXPECT_EQ(reopened.RecordName(2), std::string(92, 'b'));
  EXPECT_EQ(reopened.LongNameByKey(2, std::string(91, 'b')), std::string(92, 'b'));
  EXPECT_EQ(reopened.LongNameByKey(2, "short"), "short");
  EXPECT_EQ(reopened.LongNameCount(0), 1);
  EXPECT_EQ(reopened.CutNameCount(0), 0);
}

TEST_F(CatalogTest, CommentOnTheRootOfSlotTwoHasKeyTwoMillion) {
  Add(FlatMedia("M0", 1));
  Add(FlatMedia("M1", 1));
  Add(FlatMedia("M2", 1));
  const int32_t key = MakeKey(2, 0);
  ASSERT_EQ(key, 2000000);
  const int index = catalog.AddComment(key, Sj("メモ"), kKindFixed, "M2");
  ASSERT_EQ(index, 0);
  catalog.SetCommentLink(index, key);

  const auto bytes = Bytes();
  EXPECT_EQ(LE32(bytes, 1106000), 2000000);
  EXPECT_EQ(LE32(bytes, 2 * 553 + 104 + 157), 0);      // root copy CommentNo
  EXPECT_EQ(LE32(bytes, 2906000 + 161 * 4 + 157), 0);  // record 0 of slot 2
  EXPECT_EQ(catalog.CommentText(index), Sj("メモ"));
  EXPECT_EQ(catalog.CommentText(5000), "");

  catalog.DeleteComment(index);
  EXPECT_EQ(LE32(Bytes(), 1106000), -1);
}

TEST_F(CatalogTest, MarksToggleSetAndClearAndAreWritten) {
  Add(FlatMedia("M0", 2));
  const int32_t file = MakeKey(0, 2);
  const std::size_t markByte = 2906000 + 161 * 2 + 116;
  EXPECT_EQ(catalog.SetMark(Catalog::MarkChange::Toggle, file), 1);
  EXPECT_EQ(Bytes()[markByte], 1);
  EXPECT_EQ(catalog.SetMark(Catalog::MarkChange::Set, file), 1);
  EXPECT_EQ(catalog.SetMark(Catalog::MarkChange::Toggle, file), 0);
  EXPECT_EQ(Bytes()[markByte], 0);
  EXPECT_EQ(catalog.SetMark(Catalog::MarkChange::Clear, file), 0);
  EXPECT_EQ(catalog.SetMark(Catalog::MarkChange::Keep, file), 0);

  EXPECT_EQ(catalog.SetMark(Catalog::MarkChange::Toggle, MakeKey(0, 0)), 1);
  const auto bytes = Bytes();
  EXPECT_EQ(bytes[104 + 116], 1);      // root copy
  EXPECT_EQ(bytes[2906000 + 116], 1);  // record 0
  EXPECT_EQ(catalog.SetMark(Catalog::MarkChange::Toggle, MakeKey(0, 0)), 0);
}

TEST_F(CatalogTest, RecordPathsWalkUpToTheMediaName) {
  Add(FlatMedia("Other", 1));
  Add(NestedMedia("M"));
  const RecordPathResult leaf = catalog.RecordPath(MakeKey(1, 3));
  EXPECT_EQ(leaf.folder, "M\\A\\B\\");
  EXPECT_EQ(leaf.name, "leaf.txt");
  EXPECT_EQ(catalog.RecordPath(MakeKey(1, 1)).folder, "M\\");
  const RecordPathResult root = catalog.RecordPath(MakeKey(1, 0));
  EXPECT_EQ(root.folder, "");
  EXPECT_EQ(root.name, "M");

  EXPECT_EQ(catalog.BuildRecordPath(1, 3), "M\\A\\B");
  EXPECT_EQ(catalog.BuildRecordPath(1, 1), "M");
  EXPECT_EQ(catalog.BuildRecordPath(1, 0), "");
  catalog.RenameMedia(1, "N");
  EXPECT_EQ(catalog.RecordPath(MakeKey(1, 3)).folder, "N\\A\\B\\");
}

TEST_F(CatalogTest, LoadingTheLoadedMediaDoesNotTouchTheFile) {
  Add(FlatMedia("M0", 1));
  Add(FlatMedia("M1", 1));
  catalog.DeleteMedia(0);
  ASSERT_TRUE(catalog.LoadMedia(1));
  EXPECT_EQ(catalog.LoadedRec(1).Name(), "f0");
  EXPECT_EQ(catalog.LoadedRec(0).Name(), "M1");
  EXPECT_EQ(catalog.LoadedRec(2).Parent(), -1);  // end record
  std::filesystem::remove(path);
  EXPECT_TRUE(catalog.LoadMedia(1));
  EXPECT_FALSE(catalog.LoadMedia(0));
}

TEST_F(CatalogTest, RenameDeleteAndNameChecks) {
  Add(FlatMedia("Disk", 1));
  EXPECT_FALSE(catalog.IsMediaNameFree("Disk"));
  EXPECT_EQ(catalog.FindMediaByName("Disk"), 0);
  EXPECT_TRUE(catalog.IsMediaNameFree("disk"));
  EXPECT_FALSE(catalog.IsMediaNameFree(""));  // never-used slots have the empty name
  // A name longer than a slot holds meets its own media, stored cut.
  const std::string longName(95, 'L');
  catalog.RenameMedia(0, longName);
  EXPECT_FALSE(catalog.IsMediaNameFree(longName));
  EXPECT_EQ(catalog.FindMediaByName(longName), 0);
  catalog.RenameMedia(0, "Disk");
  EXPECT_EQ(catalog.RenameMedia(0, "Renamed"), 1);
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(path));
  EXPECT_EQ(reopened.Slot(0).Name(), "Renamed");
  EXPECT_EQ(reopened.Slot(0).Root().Name(), "Renamed");
  // Record 0 in the record area keeps the name it was read with.
  EXPECT_EQ(Bytes()[2906000 + 12], 4);
}

TEST_F(CatalogTest, CategoryFilterCountersTotalsAndNameLists) {
  Add(FlatMedia("a", 2), "Photos");
  Add(FlatMedia("b", 3), "music");
  Add(FlatMedia("c", 4), "Photos");
  catalog.SetSlotLocation(0, "Shelf");
  catalog.SetSlotLocation(1, "box");
  catalog.WriteSlotTable();

  EXPECT_EQ(catalog.CategoryNames().Names(), (std::vector<std::string>{"music", "Photos"}));
  EXPECT_EQ(catalog.LocationNames().Names(), (std::vector<std::string>{"box", "Shelf"}));
  catalog.SetCategoryFilter("Photos");
  EXPECT_EQ(catalog.FilteredMediaCount(), 2);
  EXPECT_EQ(catalog.TotalFiles(), 6);
  catalog.SetCategoryFilter(Sj("すべて"));
  EXPECT_EQ(catalog.CategoryFilter(), "");
  EXPECT_EQ(catalog.FilteredMediaCount(), 3);
  EXPECT_EQ(catalog.TotalFiles(), 9);
  EXPECT_EQ(catalog.LiveMediaName(1), "b");
  EXPECT_EQ(catalog.LiveMediaName(3), "");

  catalog.SetCategoryFilter("music");
  catalog.DeleteMedia(1);
  EXPECT_EQ(catalog.FilteredMediaCount(), 0);
  EXPECT_EQ(catalog.CategoryNames().Names(), (std::vector<std::string>{"Photos"}));

  NameList list;
  EXPECT_TRUE(list.Add("b"));
  EXPECT_FALSE(list.Add("B"));  // same name in other letter case
  for (int i = 0; i < 120; ++i) list.Add("n" + std::to_string(1000 + i));
  EXPECT_EQ(list.Count(), 100);
  EXPECT_EQ(list.Get(100), "");
}

TEST_F(CatalogTest, CommentListSortsByTheChosenColumn) {
  Add(FlatMedia("M0", 3));
  int32_t clock = 0;
  SetClockForTesting([&clock] { return 1700000000 + 3600 * int64_t{clock++}; });
  catalog.AddComment(MakeKey(0, 1), "beta", kKindFile, "f0");
  catalog.AddComment(MakeKey(0, 2), "Alpha", kKindFile, "f1");
  catalog.AddComment(MakeKey(0, 3), "gamma", kKindFile, "f2");
  SetClockForTesting({});
  ASSERT_EQ(catalog.BuildCommentList(), 3);
  catalog.SortCommentList(0, true);
  EXPECT_EQ(catalog.CommentCell(0, 0), "Alpha");
  EXPECT_EQ(catalog.CommentCell(1, 0), "beta");
  EXPECT_EQ(catalog.CommentCell(2, 0), "gamma");
  catalog.SortCommentList(1, false);  // dates, newest first
  EXPECT_EQ(catalog.CommentCell(0, 2), "f2");
  EXPECT_EQ(catalog.CommentCell(2, 2), "f0");
  EXPECT_EQ(catalog.CommentCell(0, 3), "M0");
  EXPECT_EQ(catalog.CommentCell(3, 0), "");
}

TEST_F(CatalogTest, FailedWriteThrowsAnErrorNamingTheFile) {
  Add(FlatMedia("M0", 1));
  std::filesystem::remove(path);
  try {
    catalog.RenameMedia(0, "x");
    FAIL() << "no error";
  } catch (const CatalogError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

TEST_F(CatalogTest, FactsAndSlotQueries) {
  Add(FlatMedia("M0", 1));
  EXPECT_TRUE(catalog.FetchMediaFacts(MakeKey(0, 1)));
  EXPECT_EQ(catalog.ShownMedia().ClusterSize, 4096);
  EXPECT_EQ(catalog.ShownMedia().Drive, "d");
  EXPECT_FALSE(catalog.FetchMediaFacts(MakeKey(1, 0)));
  catalog.ChangeMediaDrive(0, "e");
  EXPECT_EQ(catalog.MediaDriveOf(5), "e");
  EXPECT_EQ(catalog.ShownMedia().Drive, "e");
  EXPECT_EQ(catalog.SlotVolumeSerial(2000), "");
  EXPECT_EQ(catalog.SlotReadDate(-1), 0);
  EXPECT_EQ(catalog.CatalogFileSize(), 2906000 + 2 * 161);
  EXPECT_GT(catalog.CatalogFreeSpace(), 0);
}

TEST(CatalogPaths, NewCatalogueNamesGetTheExtensionUnlessTheyHaveIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"Default", "Default.qdb"},
      {"x.QDB", "x.QDB"},
      {"backup.qdb.old", "backup.qdb.old"},
      {"/tmp/a.db", "/tmp/a.db.qdb"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(ApplyCatalogExtension(in), out) << in;
}

TEST(CatalogOpen, FailedOpenKeepsTheCatalogueOpenBefore) {
  test::TempDir dir;
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("good.qdb")));
  TMediaInfomation info = InfoFor();
  ASSERT_TRUE(catalog.AddMedia(FlatMedia("M", 1), info));
  test::WriteFileBytes(dir.File("short.qdb"), std::vector<uint8_t>(2905999, 0));
  EXPECT_FALSE(catalog.OpenCatalog(dir.File("short.qdb")));
  EXPECT_FALSE(catalog.OpenCatalog(dir.File("missing.qdb")));
  EXPECT_EQ(catalog.CatalogPath(), dir.File("good.qdb"));
  EXPECT_EQ(catalog.MediaCount(), 1);
}

// ---- damaged files never crash, read out of bounds or write ----

struct DamageCase {
  const char* what;
  std::function<void(std::vector<uint8_t>&)> damage;
  bool loads;
};

TEST(CatalogDamage, DamagedMediaFailToLoadWithoutWriting) {
  const std::vector<DamageCase> cases = {
      {"count past the end", [](auto& b) { b[96 + 553] = 50; }, false},
      {"count negative", [](auto& b) { b[99 + 553] = 0x80; }, false},
      {"first child out of range", [](auto& b) { b[2906000 + 161 * 3 + 4] = 9; }, false},
      {"first child before itself", [](auto& b) { b[2906000 + 161 * 5 + 4] = 1; }, false},
      {"parent out of range", [](auto& b) { b[2906000 + 161 * 4] = 60; }, false},
      {"root with a parent", [](auto& b) { b[2906000 + 161 * 3] = 1; }, false},
      {"name length above capacity", [](auto& b) { b[2906000 + 161 * 4 + 12] = 250; }, true},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    const std::string path = dir.File("d.qdb");
    {
      Catalog catalog;
      ASSERT_TRUE(catalog.CreateCatalog(path));
      TMediaInfomation info = InfoFor();
      catalog.AddMedia(FlatMedia("A", 2), info);
      catalog.AddMedia(FlatMedia("B", 2), info);
    }
    auto bytes = ReadFileBytes(path);
    c.damage(bytes);
    test::WriteFileBytes(path, bytes);

    Catalog catalog;
    ASSERT_TRUE(catalog.OpenCatalog(path)) << c.what;
    catalog.ReadLongNames();
    EXPECT_EQ(catalog.LoadMedia(1), c.loads) << c.what;
    if (c.loads) {
      EXPECT_EQ(catalog.LoadedRec(1).Name().size(), 91u) << c.what;
    }
    EXPECT_TRUE(catalog.RecordPath(MakeKey(1, 2)).folder.empty() == !c.loads) << c.what;
    EXPECT_TRUE(catalog.LoadMedia(0)) << c.what;
    EXPECT_EQ(ReadFileBytes(path), bytes) << c.what;
  }
}

TEST(CatalogDamage, DamagedLongNameFilesKeepWhatIsSoundAndAreSetAside) {
  const auto lfnCount = [](auto& b, int32_t v) { std::memcpy(&b[12], &v, 4); };
  const auto lfnField = [](auto& b, std::size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); };
  const auto entryRange = [](auto& b, int slot, int32_t first, int32_t end) {
    std::memcpy(&b[512 + slot * 1312 + 292], &first, 4);
    std::memcpy(&b[512 + slot * 1312 + 296], &end, 4);
  };
  const std::vector<DamageCase> cases = {
      {"shorter than its header", [](auto& b) { b.resize(1000); }, false},
      {"cut inside the entries", [](auto& b) { b.resize(b.size() - 100); }, true},
      {"count beyond the entries", [&](auto& b) { lfnCount(b, 40); }, true},
      {"negative count", [&](auto& b) { lfnCount(b, -5); }, true},
      {"range past count", [&](auto& b) { entryRange(b, 0, 0, 900); }, true},
      {"ranges overlap", [&](auto& b) { entryRange(b, 1, 0, 2); }, true},
      {"range reversed", [&](auto& b) { entryRange(b, 0, 2, -7); }, true},
      // A capacity other than the fixed one once passed as sound and kept
      // every later media from its long names.
      {"capacity 0", [&](auto& b) { lfnField(b, 4, 0); }, true},
      {"capacity 1", [&](auto& b) { lfnField(b, 4, 1); }, true},
      // Entries beyond "used" went unchecked until the next add raised it
      // over them and indexed a reversed range.
      {"reversed range beyond used",
       [&](auto& b) {
         lfnField(b, 8, 0);
         entryRange(b, 0, -7, 2);
       },
       true},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    const std::string path = dir.File("d.qdb");
    {
      Catalog catalog;
      ASSERT_TRUE(catalog.CreateCatalog(path));
      TMediaInfomation info = InfoFor();
      auto a = FlatMedia("A", 2);
      a[1].Name = std::string(95, 'a');
      a[2].Name = std::string(96, 'b');
      catalog.AddMedia(a, info);
      auto b = FlatMedia("B", 1);
      b[1].Name = std::string(97, 'c');
      catalog.AddMedia(b, info);
    }
    auto lfn = ReadFileBytes(dir.File("d.lfn"));
    c.damage(lfn);
    test::WriteFileBytes(dir.File("d.lfn"), lfn);

    Catalog catalog;
    ASSERT_TRUE(catalog.OpenCatalog(path)) << c.what;
    catalog.ReadLongNames();
    ASSERT_TRUE(catalog.LoadMedia(0)) << c.what;
    // Each name is either its complete self or cut to 91 bytes, never another's.
    for (int r = 1; r <= 2; ++r) {
      const std::string name = catalog.RecordName(r);
      const std::string full(static_cast<std::size_t>(94 + r), static_cast<char>('a' + r - 1));
      EXPECT_TRUE(name == full || name == full.substr(0, 91)) << c.what << " " << name;
    }
    ASSERT_TRUE(catalog.LoadMedia(1)) << c.what;
    EXPECT_EQ(ReadFileBytes(dir.File("d.lfn")), lfn) << c.what;  // reading writes nothing

    // The next rewrite keeps the damaged file aside instead of destroying it.
    TMediaInfomation info = InfoFor();
    auto added = FlatMedia("C", 1);
    added[1].Name = std::string(98, 'd');
    ASSERT_TRUE(catalog.AddMedia(added, info)) << c.what;
    EXPECT_EQ(ReadFileBytes(dir.File("d.lfn.damaged")), lfn) << c.what;
    Catalog again;
    ASSERT_TRUE(again.OpenCatalog(path));
    EXPECT_TRUE(again.ReadLongNames()) << c.what;
    ASSERT_TRUE(again.LoadMedia(2)) << c.what;
    EXPECT_EQ(again.RecordName(1), added[1].Name) << c.what;
  }
}

// A catalogue at `path` holding media "A" of `files` files, then `damage`
// applied to the bytes of the file `damaged` (the catalogue or a side file).
void MakeDamagedCatalog(const std::string& path, int files, const std::string& damaged,
                        const std::function<void(std::vector<uint8_t>&)>& damage) {
  {
    Catalog catalog;
    ASSERT_TRUE(catalog.CreateCatalog(path));
    TMediaInfomation info = InfoFor();
    ASSERT_TRUE(catalog.AddMedia(FlatMedia("A", files), info));
  }
  auto bytes = ReadFileBytes(damaged);
  damage(bytes);
  test::WriteFileBytes(damaged, bytes);
}

TEST(CatalogDamage, ACountPastTheEndNeverSizesTheLoadedTable) {
  if (!test::kCanLimitAddressSpace) GTEST_SKIP() << "needs a build without the address sanitizer";
  test::TempDir dir;
  const std::string path = dir.File("n.qdb");
  // The slot claims the most records a media may have (322 MB of table); the
  // file holds three.
  MakeDamagedCatalog(path, 2, path, [](auto& bytes) {
    const int32_t count = kMaxRecords;
    std::memcpy(&bytes[TMediaSlot::kCount], &count, 4);
  });
  Catalog catalog;
  ASSERT_TRUE(catalog.OpenCatalog(path));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        test::LimitAddressSpace(std::size_t{128} << 20);
        const bool loaded = catalog.LoadMedia(0);
        const bool told = catalog.LastError().find("run past the end") != std::string::npos;
        std::exit(!loaded && told ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(CatalogRecordArea, MappedOrReadItHoldsTheStoredRecordsAndACutFileGivesNone) {
  test::TempDir dir;
  const std::string path = dir.File("m.qdb");
  MakeDamagedCatalog(path, 3000, path, [](auto&) {});
  Catalog catalog;
  ASSERT_TRUE(catalog.OpenCatalog(path));
  std::vector<uint8_t> visited;
  ASSERT_TRUE(catalog.VisitMediaRecords(0, [&](int32_t, const TFileRec& rec) {
    visited.insert(visited.end(), rec.Data(), rec.Data() + TFileRec::kSize);
  }));
  const std::unique_ptr<RecordArea> opened = catalog.OpenRecordArea(0);
  ASSERT_TRUE(opened);
  int64_t position = 0;
  int32_t count = 0;
  ASSERT_TRUE(catalog.LocateMedia(0, position, count));
  RecordArea mapped(BinaryFile::TryRead(path), position, count, RecordArea::Access::Map);
  EXPECT_TRUE(mapped.Mapped());
  RecordArea read(BinaryFile::TryRead(path), position, count, RecordArea::Access::Read);
  EXPECT_FALSE(read.Mapped());
  for (RecordArea* area : {opened.get(), &mapped, &read}) {
    ASSERT_EQ(area->Count(), 3001);
    const uint8_t* all = area->Block(0, 3001);
    EXPECT_TRUE(std::equal(visited.begin(), visited.end(), all));
    const TFileRec last = area->Record(3000);
    EXPECT_TRUE(
        std::equal(last.Data(), last.Data() + TFileRec::kSize, visited.end() - TFileRec::kSize));
    EXPECT_THROW(area->Block(2990, 12), std::out_of_range);
  }

  const std::string cut = dir.File("cut.qdb");
  MakeDamagedCatalog(cut, 3000, cut, [](auto& bytes) { bytes.resize(bytes.size() - 100); });
  Catalog damaged;
  ASSERT_TRUE(damaged.OpenCatalog(cut));
  EXPECT_FALSE(damaged.OpenRecordArea(0));
  EXPECT_NE(damaged.LastError().find("run past the end"), std::string::npos);
}

TEST(CatalogDamage, AUsedCountAtTheCapacityStillTakesTheNextMediasLongNames) {
  test::TempDir dir;
  const std::string path = dir.File("u.qdb");
  MakeDamagedCatalog(path, 1, dir.File("u.lfn"), [](auto& lfn) {
    const int32_t used = 2000;
    std::memcpy(&lfn[8], &used, 4);
  });

  Catalog catalog;
  ASSERT_TRUE(catalog.OpenCatalog(path));
  catalog.ReadLongNames();
  TMediaInfomation info = InfoFor();
  auto added = FlatMedia("B", 1);
  added[1].Name = std::string(99, 'e');
  ASSERT_TRUE(catalog.AddMedia(added, info));
  Catalog again;
  ASSERT_TRUE(again.OpenCatalog(path));
  EXPECT_TRUE(again.ReadLongNames());
  ASSERT_TRUE(again.LoadMedia(1));
  EXPECT_EQ(again.RecordName(1), added[1].Name);
}

TEST(TypeNameCache, FallbacksAndOneEntryPerExtension) {
  TypeNames names;
  EXPECT_EQ(names.TypeName(kKindFile, "README"), Sj("ファイル"));
  EXPECT_EQ(names.TypeName(kKindFolder, "x.txt"), Sj("ファイル フォルダ"));
  EXPECT_EQ(names.TypeName(kKindFixed, "x"), "HD");
  EXPECT_EQ(names.TypeName(kKindFile, "x.zzqq"), Sj("ZZQQファイル"));
  const std::string jpeg = names.TypeName(kKindFile, "photo.JPG");
  EXPECT_FALSE(jpeg.empty());
  EXPECT_EQ(names.TypeName(kKindFile, "x.jpg"), jpeg);
  EXPECT_EQ(names.CacheSize(), 2u);
}

}  // namespace
}  // namespace plomix

namespace plomix {
namespace {

TEST(CatalogCreate, AFailedCreationLeavesTheOpenCatalogueIntact) {
  test::TempDir dir;
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("good.qdb")));
  TMediaInfomation info = test::InfoFor();
  ASSERT_TRUE(catalog.AddMedia(test::FlatMedia("Kept", 1), info));
  test::WriteFileBytes(dir.File("blocker"), {1});  // a file where a folder would be needed

  EXPECT_FALSE(catalog.CreateCatalog(dir.File("blocker/new.qdb")));
  EXPECT_FALSE(catalog.LastError().empty());
  EXPECT_EQ(catalog.CatalogPath(), dir.File("good.qdb"));
  EXPECT_EQ(catalog.MediaCount(), 1);
  catalog.WriteSlotTable();  // what the next change would do
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(dir.File("good.qdb")));
  EXPECT_EQ(reopened.Slot(0).Name(), "Kept");
}

}  // namespace
}  // namespace plomix
