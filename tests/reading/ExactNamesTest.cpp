// Names code page 932 cannot hold are read and kept exactly, beside the
// catalogue's CP932 names.

#include <gtest/gtest.h>

#include "core/Catalog.h"
#include "core/Text.h"
#include "reading/Scanner.h"
#include "support/ExactNameTree.h"
#include "support/TestSupport.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;

class ExactNamesReadTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  Scanner scanner;

  int ReadInto(Catalog& catalog) {
    test::MakeExactNameTree(dir.Path() / "root");
    ReadRequest request;
    request.drive = "e";
    request.mediaName = "Media";
    ScanSetup setup;
    setup.rootFolder = (dir.Path() / "root").string();
    setup.drive = "e";
    setup.kind = kKindFixed;
    setup.clusterSize = 4096;
    EXPECT_TRUE(scanner.ReadTree(request, setup));
    const std::optional<int> slot = catalog.StoreMedia(scanner, scanner.CurrentMedia());
    EXPECT_TRUE(slot.has_value());
    return slot.value_or(-1);
  }

  // Every entry of the tree is found by its exact name among the loaded
  // media's records, under the right parent, with an exact name exactly where
  // CP932 cannot hold it.
  static void ExpectTree(Catalog& catalog, int slot) {
    ASSERT_TRUE(catalog.LoadMedia(slot));
    for (const test::ExactTreeEntry& e : test::ExactTreeEntries()) {
      const std::string name = test::ExactTreeName(e);
      const bool nested = e.path.find('/') != std::string::npos;
      int found = -1;
      for (int r = 1; r < catalog.LoadedCount(); ++r)
        if (catalog.NativeRecordName(r) == name && (catalog.LoadedRec(r).Parent() == 0) != nested)
          found = r;
      ASSERT_GE(found, 0) << e.path;
      EXPECT_EQ(catalog.ExactName(found).empty(), !e.exact) << e.path;
      EXPECT_EQ(catalog.ExactNameOfRecord(slot, found), catalog.ExactName(found));
      EXPECT_EQ(catalog.ShownRecordName(found), text::NativeNameToUtf8(name));
      EXPECT_EQ(catalog.ShownName(slot, found, catalog.LoadedRec(found).Name()),
                text::NativeNameToUtf8(name));
      bool exact = true;
      EXPECT_EQ(catalog.LoadedRec(found).Name(), text::NativeNameToCp932(name, exact)) << e.path;
    }
  }
};

TEST_F(ExactNamesReadTest, ScanKeepsNativeNamesAndTheCatalogueKeepsThemAcrossReopening) {
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  const int slot = ReadInto(catalog);
  std::size_t exactCount = 0;
  for (const test::ExactTreeEntry& e : test::ExactTreeEntries()) exactCount += e.exact;
  EXPECT_EQ(scanner.ExactNameCount(), exactCount);
  ExpectTree(catalog, slot);

  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(dir.File("c.qdb")));
  ExpectTree(reopened, slot);
  EXPECT_EQ(reopened.TakeSideFileWarning(), "");
}

TEST_F(ExactNamesReadTest, ATreeWithoutSuchNamesWritesNoExactNameFile) {
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  std::filesystem::create_directories(dir.Path() / "plain" / "sub");
  test::WriteFileBytes((dir.Path() / "plain" / "sub" / "a.txt").string(), {1, 2});
  ReadRequest request;
  request.mediaName = "Plain";
  ScanSetup setup;
  setup.rootFolder = (dir.Path() / "plain").string();
  setup.drive = "e";
  ASSERT_TRUE(scanner.ReadTree(request, setup));
  ASSERT_TRUE(catalog.StoreMedia(scanner, scanner.CurrentMedia()));
  EXPECT_FALSE(fs::exists(catalog.ExactNamePath()));
}

}  // namespace
}  // namespace plomix
