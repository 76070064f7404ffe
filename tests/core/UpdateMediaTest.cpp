// Updating a media: the new reading takes the old one's slot and keeps what
// people added to it (comments, marks, filing, picture) wherever the entry is
// still there by its exact path.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/CatalogInternal.h"
#include "core/Text.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

using catalog_internal::VectorSource;
using test::FlatMedia;
using test::InfoFor;

const std::string kSmile = "\xF0\x9F\x98\x80";  // CP932 cannot hold it

TRecord Folder(int parent, int firstChild, const std::string& name) {
  return {.Parent = parent,
          .FirstChild = firstChild,
          .Kind = kKindFolder,
          .Attr = kAttrDirectory,
          .Name = name};
}
TRecord File(int parent, const std::string& name, double size = 10, int32_t date = 0x52000000) {
  TRecord r{.Parent = parent, .Kind = kKindFile, .Attr = kAttrArchive, .Name = name, .Size = size};
  r.FileDate = date;
  return r;
}
TRecord Exact(TRecord r, const std::string& native) {
  r.ExactName = native;
  return r;
}
TRecord Root(const std::string& name, int firstChild) {
  return {.FirstChild = firstChild, .Kind = kKindFixed, .Attr = kAttrDirectory, .Name = name};
}

// root: docs/ gone/ top.txt x(smile) ; docs: a.txt b.txt ; gone: c.txt
std::vector<TRecord> OldReading() {
  return {Root("Disk", 1),
          Folder(0, 5, "docs"),
          Folder(0, 7, "gone"),
          File(0, "top.txt"),
          Exact(File(0, "x?"), "x" + kSmile),
          File(1, "a.txt"),
          File(1, "b.txt"),
          File(2, "c.txt")};
}

// root: added/ docs/ Top.txt x(smile) X(smile) ; added: n.txt ; docs: a.txt b.txt (changed)
std::vector<TRecord> NewReading() {
  return {Root("Disk read again", 1),
          Folder(0, 6, "added"),
          Folder(0, 7, "docs"),
          File(0, "Top.txt"),
          Exact(File(0, "X?"), "X" + kSmile),
          Exact(File(0, "x?"), "x" + kSmile),
          File(1, "n.txt"),
          File(2, "a.txt"),
          File(2, "b.txt", 999, 0x53000000)};
}

int FindRecord(Catalog& c, int slot, const std::string& shown) {
  EXPECT_TRUE(c.LoadMedia(slot));
  for (int r = 0; r < c.LoadedCount(); ++r)
    if (c.ShownRecordName(r) == shown) return r;
  return -1;
}

std::string CommentOf(Catalog& c, int slot, int r) {
  EXPECT_TRUE(c.LoadMedia(slot));
  const int comment = c.LoadedRec(r).CommentNo();
  if (comment < 0) return "";
  EXPECT_EQ(c.CommentSlot(comment).Key(), MakeKey(slot, r));
  return c.CommentText(comment);
}

class UpdateMediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("u.qdb");
    ASSERT_TRUE(c.CreateCatalog(path));
    TMediaInfomation info = InfoFor();
    ASSERT_TRUE(c.AddMedia(FlatMedia("First", 2), info));
    info = InfoFor();
    const auto old = OldReading();
    ASSERT_TRUE(c.AddMedia(VectorSource(old), info));
    info = InfoFor();
    ASSERT_TRUE(c.AddMedia(FlatMedia("Next", 3), info));
    ASSERT_TRUE(c.LoadMedia(2));
    ASSERT_GE(c.AddComment(MakeKey(2, 2), "next note", kKindFile, "f1"), 0);
    c.SetSlotCategory(1, "Backups");
    c.SetSlotLocation(1, "Shelf");
    c.SetSlotLocationDetail(1, "Box 4");
    ASSERT_TRUE(c.WriteSlotTable());
    c.SetMediaPicture(1, "/pictures/disk.png");
    const std::map<int, std::string> notes = {
        {0, "media note"}, {1, "folder note"}, {5, "a note"}, {6, "b note"},
        {3, "top note"},   {4, "exact note"},  {7, "c note"}};
    ASSERT_TRUE(c.LoadMedia(1));
    for (const auto& [r, note] : notes)
      ASSERT_GE(c.AddComment(MakeKey(1, r), note, c.LoadedRec(r).Kind(), c.RecordName(r)), 0);
    for (int r : {5, 6, 7, 4}) ASSERT_EQ(c.SetMark(Catalog::MarkChange::Set, MakeKey(1, r)), 1);
  }

  UpdateOutcome Update() {
    const auto reading = NewReading();
    TMediaInfomation info = InfoFor("ignored");
    info.Drive = "e";
    std::optional<UpdateOutcome> outcome =
        c.UpdateMedia(1, c.IdentityOf(1), VectorSource(reading), info);
    EXPECT_TRUE(outcome.has_value());
    return outcome.value_or(UpdateOutcome{});
  }

  test::TempDir dir;
  std::string path;
  Catalog c;
};

TEST_F(UpdateMediaTest, KeepsCommentsMarksAndFilingOfEntriesStillThere) {
  const UpdateOutcome outcome = Update();
  EXPECT_EQ(outcome.slot, 1);
  EXPECT_EQ(outcome.commentsCarried, 5);
  EXPECT_EQ(outcome.marksCarried, 3);
  ASSERT_EQ(outcome.lostComments.size(), 2u);
  EXPECT_EQ(outcome.lostComments[0].path, "top.txt");
  EXPECT_EQ(outcome.lostComments[0].comment, "top note");
  EXPECT_EQ(outcome.lostComments[1].path, "gone\\c.txt");
  EXPECT_EQ(outcome.lostComments[1].comment, "c note");

  // What another program sees on disk, and this object too.
  Catalog disk;
  ASSERT_TRUE(disk.OpenCatalog(path));
  ASSERT_TRUE(disk.ReadLongNames());
  for (Catalog* cat : {&c, &disk}) {
    Catalog& k = *cat;
    ASSERT_EQ(k.SlotsUsed(), 3);
    const TMediaSlot& s = k.Slot(1);
    EXPECT_EQ(s.Name(), "Disk");
    EXPECT_EQ(s.Count(), 9);
    EXPECT_EQ(s.Category(), "Backups");
    EXPECT_EQ(s.Location(), "Shelf");
    EXPECT_EQ(s.LocationDetail(), "Box 4");
    EXPECT_EQ(s.KindName(), "HD");
    EXPECT_EQ(s.Drive(), "e");  // the new reading's
    EXPECT_EQ(k.MediaPicture(1), "/pictures/disk.png");
    EXPECT_EQ(CommentOf(k, 1, 0), "media note");
    EXPECT_EQ(CommentOf(k, 1, FindRecord(k, 1, "docs")), "folder note");
    const int a = FindRecord(k, 1, "a.txt"), b = FindRecord(k, 1, "b.txt");
    const int x = FindRecord(k, 1, "x" + kSmile), bigX = FindRecord(k, 1, "X" + kSmile);
    EXPECT_EQ(CommentOf(k, 1, a), "a note");
    EXPECT_EQ(CommentOf(k, 1, b), "b note");
    EXPECT_EQ(CommentOf(k, 1, x), "exact note");
    EXPECT_EQ(CommentOf(k, 1, bigX), "");
    EXPECT_EQ(CommentOf(k, 1, FindRecord(k, 1, "Top.txt")), "");
    for (int r : {a, b, x}) EXPECT_EQ(k.LoadedRec(r).Mark(), 1) << r;
    for (int r : {0, bigX, FindRecord(k, 1, "n.txt")}) EXPECT_EQ(k.LoadedRec(r).Mark(), 0) << r;
    EXPECT_EQ(k.LoadedRec(b).Size(), 999);
    // The media after it moved and kept its own comment.
    EXPECT_EQ(k.Slot(2).Name(), "Next");
    EXPECT_EQ(CommentOf(k, 2, 2), "next note");
    ASSERT_TRUE(k.LoadMedia(0));
    EXPECT_EQ(k.LoadedCount(), 3);
    // Exactly the carried comments and the other media's remain.
    int used = 0;
    for (int i = 0; i < kMaxComments; ++i) used += k.CommentSlot(i).IsFree() ? 0 : 1;
    EXPECT_EQ(used, 6);
  }
}

// Texts code page 932 cannot hold stay exact across the update: the media's
// own filing, the moved media's, a carried comment and a lost one.
TEST_F(UpdateMediaTest, ExactTextsSurviveTheUpdate) {
  const std::string cafe = "Backups caf\xC3\xA9", korean = "\xED\x95\x9C\xEA\xB5\xAD";
  ASSERT_TRUE(c.SetSlotText(1, SlotText::Category, cafe));
  ASSERT_TRUE(c.SetSlotText(2, SlotText::Location, korean));
  ASSERT_TRUE(c.WriteSlotTable());
  ASSERT_TRUE(c.LoadMedia(1));
  for (const int r : {5, 7}) {
    const int comment = c.LoadedRec(r).CommentNo();
    c.UpdateCommentText(comment, MakeKey(1, r), c.ExactCommentText(comment) + " " + kSmile);
  }
  const UpdateOutcome outcome = Update();
  ASSERT_EQ(outcome.lostComments.size(), 2u);
  EXPECT_EQ(outcome.lostComments[1].comment, "c note " + kSmile);
  Catalog disk;
  ASSERT_TRUE(disk.OpenCatalog(path));
  ASSERT_TRUE(disk.ReadLongNames());
  for (Catalog* cat : {&c, &disk}) {
    EXPECT_EQ(cat->ExactSlotText(1, SlotText::Category), cafe);
    EXPECT_EQ(cat->ExactSlotText(2, SlotText::Location), korean);
    ASSERT_TRUE(cat->LoadMedia(1));
    const int a = cat->LoadedRec(FindRecord(*cat, 1, "a.txt")).CommentNo();
    ASSERT_GE(a, 0);
    EXPECT_EQ(cat->ExactCommentText(a), "a note " + kSmile);
  }
}

TEST_F(UpdateMediaTest, AMediaThatIsNoLongerThereChangesNothing) {
  const auto before = test::ReadFileBytes(path);
  MediaIdentity stale = c.IdentityOf(1);
  stale.recordCount = 99;
  const auto reading = NewReading();
  TMediaInfomation info = InfoFor();
  EXPECT_THROW(c.UpdateMedia(1, stale, VectorSource(reading), info), MediaMismatch);
  MediaIdentity byName{"Nobody", std::nullopt, std::nullopt};
  EXPECT_THROW(c.UpdateMedia(-1, byName, VectorSource(reading), info), MediaMismatch);
  const std::vector<TRecord> none;
  EXPECT_FALSE(c.UpdateMedia(1, c.IdentityOf(1), VectorSource(none), info).has_value());
  EXPECT_EQ(test::ReadFileBytes(path), before);
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST_F(UpdateMediaTest, ATwiceUpdatedMediaFindsItsMediaByNameAndKeepsItsLongNames) {
  Update();
  // Again, by name, with a long name in the reading.
  auto reading = NewReading();
  reading[6].Name = std::string(120, 'n');
  TMediaInfomation info = InfoFor();
  MediaIdentity byName{"Disk", std::nullopt, std::nullopt};
  std::optional<UpdateOutcome> again = c.UpdateMedia(-1, byName, VectorSource(reading), info);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->commentsCarried, 5);
  EXPECT_TRUE(again->lostComments.empty());
  Catalog disk;
  ASSERT_TRUE(disk.OpenCatalog(path));
  ASSERT_TRUE(disk.ReadLongNames());
  ASSERT_TRUE(disk.LoadMedia(1));
  EXPECT_EQ(disk.RecordName(6), std::string(120, 'n'));
  EXPECT_EQ(disk.ExactName(5), "x" + kSmile);
  EXPECT_EQ(CommentOf(disk, 1, 5), "exact note");
}

}  // namespace
}  // namespace plomix
