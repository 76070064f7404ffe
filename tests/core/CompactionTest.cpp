#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Compaction.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

using test::FlatMedia;
using test::InfoFor;

class CompactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("c.qdb");
    ASSERT_TRUE(catalog.CreateCatalog(path));
  }
  int Add(std::vector<TRecord> recs) {
    TMediaInfomation info = InfoFor();
    EXPECT_TRUE(catalog.AddMedia(recs, info));
    return catalog.LastAddedSlot();
  }
  // Reopens the catalogue from disk, as the next start of the program would.
  Catalog Reopened() const {
    Catalog c;
    EXPECT_TRUE(c.OpenCatalog(path));
    EXPECT_TRUE(c.ReadLongNames());
    return c;
  }
  // Every live media loads and its first file has the expected name.
  static void ExpectMediaIntact(Catalog& c, int slot, const std::string& name, int files) {
    ASSERT_TRUE(c.Slot(slot).IsLive()) << slot;
    EXPECT_EQ(c.Slot(slot).Name(), name);
    ASSERT_TRUE(c.LoadMedia(slot)) << c.LastError();
    EXPECT_EQ(c.LoadedCount(), files + 1);
    EXPECT_EQ(c.LoadedRec(0).Name(), name);
    EXPECT_EQ(c.LoadedRec(files).Name(), "f" + std::to_string(files - 1));
  }

  test::TempDir dir;
  std::string path;
  Catalog catalog;
};

TEST_F(CompactionTest, LiveMediaAfterADeletedOneMoveDown) {
  Add(FlatMedia("A", 2));  // 3 records
  Add(FlatMedia("B", 9));  // 10 records
  Add(FlatMedia("C", 4));  // 5 records
  catalog.DeleteMedia(1);
  std::vector<QString> progress;
  ASSERT_EQ(catalog.CompactCatalog([&](const QString& s) { progress.push_back(s); }),
            CompactResult::Done);
  EXPECT_EQ(progress, (std::vector<QString>{QStringLiteral("最適化中...(1/1)"), QString()}));

  Catalog disk = Reopened();
  for (Catalog* c : {&catalog, &disk}) {
    EXPECT_EQ(c->SlotsUsed(), 2);
    EXPECT_EQ(c->Slot(1).FirstRec(), 3);
    EXPECT_TRUE(c->Slot(2).IsNeverUsed());
    ExpectMediaIntact(*c, 0, "A", 2);
    ExpectMediaIntact(*c, 1, "C", 4);
  }
  EXPECT_EQ(test::FileSize(path), 2906000u + 161 * (3 + 5));
  EXPECT_EQ(catalog.CompactCatalog(), CompactResult::NothingToDo);
}

TEST_F(CompactionTest, DeletingOnlyTheLastMediaCutsTheFile) {
  Add(FlatMedia("A", 2));
  Add(FlatMedia("B", 3));
  catalog.DeleteMedia(1);
  CompactionButtonState before = RefreshCompactionButton(catalog);
  EXPECT_TRUE(before.enabled);
  EXPECT_EQ(before.hint, QStringLiteral("DB最適化(削除済みメディア数=1)"));

  std::vector<QString> progress;
  ASSERT_EQ(catalog.CompactCatalog([&](const QString& s) { progress.push_back(s); }),
            CompactResult::Done);
  EXPECT_EQ(progress, std::vector<QString>{QString()});
  EXPECT_EQ(test::FileSize(path), 2906000u + 161 * 3);
  EXPECT_TRUE(catalog.Slot(1).IsNeverUsed());
  CompactionButtonState after = RefreshCompactionButton(catalog);
  EXPECT_FALSE(after.enabled);
  EXPECT_EQ(after.hint, QStringLiteral("DB最適化"));
  // The freed room is used again by the next media.
  EXPECT_EQ(Add(FlatMedia("D", 1)), 1);
  EXPECT_EQ(catalog.Slot(1).FirstRec(), 3);
}

TEST_F(CompactionTest, LongNamesAndCommentsMoveWithTheirMedia) {
  for (int s = 0; s < 7; ++s) Add(FlatMedia("M" + std::to_string(s), 1));
  auto withLong = FlatMedia("Long", 3);
  withLong[2].Name = std::string(120, 'x');
  withLong[3].Name = std::string(100, 'y');
  ASSERT_EQ(Add(withLong), 7);
  Add(FlatMedia("Last", 2));

  // A comment on a file of the media that moves, one on its root, and one
  // on a media that is deleted.
  const int onFile = catalog.AddComment(MakeKey(7, 3), "file note", kKindFile, "y");
  catalog.SetCommentLink(onFile, MakeKey(7, 3));
  const int onRoot = catalog.AddComment(MakeKey(7, 0), "root note", kKindFixed, "Long");
  catalog.SetCommentLink(onRoot, MakeKey(7, 0));
  const int onDeleted = catalog.AddComment(MakeKey(4, 1), "gone", kKindFile, "f0");
  catalog.SetCommentLink(onDeleted, MakeKey(4, 1));
  for (int s = 3; s <= 6; ++s) catalog.DeleteMedia(s);

  ASSERT_EQ(catalog.CompactCatalog(), CompactResult::Done);
  Catalog disk = Reopened();
  for (Catalog* c : {&catalog, &disk}) {
    EXPECT_EQ(c->Slot(3).Name(), "Long");
    EXPECT_EQ(c->Slot(4).Name(), "Last");
    ASSERT_TRUE(c->LoadMedia(3));
    EXPECT_EQ(c->LongNameOf(2), std::string(120, 'x'));
    EXPECT_EQ(c->LongNameOf(3), std::string(100, 'y'));
    EXPECT_EQ(c->RecordName(1), "f0");
    EXPECT_EQ(c->LongNameByKey(MakeKey(3, 2), std::string(91, 'x')), std::string(120, 'x'));
    EXPECT_EQ(c->LongNameEntries(), 2);

    EXPECT_EQ(c->CommentSlot(onFile).Key(), MakeKey(3, 3));
    EXPECT_EQ(c->LoadedRec(3).CommentNo(), onFile);
    EXPECT_EQ(c->CommentSlot(onRoot).Key(), MakeKey(3, 0));
    EXPECT_EQ(c->Slot(3).Root().CommentNo(), onRoot);
    EXPECT_TRUE(c->CommentSlot(onDeleted).IsFree());
    ExpectMediaIntact(*c, 4, "Last", 2);
  }
}

TEST_F(CompactionTest, AFailedCopyLeavesAUsableCatalogue) {
  Add(FlatMedia("A", 2));  // positions 0..2
  Add(FlatMedia("B", 3));  // 3..6, deleted
  Add(FlatMedia("C", 1));  // 7..8
  Add(FlatMedia("D", 4));  // 9..13, deleted
  // A Japanese name shows that the error carries the name as UTF-8, not as CP932 bytes.
  const std::string cutName = test::Sj("写真E");
  Add(FlatMedia(cutName, 2));  // 14..16, its records cut off below
  catalog.DeleteMedia(1);
  catalog.DeleteMedia(3);
  const std::uintmax_t cutSize = 2906000u + 161 * 15;
  std::filesystem::resize_file(path, cutSize);

  const std::vector<uint8_t> before = test::ReadFileBytes(path);
  const std::vector<uint8_t> namesBefore = test::ReadFileBytes(dir.File("c.lfn"));

  EXPECT_EQ(catalog.CompactCatalog(), CompactResult::CopyFailed);
  EXPECT_NE(catalog.LastError().find("\"写真E\""), std::string::npos) << catalog.LastError();
  EXPECT_NE(text::ErrorText(catalog.LastFailure(), text::Language::Japanese).find("（「写真E」）"),
            std::string::npos);
  // Nothing is moved: the compacted catalogue would lack E's records.
  EXPECT_EQ(test::ReadFileBytes(path), before);
  EXPECT_EQ(test::ReadFileBytes(dir.File("c.lfn")), namesBefore);

  Catalog disk = Reopened();
  for (Catalog* c : {&catalog, &disk}) {
    EXPECT_EQ(c->SlotsUsed(), 5);
    EXPECT_EQ(c->MediaCount(), 3);
    ExpectMediaIntact(*c, 0, "A", 2);
    ExpectMediaIntact(*c, 2, "C", 1);
    EXPECT_EQ(c->Slot(4).Name(), cutName);
    EXPECT_FALSE(c->LoadMedia(4));
  }
  // Adding a media afterwards still lands behind every referenced record.
  EXPECT_EQ(Add(FlatMedia("F", 1)), 5);
  EXPECT_EQ(catalog.Slot(5).FirstRec(), 17);
}

TEST(CompactionText, ProgressNamesTheMoveAndTheTotal) {
  EXPECT_EQ(CompactionProgressText(3, 5), QStringLiteral("最適化中...(3/5)"));
}

TEST(CompactionCopy, RefusesASourceThatIsNotWhollyInTheFile) {
  test::TempDir dir;
  const std::string path = dir.File("x.qdb");
  test::WriteFileBytes(path, std::vector<uint8_t>(2906000 + 161 * 4, 7));
  EXPECT_EQ(Catalog::CopyRecords(path, 3, 0, 2), 0);
  EXPECT_EQ(test::ReadFileBytes(path), std::vector<uint8_t>(2906000 + 161 * 4, 7));
  EXPECT_EQ(Catalog::CopyRecords(path, 2, 0, 2), 2906000 + 161 * 2);
}

}  // namespace
}  // namespace plomix
