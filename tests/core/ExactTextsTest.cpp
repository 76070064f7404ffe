// Media texts and comments that code page 932 cannot hold: kept exactly in
// the exact-name file, cut on a character boundary, bound to what their field
// holds, and what damage to their segments costs.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/ExactNames.h"
#include "core/Text.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;

const std::string kCafe = "caf\xC3\xA9";
const std::string kHangul = "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4";
const std::string kCamera = "\xF0\x9F\x93\xB7";

// Slot 0 "Gone" (deleted before compaction, so that "M" moves down), slot 1
// "M" whose first file carries the comments.
class ExactTextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    io::SetSyncForTesting(false);
    path = dir.File("c.qdb");
    Catalog c;
    ASSERT_TRUE(c.CreateCatalog(path));
    TMediaInfomation info = test::InfoFor();
    ASSERT_TRUE(c.AddMedia(test::FlatMedia("Gone", 2), info));
    ASSERT_TRUE(c.AddMedia(test::FlatMedia("M", 2), info));
  }
  void TearDown() override { io::SetSyncForTesting(true); }
  test::TempDir dir;
  std::string path;
};

TEST_F(ExactTextsTest, TextsSurviveReopeningAndCompactionAsTheUserGaveThem) {
  struct Field {
    const char* name;
    std::function<void(Catalog&, int slot, const std::string&)> set;
    std::function<std::string(Catalog&, int slot)> shown;
    std::function<std::string(Catalog&, int slot)> stored;  // the CP932 form
  };
  const auto comment = [](Catalog& c, int slot) {
    c.LoadMedia(slot);
    return c.LoadedRec(1).CommentNo();
  };
  const Field fields[] = {
      {"media name", [](Catalog& c, int s, const std::string& t) { c.RenameMediaText(s, t); },
       [](Catalog& c, int s) { return c.ExactSlotText(s, SlotText::Name); },
       [](Catalog& c, int s) { return c.Slot(s).Name(); }},
      {"category",
       [](Catalog& c, int s, const std::string& t) {
         c.SetSlotText(s, SlotText::Category, t);
         c.WriteSlotTable();
       },
       [](Catalog& c, int s) { return c.ExactSlotText(s, SlotText::Category); },
       [](Catalog& c, int s) { return c.Slot(s).Category(); }},
      {"location detail",
       [](Catalog& c, int s, const std::string& t) {
         c.SetSlotText(s, SlotText::LocationDetail, t);
         c.WriteSlotTable();
       },
       [](Catalog& c, int s) { return c.ExactSlotText(s, SlotText::LocationDetail); },
       [](Catalog& c, int s) { return c.Slot(s).LocationDetail(); }},
      {"comment",
       [](Catalog& c, int s, const std::string& t) {
         ASSERT_TRUE(c.LoadMedia(s));
         ASSERT_GE(c.AddCommentText(MakeKey(s, 1), t, kKindFile, "f0"), 0);
       },
       [=](Catalog& c, int s) { return c.ExactCommentText(comment(c, s)); },
       [=](Catalog& c, int s) { return c.CommentText(comment(c, s)); }},
  };
  const std::string texts[] = {kCafe, kHangul, kCamera, "x " + kCafe + "\r\n" + kCamera};
  for (const Field& f : fields) {
    for (const std::string& t : texts) {
      const bool multiline = t.find('\n') != std::string::npos;
      if (multiline && std::string(f.name) != "comment") continue;
      const std::string where = std::string(f.name) + " \"" + t + "\"";
      Catalog c;
      ASSERT_TRUE(c.OpenCatalog(path)) << where;
      f.set(c, 1, t);
      EXPECT_EQ(f.shown(c, 1), t) << where;
      EXPECT_EQ(f.stored(c, 1), text::Utf8ToCp932(t)) << where << ": the CP932 form";
      {
        Catalog reopened;
        ASSERT_TRUE(reopened.OpenCatalog(path)) << where;
        EXPECT_EQ(f.shown(reopened, 1), t) << where << ", reopened";
      }
      c.DeleteMedia(0);
      ASSERT_EQ(c.CompactCatalog(), CompactResult::Done) << where;
      EXPECT_EQ(f.shown(c, 0), t) << where << ", compacted";
      Catalog compacted;
      ASSERT_TRUE(compacted.OpenCatalog(path)) << where;
      EXPECT_EQ(f.shown(compacted, 0), t) << where << ", compacted and reopened";
      EXPECT_EQ(compacted.TakeSideFileWarning(), "") << where;
      for (const char* ext : {".qdb", ".lfn", ".exn"}) fs::remove(dir.File(std::string("c") + ext));
      SetUp();
    }
  }
}

TEST(FitToField, CutsAfterTheLastWholeCharacterThatFits) {
  struct Case {
    std::string utf8;
    std::size_t cap;
    std::string kept;
    std::string cp932;
    bool cut;
  } cases[] = {
      {"abc", 3, "abc", "abc", false},
      {"ab" + kCamera + "cd", 3, "ab" + kCamera, "ab?", true},  // an emoji is one '?'
      {"a" + kCamera, 1, "a", "a", true},                       // never half of it
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 5, "\xE6\x97\xA5\xE6\x9C\xAC", "\x93\xFA\x96\x7B",
       true},  // a two-byte character that would not fit whole
      {kCafe + kCafe, 6, kCafe + "ca", "caf?ca", true},
      {"ab\xFF"
       "cd",
       3, "ab\xFF", "ab?", true},  // a byte that is no UTF-8 counts as one
  };
  for (const Case& c : cases) {
    const FittedText f = FitToField(c.utf8, c.cap);
    EXPECT_EQ(f.utf8, c.kept) << c.utf8;
    EXPECT_EQ(f.cp932, c.cp932) << c.utf8;
    EXPECT_EQ(f.cut, c.cut) << c.utf8;
    EXPECT_LE(f.cp932.size(), c.cap) << c.utf8;
  }
}

TEST_F(ExactTextsTest, ALongTextIsStoredCutOnACharacterBoundary) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  c.SetSlotText(1, SlotText::LocationDetail, "shelf 12 " + kCamera + "xyz");
  c.WriteSlotTable();
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(path));
  EXPECT_EQ(reopened.Slot(1).LocationDetail(), "shelf 12 ?");
  EXPECT_EQ(reopened.ExactSlotText(1, SlotText::LocationDetail), "shelf 12 " + kCamera);
}

TEST_F(ExactTextsTest, AnExactTextCountsOnlyWhileItsFieldHoldsWhatItWasWrittenFor) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  c.SetSlotText(1, SlotText::Category, kCafe);
  c.SetSlotText(1, SlotText::Location, kHangul);
  c.WriteSlotTable();
  ASSERT_TRUE(c.LoadMedia(1));
  const int note = c.AddCommentText(MakeKey(1, 1), kCafe, kKindFile, "f0");
  ASSERT_GE(note, 0);

  // Another program changes the category in CP932: its exact form no longer counts.
  Catalog other;
  ASSERT_TRUE(other.OpenCatalog(path));
  other.SetSlotCategory(1, "Disks");
  other.SetSlotLocation(1, other.Slot(1).Location());  // unchanged: kept
  other.WriteSlotTable();
  // A comment moved to another entry with its text as it is keeps its exact
  // text (an update re-keys comments that way).
  other.UpdateComment(note, MakeKey(1, 2), other.CommentText(note));
  c.RefreshFromDisk();
  EXPECT_EQ(c.ExactSlotText(1, SlotText::Category), "Disks");
  EXPECT_EQ(c.ExactSlotText(1, SlotText::Location), kHangul);
  EXPECT_EQ(c.ExactCommentText(note), kCafe);

  // A text CP932 holds clears the exact form, and changing the field back
  // to the old CP932 text does not bring the old exact text back.
  c.SetSlotText(1, SlotText::Location, "caf?");
  c.WriteSlotTable();
  EXPECT_FALSE(c.HasExactSlotText(1, SlotText::Location));
  c.UpdateCommentText(note, MakeKey(1, 2), "plain");
  c.UpdateComment(note, MakeKey(1, 2), "caf?");
  c.DeleteComment(note);
  ASSERT_EQ(c.AddComment(MakeKey(1, 1), "caf?", kKindFile, "f0"), note);
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(path));
  EXPECT_EQ(reopened.ExactSlotText(1, SlotText::Location), "caf?");
  EXPECT_EQ(reopened.ExactCommentText(note), "caf?");
  EXPECT_EQ(reopened.TakeSideFileWarning(), "");
}

TEST_F(ExactTextsTest, DamagedTextSegmentsAreToldOnceAndNeverTakenForText) {
  {
    Catalog c;
    ASSERT_TRUE(c.OpenCatalog(path));
    c.SetSlotText(1, SlotText::Category, kCafe);
    c.WriteSlotTable();
    ASSERT_TRUE(c.LoadMedia(1));
    ASSERT_GE(c.AddCommentText(MakeKey(1, 1), kHangul, kKindFile, "f0"), 0);
  }
  const std::string exn = dir.File("c.exn");
  const auto sound = test::ReadFileBytes(exn);
  // The category's segment, then the comment's (last).
  const std::size_t commentSegment = sound.size() - (exact_file::kTextHeadSize + kHangul.size());
  const std::size_t categorySegment = exact_file::kHeaderSize;
  struct Damage {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> apply;
    bool told, categoryKept, commentKept;
  } damages[] = {
      {"checksum of the first", [&](auto& b) { b[categorySegment + 36] ^= 1; }, true, false, true},
      {"text of the first", [&](auto& b) { b[categorySegment + 41] ^= 0x40; }, true, false, true},
      {"length of the first", [&](auto& b) { b[categorySegment + 32] ^= 0x7F; }, true, false, true},
      {"field of the first", [&](auto& b) { b[categorySegment + 4] = 77; }, true, false, true},
      {"last cut off, its comment stored", [&](auto& b) { b.resize(b.size() - 3); }, true, true,
       false},
      {"last text changed", [&](auto& b) { b[commentSegment + 41] ^= 0x01; }, true, true, false},
      {"garbage after the last", [&](auto& b) { b.insert(b.end(), 50, 0x58); }, true, true, true},
  };
  for (const Damage& d : damages) {
    auto bytes = sound;
    d.apply(bytes);
    test::WriteFileBytes(exn, bytes);
    fs::remove(exn + ".damaged");
    Catalog c;
    ASSERT_TRUE(c.OpenCatalog(path)) << d.name;
    EXPECT_EQ(c.TakeSideFileWarning() != "", d.told) << d.name;
    EXPECT_EQ(c.TakeSideFileWarning(), "") << d.name << ": told twice";
    EXPECT_EQ(c.ExactSlotText(1, SlotText::Category), d.categoryKept ? kCafe : "caf?") << d.name;
    ASSERT_TRUE(c.LoadMedia(1));
    const int note = c.LoadedRec(1).CommentNo();
    EXPECT_EQ(c.ExactCommentText(note), d.commentKept ? kHangul : "???") << d.name;
    // Changes go on; what they write is read back.
    c.SetSlotText(1, SlotText::LocationDetail, kCamera);
    c.WriteSlotTable();
    TMediaInfomation info = test::InfoFor();
    ASSERT_TRUE(c.AddMedia(test::FlatMedia("N", 1), info)) << d.name;
    Catalog after;
    ASSERT_TRUE(after.OpenCatalog(path)) << d.name;
    EXPECT_EQ(after.ExactSlotText(1, SlotText::LocationDetail), kCamera) << d.name;
    EXPECT_EQ(after.ExactSlotText(1, SlotText::Category), d.categoryKept ? kCafe : "caf?")
        << d.name;
  }
}

}  // namespace
}  // namespace plomix
