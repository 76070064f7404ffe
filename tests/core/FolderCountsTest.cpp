#include <gtest/gtest.h>

#include "core/Catalog.h"
#include "core/FolderCounts.h"
#include "support/TestSupport.h"

namespace plomix {
namespace {

TEST(FolderCountsTest, TheFolderPartOfACountText) {
  const struct {
    const char* text;
    int64_t folders;  // -1: none
  } cases[] = {{"352(12+340)", 12}, {"2000000(1000000+", 1000000},
               {"1(1+0)", 1},       {"5(5", -1},
               {"(1+2)", -1},       {"3(x+1)", -1},
               {"7(+7)", -1},       {"", -1},
               {"12(-1+13)", -1}};
  for (const auto& c : cases)
    EXPECT_EQ(FolderCountOfCountText(c.text).value_or(-1), c.folders) << c.text;
}

// A media of 40,200 folders keeps 32767 in its records, but every count the
// user reads is the real one: from the root's count text, or, when that is
// not usable, from the folder records themselves.
TEST(FolderCountsTest, AMediaBeyondTheCapShowsItsRealFolderCount) {
  test::TempDir dir;
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  const auto media = [](const std::string& name, int folders, const std::string& countText) {
    std::vector<TRecord> recs(static_cast<std::size_t>(folders) + 1);
    recs[0].Kind = kKindFixed;
    recs[0].Attr = kAttrDirectory;
    recs[0].Name = name;
    recs[0].FirstChild = folders > 0 ? 1 : -1;
    recs[0].DirFolders = recs[0].AllFolders = static_cast<int16_t>(std::min(folders, 32767));
    recs[0].Version = countText;
    for (int i = 1; i <= folders; ++i) {
      recs[i].Parent = 0;
      recs[i].Kind = kKindFolder;
      recs[i].Attr = kAttrDirectory;
      recs[i].Name = "d" + std::to_string(100000 + i);
    }
    return recs;
  };
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(media("texted", 40200, "40200(40200+0)"), info));
  const int texted = catalog.LastAddedSlot();
  ASSERT_TRUE(catalog.AddMedia(media("counted", 40200, "damaged"), info));
  const int counted = catalog.LastAddedSlot();
  ASSERT_TRUE(catalog.AddMedia(media("small", 5, "9(9+0)"), info));
  const int small = catalog.LastAddedSlot();

  EXPECT_EQ(catalog.Slot(texted).Root().AllFolders(), 32767);  // the file keeps the cap
  EXPECT_EQ(MediaFolderCount(catalog, texted), 40200);
  EXPECT_EQ(MediaFolderCount(catalog, counted), 40200);
  EXPECT_EQ(MediaFolderCount(catalog, small), 5);  // below the cap the field is exact
  EXPECT_EQ(TotalFolderCount(catalog), 80405);
  ASSERT_TRUE(catalog.LoadMedia(counted));
  EXPECT_EQ(LoadedFolderCount(catalog, 0), 40200);
  EXPECT_EQ(LoadedFolderCount(catalog, 1), 0);
}

}  // namespace
}  // namespace plomix
