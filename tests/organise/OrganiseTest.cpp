// The organising rules without a window: field cuts on character
// boundaries, media listings by category and location, moves and storage
// details, numbering, comment writes with their links and the full table,
// marks, and which picture is shown for a link.

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <fstream>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "organise/Comments.h"
#include "organise/DivList.h"
#include "organise/MediaPictures.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

using test::Sj;

// Three media: HD on 棚A, CD without location, CD on 棚B.
class OrganiseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("org.qdb")));
    Add("Disk0", "HD", "棚A");
    Add("Disk1", "CD", "");
    Add("Disk2", "CD", "棚B");
    catalog.RebuildNameLists();
  }
  void Add(const char* name, const char* category, const char* location) {
    TMediaInfomation info = test::InfoFor(Sj(category));
    info.Location = Sj(location);
    ASSERT_TRUE(catalog.AddMedia(test::FlatMedia(name, 3), info));
  }
  std::vector<std::string> Names(int list) const {
    std::vector<std::string> names;
    for (const TRecordDiv& div : lists.List(list)) names.push_back(div.Name);
    return names;
  }
  TRecord Row(int slot, int record) {
    EXPECT_TRUE(catalog.LoadMedia(slot));
    TRecord row;
    row.Key = slot * kKeyFactor + record;
    const TFileRec& rec = catalog.LoadedRec(record);
    row.Kind = rec.Kind();
    row.Name = catalog.RecordName(record);
    row.CommentNo = rec.CommentNo();
    row.Mark = rec.Mark();
    return row;
  }

  test::TempDir dir;
  Catalog catalog;
  DivLists lists;
};

TEST(CutToFieldTest, NeverSplitsATwoByteCharacter) {
  const std::string kana = Sj("あいう");     // 6 bytes
  const std::string halfWidth = Sj("ｱｲｳｴ");  // 4 single bytes
  const struct {
    std::string text;
    std::size_t n;
    std::string expected;
  } cases[] = {
      {"abc", 5, "abc"},
      {"abcdef", 3, "abc"},
      {kana, 5, Sj("あい")},
      {kana, 4, Sj("あい")},
      {"a" + kana, 4, "a" + Sj("あ")},
      {halfWidth, 3, Sj("ｱｲｳ")},
      {Sj("表") + "x", 2, Sj("表")},                      // 表's trail byte is 0x5C
      {std::string("ab\x81"), 3, std::string("ab\x81")},  // a lone lead byte at the end stays
  };
  for (const auto& c : cases) EXPECT_EQ(CutToField(c.text, c.n), c.expected) << c.n;
}

TEST_F(OrganiseTest, ListingsByCategoryAndLocation) {
  EXPECT_EQ(lists.BuildDivList(catalog, 0, DivMode::Category, ""), 3);
  EXPECT_EQ(lists.BuildDivList(catalog, 0, DivMode::Category, AllTabText()), 3);
  EXPECT_EQ(lists.BuildDivList(catalog, 1, DivMode::Category, "CD"), 2);
  EXPECT_EQ(Names(1), (std::vector<std::string>{"Disk1", "Disk2"}));
  const TRecordDiv& first = lists.List(1).front();
  EXPECT_EQ(first.MediaNo, 1);
  EXPECT_EQ(first.Kind, kKindFixed);
  EXPECT_EQ(first.Category, "CD");
  EXPECT_EQ(first.AllFiles, 3);
  EXPECT_EQ(lists.BuildDivList(catalog, 2, DivMode::Location, NoLocationText()), 1);
  EXPECT_EQ(Names(2), std::vector<std::string>{"Disk1"});
  EXPECT_EQ(lists.BuildDivList(catalog, 2, DivMode::Location, Sj("棚B")), 1);
  EXPECT_EQ(Names(2), std::vector<std::string>{"Disk2"});
  // A deleted media is in no listing.
  catalog.DeleteMedia(2);
  EXPECT_EQ(lists.BuildDivList(catalog, 0, DivMode::Category, "CD"), 1);
}

TEST_F(OrganiseTest, MovesChangeMemoryOnlyAndDropEmptiedNames) {
  MoveMedia(catalog, {0}, DivMode::Category, "CD");
  EXPECT_EQ(catalog.CategoryNames().Names(), std::vector<std::string>{"CD"});
  // Names longer than the field keep whole characters.
  const std::string longName = Sj("とても長い分類の名前です本当に長い");  // 34 bytes
  MoveMedia(catalog, {1, 2}, DivMode::Location, longName);
  EXPECT_EQ(catalog.Slot(1).Location(), CutToField(longName, 26));
  EXPECT_EQ(catalog.Slot(1).Location().size(), 26u);
  EXPECT_EQ(catalog.LocationNames().Count(), 2);
  SetLocationDetail(catalog, 0, Sj("あそこ_ｱ001"));  // 11 bytes: the 1 is cut
  EXPECT_EQ(catalog.Slot(0).LocationDetail(), Sj("あそこ_ｱ00"));
  SetLocationDetail(catalog, 1, Sj("ああああ_あ"));  // 11 bytes: the last あ goes whole
  EXPECT_EQ(catalog.Slot(1).LocationDetail(), Sj("ああああ_"));
  // Typed as UTF-8: kept exactly, listed and filtered by the exact form.
  MoveMediaText(catalog, {0}, DivMode::Category, "caf\xC3\xA9");
  MoveMediaText(catalog, {2}, DivMode::Category, "caf\xC3\xA8");
  EXPECT_EQ(catalog.ExactTextList(SlotText::Category),
            (std::vector<std::string>{"caf\xC3\xA8", "caf\xC3\xA9", "CD"}));
  DivLists exactLists;
  EXPECT_EQ(exactLists.BuildDivListText(catalog, 0, DivMode::Category, "caf\xC3\xA9"), 1);
  MoveMediaText(catalog, {0}, DivMode::Category, "CD");

  // Nothing was written: the file still has the old slots.
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(dir.File("org.qdb")));
  EXPECT_EQ(reopened.Slot(0).Category(), "HD");
  ASSERT_TRUE(catalog.WriteSlotTable());
  ASSERT_TRUE(reopened.OpenCatalog(dir.File("org.qdb")));
  EXPECT_EQ(reopened.Slot(0).Category(), "CD");
  EXPECT_EQ(reopened.Slot(2).Location(), CutToField(longName, 26));
  EXPECT_EQ(reopened.ExactSlotText(2, SlotText::Category), "caf\xC3\xA8");
}

TEST(NumberDetailsTest, PrefixAndRunningNumbers) {
  const struct {
    const char* start;
    int count;
    std::vector<std::string> expected;
  } cases[] = {
      {"001", 3, {"P001", "P002", "P003"}},
      {"9", 3, {"P9", "P0", "P1"}},
      {"098", 3, {"P098", "P099", "P100"}},
      {"99999", 2, {"P99999", "P00000"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NumberDetails("P", c.start, c.count), c.expected) << c.start;
  EXPECT_FALSE(NumberDetails("P", "", 2).has_value());
  EXPECT_FALSE(NumberDetails("P", "1a", 2).has_value());
  // The default prefix with three digits fills the 10-byte field exactly.
  EXPECT_EQ((*NumberDetails(Sj("あそこ_"), "001", 1))[0].size(), 10u);
}

TEST_F(OrganiseTest, CommentAddChangeDeleteWithLinks) {
  TRecord row = Row(1, 2);
  EXPECT_EQ(WriteEntryComment(catalog, row, ""), CommentWrite::Nothing);
  EXPECT_EQ(WriteEntryComment(catalog, row, "first\r\nline"), CommentWrite::Added);
  const int slot = row.CommentNo;
  ASSERT_GE(slot, 0);
  EXPECT_EQ(row.Texts.at(8), "first\r\nline");
  EXPECT_EQ(WriteEntryComment(catalog, row, "second"), CommentWrite::Updated);
  EXPECT_EQ(row.CommentNo, slot);
  // Typed text CP932 cannot hold is kept exactly, the row gets its CP932 form.
  const std::string exact = "caf\xC3\xA9\r\n\xF0\x9F\x93\xB7";
  EXPECT_EQ(WriteEntryCommentText(catalog, row, exact), CommentWrite::Updated);
  EXPECT_EQ(row.Texts.at(8), "caf?\r\n?");
  EXPECT_EQ(catalog.ExactCommentText(slot), exact);
  EXPECT_EQ(WriteEntryComment(catalog, row, "second"), CommentWrite::Updated);

  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(dir.File("org.qdb")));
  ASSERT_TRUE(reopened.LoadMedia(1));
  EXPECT_EQ(reopened.LoadedRec(2).CommentNo(), slot);
  EXPECT_EQ(reopened.CommentText(slot), "second");
  EXPECT_EQ(reopened.CommentSlot(slot).Key(), 1 * kKeyFactor + 2);

  EXPECT_EQ(WriteEntryComment(catalog, row, ""), CommentWrite::Deleted);
  EXPECT_EQ(row.CommentNo, -1);
  ASSERT_TRUE(reopened.OpenCatalog(dir.File("org.qdb")));
  ASSERT_TRUE(reopened.LoadMedia(1));
  EXPECT_EQ(reopened.LoadedRec(2).CommentNo(), -1);
  EXPECT_EQ(reopened.CommentSlot(slot).Key(), -1);

  // A media row links through the media's root copy.
  TRecord media = Row(2, 0);
  EXPECT_EQ(WriteEntryComment(catalog, media, "disc"), CommentWrite::Added);
  ASSERT_TRUE(reopened.OpenCatalog(dir.File("org.qdb")));
  EXPECT_EQ(reopened.CommentText(reopened.Slot(2).Root().CommentNo()), "disc");
}

TEST_F(OrganiseTest, DamagedLinksNeverOverwriteAnotherEntrysComment) {
  TRecord owner = Row(0, 1);
  ASSERT_EQ(WriteEntryComment(catalog, owner, "mine"), CommentWrite::Added);
  for (const int bad : {owner.CommentNo, 7000}) {
    TRecord other = Row(0, 2);
    other.CommentNo = bad;
    EXPECT_EQ(WriteEntryComment(catalog, other, "theirs"), CommentWrite::Added) << bad;
    EXPECT_NE(other.CommentNo, owner.CommentNo);
    EXPECT_EQ(catalog.CommentText(owner.CommentNo), "mine");
    other.CommentNo = bad;
    EXPECT_EQ(WriteEntryComment(catalog, other, ""), CommentWrite::Deleted);
    EXPECT_EQ(catalog.CommentText(owner.CommentNo), "mine");
    EXPECT_EQ(Row(0, 2).CommentNo, -1);
  }
}

TEST_F(OrganiseTest, LongCommentsAreCutOnACharacterBoundary) {
  TRecord row = Row(0, 1);
  std::string text = "x";
  for (int i = 0; i < 200; ++i) text += Sj("あ");  // 401 bytes; byte 255 is a trail byte
  ASSERT_EQ(WriteEntryComment(catalog, row, text), CommentWrite::Added);
  EXPECT_EQ(catalog.CommentText(row.CommentNo).size(), 255u);
  EXPECT_EQ(text::CharCount(catalog.CommentText(row.CommentNo)), 128u);
  std::string odd;
  for (int i = 0; i < 200; ++i) odd += Sj("あ");  // 400 bytes: 254 is the last whole cut
  ASSERT_EQ(WriteEntryComment(catalog, row, odd), CommentWrite::Updated);
  EXPECT_EQ(catalog.CommentText(row.CommentNo).size(), 254u);
}

TEST_F(OrganiseTest, FullCommentTableStoresNothing) {
  // Comments of entries of a media this catalogue does not hold.
  for (int i = 0; i < kMaxComments; ++i)
    ASSERT_GE(catalog.AddComment(MakeKey(kMaxMedia - 1, i), "c", kKindFile, "n"), 0);
  TRecord row = Row(0, 1);
  EXPECT_EQ(WriteEntryComment(catalog, row, "lost"), CommentWrite::TableFull);
  EXPECT_EQ(row.CommentNo, -1);
  EXPECT_EQ(row.Texts.at(8), "");
  EXPECT_EQ(Row(0, 1).CommentNo, -1);
}

TEST_F(OrganiseTest, MarksFlipEachEntryOnItsOwn) {
  TRecord a = Row(0, 1), b = Row(0, 2);
  ASSERT_EQ(catalog.SetMark(Catalog::MarkChange::Set, a.Key), 1);
  a.Mark = 1;
  int pumped = 0;
  EXPECT_EQ(ToggleMarks(catalog, {&a, &b}, [&] { return ++pumped > 0; }), 2);
  EXPECT_EQ(pumped, 2);
  EXPECT_EQ(a.Mark, 0);
  EXPECT_EQ(a.MarkImage, -1);
  EXPECT_EQ(b.Mark, 1);
  EXPECT_EQ(b.MarkImage, 0);
  EXPECT_EQ(Row(0, 1).Mark, 0);
  EXPECT_EQ(Row(0, 2).Mark, 1);
  // A loop told to stop leaves the rest alone.
  EXPECT_EQ(ToggleMarks(catalog, {&a, &b}, [] { return false; }), 1);
  EXPECT_EQ(Row(0, 2).Mark, 1);
}

TEST(CommentEditorTest, LineBreaksAndCharactersCp932CannotHold) {
  EXPECT_EQ(CommentFromEditor("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(CommentFromEditor("\xF0\x9F\x98\x80!"), "?!");  // an emoji becomes ?
  EXPECT_EQ(CommentForEditor("a\r\nb"), QStringLiteral("a\nb"));
}

TEST(MediaPicturesTest, WhatIsShownForALink) {
  test::TempDir dir;
  const QString photo = QString::fromStdString(dir.File("photo.jpg"));
  std::ofstream(photo.toStdString()) << "x";
  const QString gone = QString::fromStdString(dir.File("gone.png"));
  const QString wallpaper = QString::fromStdString(dir.File("wall.png"));
  std::ofstream(wallpaper.toStdString()) << "x";
  const QString goneWallpaper = QString::fromStdString(dir.File("gone-wall.png"));
  const QString noExtension = QString::fromStdString(dir.File("wall"));
  EXPECT_EQ(ResolveWindowPicture(photo, wallpaper), photo);
  EXPECT_EQ(ResolveWindowPicture(gone, wallpaper), kDefaultPicture);
  EXPECT_EQ(ResolveWindowPicture(kDefaultPicture, wallpaper), kDefaultPicture);
  EXPECT_EQ(ResolveWindowPicture("", wallpaper), wallpaper);
  EXPECT_EQ(ResolveWindowPicture("", noExtension), kDefaultPicture);
  EXPECT_EQ(ResolveWindowPicture("", ""), kDefaultPicture);
  EXPECT_EQ(ResolveWindowPicture("", goneWallpaper), kDefaultPicture);
  EXPECT_EQ(ResolveListPicture(QStringLiteral("未登録"), goneWallpaper), kDefaultPicture);
  EXPECT_EQ(ResolveListPicture(QStringLiteral("未登録"), wallpaper), wallpaper);
  EXPECT_EQ(ResolveListPicture(QStringLiteral("未登録"), ""), kDefaultPicture);
  EXPECT_EQ(ResolveListPicture(PictureLinkText(gone), wallpaper), kDefaultPicture);
  EXPECT_EQ(ResolveListPicture(photo, wallpaper), photo);
  EXPECT_EQ(PictureLinkText(""), QStringLiteral("未登録"));
  EXPECT_EQ(PictureLinkText(gone), QStringLiteral("削除?[") + gone + "]");
  EXPECT_EQ(PictureLinkText(photo), photo);
}

TEST(MediaPicturesTest, PathsTheCatalogueCannotStoreAreRefused) {
  EXPECT_TRUE(PictureLinkProblem(QStringLiteral("/home/ユーザー/写真.jpg")).isEmpty());
  EXPECT_FALSE(PictureLinkProblem(QString::fromUtf8("/tmp/\xF0\x9F\x98\x80.jpg")).isEmpty());
  EXPECT_FALSE(PictureLinkProblem("/" + QString(1100, 'a')).isEmpty());
}

TEST_F(OrganiseTest, PictureLinkSurvivesReopening) {
  catalog.SetMediaPicture(1, Sj("/写真/disc.jpg"));
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(dir.File("org.qdb")));
  reopened.ReadLongNames();
  EXPECT_EQ(PictureLinkText(reopened, 1), QStringLiteral("削除?[/写真/disc.jpg]"));
  EXPECT_EQ(PictureLinkText(reopened, 0), QStringLiteral("未登録"));
}

}  // namespace
}  // namespace plomix
