// Path resolution and the children walk shared by the window and the
// command line: media names that hold separators, separators that are the
// second byte of a character, folders against files, and damaged paths.

#include <gtest/gtest.h>

#include "analysis/AnalysisFixture.h"
#include "browse/EntryRows.h"
#include "browse/FolderChildren.h"
#include "browse/MediaPath.h"

namespace plomix {
namespace {

using test::Sj;

class MediaPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateTestCatalog(catalog, dir);
    // Entries of a folder follow each other, as a read lays them out.
    test::AddTestMedia(catalog, "M",
                       {{"表", 0, 0, true},      // 1: its second byte is "\"
                        {"b.txt", 5},            // 2
                        {"sub", 0, 0, true, 1},  // 3
                        {"a.txt", 7, 0, false, 3}});
    test::AddTestMedia(catalog, "2024/01/02 10:00:00", {{"x", 0, 0, true}});
    test::AddTestMedia(catalog, "Gone", {{"y", 0, 0, true}});
    catalog.DeleteMedia(2);
  }
  test::TempDir dir;
  Catalog catalog;
};

TEST_F(MediaPathTest, ResolvesMediaFoldersAndFiles) {
  struct Case {
    const char* path;
    PathEnd end;
    MediaPath::Error error;
    int slot;
    std::vector<int32_t> records;
    const char* missing;
  };
  using E = MediaPath::Error;
  const Case cases[] = {
      {"M", PathEnd::Folder, E::None, 0, {}, ""},
      {"\\M\\", PathEnd::Folder, E::None, 0, {}, ""},
      {"M\\表\\sub", PathEnd::Folder, E::None, 0, {1, 3}, ""},
      {"M/表//sub/", PathEnd::Folder, E::None, 0, {1, 3}, ""},
      {"M\\表\\sub\\a.txt", PathEnd::Folder, E::NoEntry, 0, {1, 3}, "a.txt"},
      {"M\\表\\sub\\a.txt", PathEnd::AnyEntry, E::None, 0, {1, 3, 4}, ""},
      {"M\\b.txt", PathEnd::AnyEntry, E::None, 0, {2}, ""},
      {"M\\b.txt\\more", PathEnd::AnyEntry, E::NoEntry, 0, {}, "b.txt"},
      {"2024/01/02 10:00:00\\x", PathEnd::Folder, E::None, 1, {1}, ""},
      {"2024/01/02 10:00:00/x", PathEnd::Folder, E::None, 1, {1}, ""},
      {"Gone\\y", PathEnd::Folder, E::NoMedia, -1, {}, ""},
      {"", PathEnd::Folder, E::NoMedia, -1, {}, ""},
  };
  for (const Case& c : cases) {
    const MediaPath path = ResolveMediaPath(catalog, Sj(c.path), c.end);
    EXPECT_EQ(path.error, c.error) << c.path;
    EXPECT_EQ(path.slot, c.slot) << c.path;
    EXPECT_EQ(path.records, c.records) << c.path;
    EXPECT_EQ(path.missing, Sj(c.missing)) << c.path;
  }
  EXPECT_EQ(ResolveMediaPath(catalog, Sj("Nope\\x")).firstPart, "Nope");
  EXPECT_EQ(LiveMediaNamed(catalog, "Gone"), -1);
}

TEST_F(MediaPathTest, TheChildrenWalkStopsAtAnotherParentAndAtTheEnd) {
  ASSERT_TRUE(catalog.LoadMedia(0));
  auto children = [&](int32_t folder) {
    std::vector<int32_t> found;
    ForEachChild(catalog, folder, [&](int32_t r) {
      found.push_back(r);
      return true;
    });
    return found;
  };
  EXPECT_EQ(children(0), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(children(1), (std::vector<int32_t>{3}));
  EXPECT_EQ(children(3), (std::vector<int32_t>{4}));  // the last entries of the media
  EXPECT_TRUE(children(2).empty());                   // a file

  // The list shows the same entries, folders and files in catalogue order.
  const EntryRows rows = BuildEntryRows(catalog, MakeKey(0, 0));
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_EQ(rows.rows[0].Name, Sj("表"));
  EXPECT_EQ(rows.rows[1].Key, MakeKey(0, 2));
}

}  // namespace
}  // namespace plomix
