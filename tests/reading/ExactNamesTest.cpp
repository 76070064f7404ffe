// Names code page 932 cannot hold are read and kept exactly, beside the
// catalogue's CP932 names.

#include <gtest/gtest.h>

#include <set>

#include "analysis/NameAnalysis.h"
#include "analysis/ResultStore.h"
#include "browse/MediaPath.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "reading/MediaPresence.h"
#include "reading/ReadRequest.h"
#include "reading/ReadingTestUtil.h"
#include "reading/Scanner.h"
#include "search/FileSearch.h"
#include "support/ExactNameTree.h"
#include "support/TestSupport.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;

class ExactNamesReadTest : public ::testing::Test {
 protected:
  // Qt cannot name bytes that are no UTF-8: the tree goes before the folder.
  void TearDown() override { fs::remove_all(dir.Path() / "root"); }

  test::TempDir dir;
  Scanner scanner;

  int ReadInto(Catalog& catalog, const std::string& mediaName = "Media") {
    test::MakeExactNameTree(dir.Path() / "root");
    ReadRequest request;
    request.drive = "e";
    request.mediaName = mediaName;
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

// What a name search finds in the tree, by the shown names of its hits.
std::set<std::string> SearchNames(Catalog& catalog, const std::string& pattern, bool partial,
                                  bool caseSensitive = false) {
  SearchConditions conditions;
  conditions.nameEnabled = true;
  conditions.namePartial = partial;
  conditions.nameCaseSensitive = caseSensitive;
  conditions.includeFolders = true;
  SetNamePatterns(conditions, pattern);
  FileSearch search(catalog);
  search.SetConditions(conditions);
  search.SetSearchMediaList({0});
  search.RunFileSearch();
  std::set<std::string> names;
  for (const TRecord& hit : search.SearchRecs())
    names.insert(text::ShownName(hit.Name, hit.ExactName));
  return names;
}

TEST_F(ExactNamesReadTest, SearchMatchesExactNamesAndNeverALostCharacter) {
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  ReadInto(catalog);
  const std::string korean = "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xED\x8C\x8C\xEC\x9D\xBC.txt";
  const std::string smile = "\xF0\x9F\x98\x80";
  struct Case {
    std::string pattern;
    bool partial;
    std::set<std::string> found;
  } cases[] = {
      {"*\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4*", false, {korean}},
      {"\xED\x95\x9C\xEA\xB5\xAD", true, {korean}},
      // One "?" is one character of an exact name; the "?" put in for a lost
      // character matches nothing.
      {"emoji ??.txt",
       false,
       {"emoji " + smile + "\xF0\x9F\x8E\x89.txt", "emoji \xF0\x9F\x8E\x89" + smile + ".txt"}},
      {"?", true, {}},
      {"emoji *" + smile + ".txt", false, {"emoji \xF0\x9F\x8E\x89" + smile + ".txt"}},
      {"f\xC5\x90TAN*", false, {"F\xC5\x91tan\xC3\xBAs\xC3\xADtv\xC3\xA1ny.crt"}},  // case folded
      {"bad\\xFF\\xFEname.bin", false, {"bad\\xFF\\xFEname.bin"}},                  // as shown
      {"a\\x5Cx41*", false, {"a\\x5Cx41 " + smile + ".txt"}},
      {"plain.txt", false, {"plain.txt"}},
      {"\xE6\x97\xA5\xE6\x9C\xAC*", false, {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"}},
      {"*\xC3\xB6*",
       false,
       {"\xC3\x9Cn\xC3\xAF"
        "c\xC3\xB6"
        "d\xC3\xA9"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SearchNames(catalog, c.pattern, c.partial), c.found) << c.pattern;
  EXPECT_TRUE(SearchNames(catalog, "f\xC5\x90TAN*", false, true).empty());
}

TEST_F(ExactNamesReadTest, AnalysesGroupByExactNames) {
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  ReadInto(catalog);
  ReadInto(catalog, "Copy");  // the same tree again as a second media

  // Duplicates: every file of the tree twice, once per media, and the two
  // emoji names of one length are no duplicates of each other.
  DupResultStore dup(&catalog);
  dup.SetPathFromCatalog(catalog.CatalogPath());
  dup.Search().RunNameAnalysis(catalog);
  dup.Search().Sort();
  dup.WriteResultFile();
  ASSERT_TRUE(dup.LoadGroups());
  std::multiset<std::string> heads;
  for (const ResultItem& head : dup.Heads()) {
    heads.insert(head.shown);
    EXPECT_EQ(head.groupSize, head.shown == "plain.txt" ? 4 : 2) << head.shown;
    dup.LoadMembers(1, head.first, head.groupSize);
    for (const ResultItem& m : dup.Members(1)) EXPECT_EQ(m.shown, head.shown);
  }
  std::multiset<std::string> files;
  for (const test::ExactTreeEntry& e : test::ExactTreeEntries())
    if ((!e.folder && test::ExactTreeName(e) != "plain.txt") || e.path == "plain.txt")
      files.insert(text::NativeNameToUtf8(test::ExactTreeName(e)));
  EXPECT_EQ(heads, files);
  // Looked up by a row's name: both emoji names are "emoji ??.txt" in CP932;
  // each finds its own group, and a CP932 name never finds an exact one.
  const std::string smile = "emoji \xF0\x9F\x98\x80\xF0\x9F\x8E\x89.txt";
  const std::string party = "emoji \xF0\x9F\x8E\x89\xF0\x9F\x98\x80.txt";
  const int smileGroup = dup.DupGroupStartOfName("emoji ??.txt", smile);
  const int partyGroup = dup.DupGroupStartOfName("emoji ??.txt", party);
  ASSERT_GE(smileGroup, 0);
  ASSERT_GE(partyGroup, 0);
  EXPECT_NE(smileGroup, partyGroup);
  dup.LoadMembers(1, smileGroup, dup.DupGroupSizeOfName("emoji ??.txt", smile));
  EXPECT_EQ(dup.Members(1).at(0).shown, smile);
  EXPECT_EQ(dup.DupGroupStartOfName("emoji ??.txt"), -1);
  EXPECT_EQ(dup.DupGroupSizeOfName("PLAIN.TXT"), 4);

  // Similar names: "emoji" is a word of both emoji names, the emoji words are
  // their own, and a word CP932 holds meets the same word of a CP932 name.
  LikeResultStore like(&catalog);
  like.SetPathFromCatalog(catalog.CatalogPath());
  like.SetCurrentLikeKey(" .");
  like.Search().Delimiters().SetKeyDelimiters(" .");
  like.Search().RunNameAnalysis(catalog);
  like.Search().Sort();
  like.WriteLikeFile();
  ASSERT_TRUE(like.LoadGroups());
  std::map<std::string, int> words;
  for (const ResultItem& head : like.Heads()) words[head.shown] = head.groupSize;
  EXPECT_EQ(words["emoji"], 4);
  EXPECT_EQ(words["\xF0\x9F\x98\x80\xF0\x9F\x8E\x89"], 2);
  EXPECT_EQ(words["\xF0\x9F\x8E\x89\xF0\x9F\x98\x80"], 2);
  EXPECT_EQ(words["inner"], 2);
  EXPECT_EQ(words.count("??"), 0u);
  int32_t smileFirst = -1, partyFirst = -1, size = 0;
  like.LikeGroupOfKey("??", "\xF0\x9F\x98\x80\xF0\x9F\x8E\x89", smileFirst, size);
  EXPECT_EQ(size, 2);
  like.LikeGroupOfKey("??", "\xF0\x9F\x8E\x89\xF0\x9F\x98\x80", partyFirst, size);
  EXPECT_EQ(size, 2);
  EXPECT_NE(smileFirst, partyFirst);
}

class ExactNamesOnDiskTest : public ::testing::Test {
 protected:
  test::FakeMachine machine;
  test::IsolatedSettings settings;
  test::TempDir dir;
  Drives drives{settings.Get(), machine.Sources()};
  Catalog catalog;
  test::ScriptedPrompter prompter;

  void TearDown() override { fs::remove_all(machine.Path("media/user/STICK")); }
};

TEST_F(ExactNamesOnDiskTest, EveryEntryIsFoundOnDiskAndByItsShownPath) {
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  const auto stick = machine.Path("media/user/STICK");
  test::MakeExactNameTree(stick);
  Scanner scanner;
  ReadWorkflow workflow(catalog, settings.Get(), drives, scanner, prompter);
  ASSERT_TRUE(workflow.ReadMediaCommand([](ReadWorkflow& w) {
    ReadForm form = w.InitialForm();
    w.FetchDriveVolume(form, true, "D");
    return w.ConfirmRead(form, true);
  }));
  const int slot = catalog.LastAddedSlot();
  const std::string media = text::Cp932ToUtf8(catalog.Slot(slot).Name());
  for (const test::ExactTreeEntry& e : test::ExactTreeEntries()) {
    // The shown path, each name as shown, a backslash between them.
    std::string shown = media;
    for (std::size_t from = 0; from <= e.path.size();) {
      std::size_t slash = e.path.find('/', from);
      if (slash == std::string::npos) slash = e.path.size();
      shown += "\\" + text::NativeNameToUtf8(e.path.substr(from, slash - from));
      from = slash + 1;
    }
    const MediaPath where = ResolveShownMediaPath(catalog, shown, PathEnd::AnyEntry);
    ASSERT_TRUE(where.Found()) << shown << " " << where.missing;
    const int32_t key = MakeKey(slot, where.Record());
    EXPECT_EQ(EntryNativePath(catalog, drives, key), (stick / e.path).string()) << e.path;
  }
  // A name holding a backslash is one name, though a path cuts there.
  EXPECT_TRUE(
      ResolveShownMediaPath(catalog, media + "\\back\\slash.txt", PathEnd::AnyEntry).Found());
  EXPECT_FALSE(ResolveShownMediaPath(catalog, media + "\\back", PathEnd::AnyEntry).Found());
}

}  // namespace
}  // namespace plomix
