// The date/time distribution: what is counted below a media, a folder and the
// catalogue, where each stamp lands, and the table's periods and headers.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/DateDistribution.h"
#include "core/Format.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

int32_t Stamp(int year, int month, int day, int hour, int minute) {
  return PackDosDateTime({year, month, day, hour, minute, 0});
}

TRecord Entry(int32_t parent, int kind, const std::string& name, int32_t date,
              int32_t firstChild = -1) {
  TRecord r;
  r.Parent = parent;
  r.FirstChild = firstChild;
  r.Kind = static_cast<int16_t>(kind);
  r.Attr = IsFolderKind(kind) ? kAttrDirectory : kAttrArchive;
  r.Name = name;
  r.FileDate = date;
  return r;
}

class DateDistributionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(catalog_.CreateCatalog(dir_.File("dates.qdb")));
    // Media 0: the whole range of stamps, a folder stamped 0 hiding a dated
    // file, and an unstamped file.
    std::vector<TRecord> wide = {
        Entry(-1, kKindFixed, "WIDE", Stamp(2010, 5, 6, 8, 15), 1),
        Entry(0, kKindFolder, "A", Stamp(2005, 3, 10, 14, 20), 5),
        Entry(0, kKindFolder, "Z", 0, 7),
        Entry(0, kKindFile, "first", Stamp(1980, 1, 1, 0, 0)),
        Entry(0, kKindFile, "last", Stamp(2107, 12, 31, 23, 58)),
        Entry(1, kKindFile, "inA", Stamp(2005, 3, 11, 14, 59)),
        Entry(1, kKindFile, "zero", 0),
        Entry(2, kKindFile, "underZ", Stamp(2005, 3, 10, 14, 0)),
    };
    wide[0].AllFolders = 2;
    wide[0].AllFiles = 5;
    wide[1].AllFiles = 2;
    TMediaInfomation info = test::InfoFor("HD");
    info.OldestFileDate = Stamp(1980, 1, 1, 0, 0);
    info.NewestFileDate = Stamp(2107, 12, 31, 23, 58);
    ASSERT_TRUE(catalog_.AddMedia(wide, info));

    // Media 1: a folder stamped before the oldest file's year.
    std::vector<TRecord> early = {
        Entry(-1, kKindFixed, "EARLY", Stamp(2012, 1, 2, 23, 0), 1),
        Entry(0, kKindFolder, "old", Stamp(1999, 5, 5, 5, 5), 2),
        Entry(1, kKindFile, "june", Stamp(2001, 6, 1, 10, 0)),
    };
    early[0].AllFolders = 1;
    early[0].AllFiles = 1;
    info.OldestFileDate = info.NewestFileDate = Stamp(2001, 6, 1, 10, 0);
    ASSERT_TRUE(catalog_.AddMedia(early, info));

    // Media 2: no files at all.
    std::vector<TRecord> empty = {Entry(-1, kKindOptical, "EMPTY", Stamp(2010, 7, 1, 8, 30))};
    info = test::InfoFor("CD");
    ASSERT_TRUE(catalog_.AddMedia(empty, info));
  }

  test::TempDir dir_;
  Catalog catalog_;
};

TEST_F(DateDistributionTest, AMediaCountsItsStampedEntriesFrom1980To2107) {
  DateDistribution dist;
  ASSERT_TRUE(dist.Count(catalog_, MakeKey(0, 0)));
  EXPECT_EQ(dist.FirstYear(), 1980);
  EXPECT_EQ(dist.MonthCount(), 128 * 12);
  EXPECT_EQ(dist.Total(), 4u);  // A, first, last, inA
  EXPECT_EQ(dist.Slot(0, 0), 1u);
  EXPECT_EQ(dist.Slot(25 * 12 + 2, 14), 2u);  // 2005/3, 14時
  EXPECT_EQ(dist.Slot(127 * 12 + 11, 23), 1u);

  const DateTable years = dist.Table(12, 3);
  ASSERT_EQ(years.Rows(), 128);
  ASSERT_EQ(years.Columns(), 8);
  EXPECT_EQ(years.RowHeader(0), QString("1980/1～12"));
  EXPECT_EQ(years.RowHeader(127), QString("2107/1～12"));
  EXPECT_EQ(years.ColumnHeader(4), QString("12時～"));
  EXPECT_EQ(years.Cell(0, 0), 1u);
  EXPECT_EQ(years.Cell(25, 4), 2u);
  EXPECT_EQ(years.Cell(127, 7), 1u);
  EXPECT_EQ(years.RowTotal(25), 2u);
  EXPECT_EQ(years.RowTotal(1), 0u);

  const DateTable months = dist.Table(1, 1);
  ASSERT_EQ(months.Rows(), 1536);
  ASSERT_EQ(months.Columns(), 24);
  EXPECT_EQ(months.RowHeader(302), QString("2005/3"));
  EXPECT_EQ(months.ColumnHeader(14), QString("14時"));
  EXPECT_EQ(months.Cell(302, 14), 2u);

  const DateTable quarters = dist.Table(3, 24);
  EXPECT_EQ(quarters.RowHeader(1), QString("1980/4～6"));
  EXPECT_EQ(quarters.RowHeader(4), QString("1981/1～3"));
  EXPECT_EQ(quarters.ColumnHeader(0), QString("0時～"));
  EXPECT_EQ(quarters.Columns(), 1);
  EXPECT_EQ(quarters.Cell(100, 0), 2u);  // 2005/1～3
  // An interval the page does not offer falls back to the start values.
  EXPECT_EQ(dist.Table(5, 7).MonthInterval(), 12);
  EXPECT_EQ(dist.Table(5, 7).HourInterval(), 3);
}

TEST_F(DateDistributionTest, AFolderCountsOnlyItsOwnSubtree) {
  DateDistribution dist;
  ASSERT_TRUE(dist.Count(catalog_, MakeKey(0, 1)));
  EXPECT_EQ(dist.Total(), 1u);
  EXPECT_EQ(dist.Slot(25 * 12 + 2, 14), 1u);
  EXPECT_EQ(dist.LastKey(), MakeKey(0, 1));

  // A folder stamped before the media's oldest year is walked but not counted.
  ASSERT_TRUE(dist.Count(catalog_, MakeKey(1, 0)));
  EXPECT_EQ(dist.FirstYear(), 2001);
  EXPECT_EQ(dist.Total(), 1u);
  EXPECT_EQ(dist.Slot(5, 10), 1u);
  EXPECT_EQ(dist.Table(3, 3).Rows(), 4);
}

TEST_F(DateDistributionTest, ANodeWithoutStampsKeepsThePreviousCounts) {
  DateDistribution dist;
  EXPECT_TRUE(dist.Table(12, 3).Rows() == 0);
  ASSERT_TRUE(dist.Count(catalog_, MakeKey(1, 0)));
  EXPECT_FALSE(dist.Count(catalog_, MakeKey(2, 0)));  // oldest file stamp 0
  EXPECT_FALSE(dist.Count(catalog_, MakeKey(7, 0)));  // no such media
  EXPECT_FALSE(dist.Count(catalog_, MakeKey(0, 999)));
  EXPECT_EQ(dist.LastKey(), MakeKey(1, 0));
  EXPECT_EQ(dist.Total(), 1u);
}

TEST_F(DateDistributionTest, TheTopNodeCountsTheShownMediaByReadingTime) {
  DateDistribution dist;
  ASSERT_TRUE(dist.Count(catalog_, -1));
  EXPECT_EQ(dist.FirstYear(), 2010);
  EXPECT_EQ(dist.MonthCount(), 36);
  EXPECT_EQ(dist.Total(), 3u);
  EXPECT_EQ(dist.Slot(4, 8), 1u);
  EXPECT_EQ(dist.Slot(6, 8), 1u);
  EXPECT_EQ(dist.Slot(24, 23), 1u);

  catalog_.SetCategoryFilter(test::Sj("CD"));
  ASSERT_TRUE(dist.Count(catalog_, -1));
  EXPECT_EQ(dist.MonthCount(), 12);
  EXPECT_EQ(dist.Total(), 1u);
  EXPECT_EQ(dist.Slot(6, 8), 1u);

  catalog_.SetCategoryFilter("nothing here");
  EXPECT_FALSE(dist.Count(catalog_, -1));
  EXPECT_EQ(dist.Total(), 1u);
}

}  // namespace
}  // namespace plomix
