#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "reading/DriveChange.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

class DriveChangeTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  Catalog catalog;

  void SetUp() override {
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
    for (const char* category : {"CD", "HD", "CD"}) {
      TMediaInfomation info = test::InfoFor(category);
      ASSERT_TRUE(catalog.AddMedia(
          test::FlatMedia(std::string("m") + std::to_string(catalog.SlotsUsed()), 1), info));
    }
  }
};

TEST_F(DriveChangeTest, ButtonOfADriveText) {
  const std::pair<const char*, char> cases[] = {{"d", 'D'}, {"Y", 'Y'}, {"z", 'Z'},
                                                {"", 'Z'},  {"1", 'Z'}, {"\x82\xa0", 'Z'}};
  for (const auto& [drive, button] : cases)
    EXPECT_EQ(DriveChange::ButtonOf(drive), button) << drive;
}

TEST_F(DriveChangeTest, ChangesStayInMemoryUntilCommitted) {
  DriveChange model(catalog);
  EXPECT_EQ(model.Categories(), (std::vector<std::string>{"CD", "HD"}));
  std::vector<DriveChangeRow> rows = model.Rows("CD", "yyyy");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].slot, 2);
  EXPECT_EQ(rows[1].texts[1], "D");
  ASSERT_TRUE(model.SetDrive(rows[1], 'q'));
  EXPECT_EQ(rows[1].texts[1], "Q");
  EXPECT_TRUE(model.Dirty());
  EXPECT_EQ(catalog.Slot(2).Drive(), "q");

  ASSERT_TRUE(model.Discard());
  EXPECT_FALSE(model.Dirty());
  EXPECT_EQ(catalog.Slot(2).Drive(), "d");

  rows = model.Rows("", "yyyy");
  ASSERT_TRUE(model.SetDrive(rows[0], 'E'));
  ASSERT_TRUE(model.Commit());
  ASSERT_TRUE(catalog.OpenCatalog());
  EXPECT_EQ(catalog.Slot(0).Drive(), "e");
  EXPECT_EQ(catalog.Slot(1).Drive(), "d");
}

TEST_F(DriveChangeTest, SortsByColumnTextThenName) {
  DriveChange model(catalog);
  std::vector<DriveChangeRow> rows = model.Rows("", "yyyy");
  EXPECT_EQ(DriveChange::SortKey(rows[0], 0), "m0");
  EXPECT_EQ(DriveChange::SortKey(rows[0], 2), "CD_m0");
  DriveChange::Sort(rows, 2, false);  // HD first, then CD by name descending
  EXPECT_EQ(rows[0].slot, 1);
  EXPECT_EQ(rows[1].slot, 2);
  EXPECT_EQ(rows[2].slot, 0);
}

}  // namespace
}  // namespace plomix
