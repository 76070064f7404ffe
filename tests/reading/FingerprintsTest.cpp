// Content fingerprints taken while reading, kept in NAME.fpr, and the
// duplicates by content found from them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <limits>
#include <set>

#include "analysis/ContentDuplicates.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "reading/FileHasher.h"
#include "reading/ReadRequest.h"
#include "reading/ReadingTestUtil.h"
#include "reading/Scanner.h"
#include "support/TestSupport.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;
using Groups = std::set<std::set<std::string>>;

class FingerprintsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string hello = "hello world";
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
    std::string middle = big;
    middle[150000] ^= 1;
    test::WriteText(Src("A/x.txt"), hello);
    test::WriteText(Src("A/sub/y.txt"), hello);
    test::WriteText(Src("A/日本/同じ.txt"), hello);
    test::WriteText(Src("A/empty"), "");
    test::WriteText(Src("A/big"), big);
    test::WriteText(Src("B/z.txt"), hello);
    test::WriteText(Src("B/x.txt"), "other");  // same name, other content
    test::WriteText(Src("B/empty"), "");
    test::WriteText(Src("B/big2"), big);
    test::WriteText(Src("B/bigmid"), middle);  // differs only in the middle
    test::WriteText(Src("B/locked"), "secret");
    fs::permissions(Src("B/locked"), fs::perms::none);
    path = (dir.Path() / "cat.qdb").string();
    ASSERT_TRUE(catalog.CreateCatalog(path));
  }
  void TearDown() override { fs::permissions(Src("B/locked"), fs::perms::owner_all); }

  fs::path Src(const std::string& relative) const { return dir.Path() / "src" / relative; }
  // A catalogue of its own for each row of a table.
  void UseCatalogueOfRow(int row) {
    fs::create_directories(dir.Path() / std::to_string(row));
    path = (dir.Path() / std::to_string(row) / "cat.qdb").string();
  }

  int Read(const std::string& media, std::optional<FingerprintMode> mode) {
    return Read(catalog, media, mode);
  }
  int Read(Catalog& into, const std::string& media, std::optional<FingerprintMode> mode) {
    ReadRequest request;
    request.drive = "e";
    request.mediaName = media;
    request.fingerprint = mode;
    ScanSetup setup;
    setup.rootFolder = Src(media).string();
    setup.drive = "e";
    setup.kind = kKindFixed;
    setup.clusterSize = 4096;
    EXPECT_TRUE(scanner.ReadTree(request, setup));
    const std::optional<int> slot = into.StoreMedia(scanner, scanner.CurrentMedia());
    EXPECT_TRUE(slot.has_value());
    return slot.value_or(-1);
  }

  static Groups GroupsOf(Catalog& c, const ContentDuplicates& found) {
    Groups groups;
    for (const ContentGroup& g : found.groups) {
      std::set<std::string> members;
      for (const ContentMember& m : g.members) {
        EXPECT_TRUE(c.LoadMedia(m.slot));
        members.insert(c.ShownFolderPath(m.slot, m.record) + "\\" + c.ShownRecordName(m.record));
      }
      groups.insert(members);
    }
    return groups;
  }

  test::TempDir dir;
  std::string path;
  Catalog catalog;
  Scanner scanner;
};

const std::set<std::string> kHello = {"A\\x.txt", "A\\sub\\y.txt", "A\\日本\\同じ.txt", "B\\z.txt"};

TEST_F(FingerprintsTest, EqualContentIsGroupedAcrossMediaAndNames) {
  const bool root = ::geteuid() == 0;
  struct Row {
    FingerprintMode mode;
    Groups expected;
    double wasted;
  };
  const Row rows[] = {
      {FingerprintMode::Quick,
       {kHello, {"A\\big", "B\\big2", "B\\bigmid"}},
       11.0 * 3 + 300000.0 * 2},
      {FingerprintMode::Full, {kHello, {"A\\big", "B\\big2"}}, 11.0 * 3 + 300000.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(FingerprintModeName(row.mode)));
    UseCatalogueOfRow(static_cast<int>(row.mode));
    Catalog written, fresh;
    ASSERT_TRUE(written.CreateCatalog(path));
    Read(written, "A", row.mode);
    EXPECT_EQ(scanner.UnreadableCount(), 0);
    Read(written, "B", row.mode);
    // Root reads anything: the locked file is then simply unique.
    if (!root) {
      EXPECT_EQ(scanner.UnreadableCount(), 1);
      ASSERT_EQ(scanner.UnreadablePaths().size(), 1u);
      EXPECT_EQ(scanner.UnreadablePaths()[0], Src("B/locked").string());
    }
    ASSERT_TRUE(fresh.OpenCatalog(path));
    for (Catalog* c : {&written, &fresh}) {
      const ContentDuplicates found = FindContentDuplicates(*c);
      EXPECT_EQ(GroupsOf(*c, found), row.expected);
      EXPECT_DOUBLE_EQ(found.wasted, row.wasted);
      EXPECT_EQ(found.mediaWithoutFingerprints, 0);
      // Most wasted space first.
      ASSERT_EQ(found.groups.size(), 2u);
      EXPECT_EQ(found.groups[0].size, 300000.0);
      EXPECT_EQ(found.groups[0].print.mode, row.mode);
    }
  }
}

TEST_F(FingerprintsTest, QuickAndFullDigestsAreNeverCompared) {
  Read("A", FingerprintMode::Quick);
  Read("B", FingerprintMode::Full);
  Read("A", std::nullopt);
  const ContentDuplicates found = FindContentDuplicates(catalog);
  EXPECT_EQ(GroupsOf(catalog, found), (Groups{{"A\\x.txt", "A\\sub\\y.txt", "A\\日本\\同じ.txt"}}));
  EXPECT_EQ(found.mediaWithoutFingerprints, 1);
}

// A media whose records can no longer be read (the catalogue cut short
// under an open window) takes part in no group and is counted, never
// grouped from records read past the damage.
TEST_F(FingerprintsTest, AMediaWhoseRecordsCannotBeReadIsCountedNotGrouped) {
  Read("A", FingerprintMode::Quick);
  Read("B", FingerprintMode::Quick);
  fs::resize_file(path, fs::file_size(path) - TFileRec::kSize);
  const ContentDuplicates found = FindContentDuplicates(catalog);
  EXPECT_EQ(found.unreadMedia, 1);
  EXPECT_EQ(GroupsOf(catalog, found), (Groups{{"A\\x.txt", "A\\sub\\y.txt", "A\\日本\\同じ.txt"}}));
}

// A file whose stored size is damaged (not a number) takes part in no group
// and leaves the groups of the others whole.
TEST_F(FingerprintsTest, AFileWithADamagedSizeTakesNoPartInAGroup) {
  Read("A", FingerprintMode::Quick);
  const int b = Read("B", FingerprintMode::Quick);
  ASSERT_TRUE(catalog.LoadMedia(b));
  int32_t big2 = -1;
  for (int32_t r = 1; r < catalog.LoadedCount(); ++r)
    if (catalog.ShownRecordName(r) == "big2") big2 = r;
  int64_t position = 0;
  int32_t count = 0;
  ASSERT_TRUE(big2 > 0 && catalog.LocateMedia(b, position, count));
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(position + int64_t{big2} * static_cast<int64_t>(TFileRec::kSize) +
               static_cast<int64_t>(TFileRec::kSizeField));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    file.write(reinterpret_cast<const char*>(&nan), sizeof nan);
  }
  Catalog damaged;
  ASSERT_TRUE(damaged.OpenCatalog(path));
  EXPECT_EQ(GroupsOf(damaged, FindContentDuplicates(damaged)),
            (Groups{kHello, {"A\\big", "B\\bigmid"}}));
}

TEST_F(FingerprintsTest, CancelStoresNothingAndAReadWithoutThemLeavesNoFile) {
  Read("A", std::nullopt);
  EXPECT_FALSE(fs::exists(dir.Path() / "cat.fpr"));
  scanner.RequestCancel();
  ReadRequest request;
  request.mediaName = "B";
  request.fingerprint = FingerprintMode::Full;
  ScanSetup setup;
  setup.rootFolder = Src("B").string();
  EXPECT_FALSE(scanner.ReadTree(request, setup));
  EXPECT_EQ(scanner.Fingerprints(), nullptr);
}

TEST_F(FingerprintsTest, CompactionKeepsFingerprintsUnderTheNewSlots) {
  Read("A", FingerprintMode::Quick);
  Read("B", FingerprintMode::Quick);
  Read("A", FingerprintMode::Quick);
  const Groups before = GroupsOf(catalog, FindContentDuplicates(catalog));
  // A deleted media's segment stays, bound to a slot no live media holds.
  catalog.DeleteMedia(0);
  const ContentDuplicates afterDelete = FindContentDuplicates(catalog);
  EXPECT_EQ(GroupsOf(catalog, afterDelete), before);
  ASSERT_EQ(catalog.CompactCatalog(), CompactResult::Done);
  ASSERT_TRUE(catalog.Slot(1).IsLive());
  EXPECT_EQ(catalog.Slot(1).Name(), "A");
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(path));
  EXPECT_TRUE(reopened.TakeSideFileWarning().empty());
  for (Catalog* c : {&catalog, &reopened}) {
    EXPECT_EQ(c->FingerprintsOf(2), nullptr);
    ASSERT_NE(c->FingerprintsOf(1), nullptr);
    EXPECT_EQ(GroupsOf(*c, FindContentDuplicates(*c)), before);
  }
}

// An update moves the records of the media behind it: their fingerprints
// follow; the updated media gets those of its new reading, or keeps those of
// its unchanged files when read again without them.
TEST_F(FingerprintsTest, UpdateCarriesFingerprintsOfEveryMedia) {
  Read("A", FingerprintMode::Quick);
  Read("B", FingerprintMode::Quick);
  test::WriteText(Src("A/new.txt"), "hello world");
  for (const std::optional<FingerprintMode> mode :
       {std::optional<FingerprintMode>(FingerprintMode::Quick), std::optional<FingerprintMode>()}) {
    ReadRequest request;
    request.mediaName = "A";
    request.fingerprint = mode;
    ScanSetup setup;
    setup.rootFolder = Src("A").string();
    setup.drive = "e";
    setup.kind = kKindFixed;
    ASSERT_TRUE(scanner.ReadTree(request, setup));
    ASSERT_TRUE(catalog.UpdateMedia(0, catalog.IdentityOf(0), scanner, scanner.CurrentMedia()));
    Catalog reopened;
    ASSERT_TRUE(reopened.OpenCatalog(path));
    std::set<std::string> hello = kHello;
    hello.insert("A\\new.txt");
    for (Catalog* c : {&catalog, &reopened}) {
      EXPECT_NE(c->FingerprintsOf(0), nullptr);
      ASSERT_NE(c->FingerprintsOf(1), nullptr);
      const Groups groups = GroupsOf(*c, FindContentDuplicates(*c));
      EXPECT_EQ(groups.count(hello), 1u);
      EXPECT_EQ(groups.count({"A\\big", "B\\big2", "B\\bigmid"}), 1u);
    }
  }
}

// Reading a media again: in quick mode a file whose path, size and time stamp
// did not change keeps its stored fingerprint without being hashed again
// (shown by a file whose content changed behind a restored time stamp: it
// keeps the print of its old content); a full reading hashes everything; a
// reading without fingerprints keeps those of unchanged files only. Changed
// files are hashed again, removed ones lose theirs.
TEST_F(FingerprintsTest, UpdateReusesFingerprintsOfUnchangedFilesOnlyInQuickMode) {
  struct Row {
    std::optional<FingerprintMode> mode;
    int64_t reused;
    std::set<std::string> hello;  // the files found equal to "hello world"
    std::size_t prints;
  };
  const Row rows[] = {
      {FingerprintMode::Quick, 2, {"A\\x.txt", "A\\日本\\同じ.txt", "A\\new.txt"}, 4},
      {FingerprintMode::Full, 0, {"A\\日本\\同じ.txt", "A\\new.txt"}, 4},
      {std::nullopt, 0, {"A\\x.txt", "A\\日本\\同じ.txt"}, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode ? std::string(FingerprintModeName(*row.mode)) : "none");
    const int index = static_cast<int>(&row - rows);
    UseCatalogueOfRow(index);
    const fs::path source = dir.Path() / std::to_string(index) / "A";
    fs::copy(Src("A"), source, fs::copy_options::recursive);
    Catalog c;
    ASSERT_TRUE(c.CreateCatalog(path));
    const auto read = [&](std::optional<FingerprintMode> mode, bool update) {
      ReadRequest request;
      request.mediaName = "A";
      request.fingerprint = mode;
      ScanSetup setup;
      setup.rootFolder = source.string();
      setup.drive = "e";
      setup.kind = kKindFixed;
      if (update && mode)
        scanner.ReuseFingerprints(
            std::make_shared<const FingerprintsByPath>(c.FingerprintsByPathOf(0)));
      ASSERT_TRUE(scanner.ReadTree(request, setup));
      if (update)
        ASSERT_TRUE(c.UpdateMedia(0, c.IdentityOf(0), scanner, scanner.CurrentMedia()));
      else
        ASSERT_TRUE(c.StoreMedia(scanner, scanner.CurrentMedia()));
    };
    read(FingerprintMode::Quick, false);
    const auto printOf = [](Catalog& at, const std::string& name) -> const Fingerprint* {
      EXPECT_TRUE(at.LoadMedia(0));
      for (int32_t r = 1; r < at.LoadedCount(); ++r)
        if (at.ShownRecordName(r) == name) return at.FingerprintsOf(0)->Find(r);
      return nullptr;
    };
    ASSERT_NE(printOf(c, "y.txt"), nullptr);
    const Digest128 oldY = printOf(c, "y.txt")->digest;

    const fs::file_time_type stamp = fs::last_write_time(source / "x.txt");
    test::WriteText(source / "x.txt", "HELLO WORLD");
    fs::last_write_time(source / "x.txt", stamp);
    test::WriteText(source / "sub/y.txt", "other world");
    fs::last_write_time(source / "sub/y.txt", stamp + std::chrono::seconds(10));
    fs::remove(source / "big");
    test::WriteText(source / "new.txt", "hello world");
    read(row.mode, true);
    EXPECT_EQ(scanner.ReusedFingerprints(), row.reused);

    Catalog reopened;
    ASSERT_TRUE(reopened.OpenCatalog(path));
    for (Catalog* each : {&c, &reopened}) {
      ASSERT_NE(each->FingerprintsOf(0), nullptr);
      EXPECT_EQ(each->FingerprintsOf(0)->Count(), row.prints);
      const Fingerprint* y = printOf(*each, "y.txt");
      EXPECT_EQ(y != nullptr, row.mode.has_value());
      if (y) {
        EXPECT_NE(y->digest, oldY);
      }
      EXPECT_EQ(printOf(*each, "empty"), nullptr);
      EXPECT_EQ(GroupsOf(*each, FindContentDuplicates(*each)), Groups{row.hello});
    }
  }
}

// Deleting and renaming a media write only the slot table: its fingerprints
// stay bound to it through a rename and are no longer used once it is deleted.
TEST_F(FingerprintsTest, RenameKeepsFingerprintsAndDeleteDropsThemFromTheGroups) {
  Read("A", FingerprintMode::Quick);
  Read("B", FingerprintMode::Quick);
  ASSERT_EQ(catalog.RenameMedia(0, "Renamed"), 1);
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(path));
  EXPECT_TRUE(reopened.TakeSideFileWarning().empty());
  std::set<std::string> renamed;
  for (const std::string& p : kHello)
    renamed.insert(p.rfind("A\\", 0) == 0 ? "Renamed" + p.substr(1) : p);
  EXPECT_EQ(GroupsOf(reopened, FindContentDuplicates(reopened)).count(renamed), 1u);
  ASSERT_GE(reopened.DeleteMedia(1), 0);
  Catalog afterDelete;
  ASSERT_TRUE(afterDelete.OpenCatalog(path));
  const ContentDuplicates found = FindContentDuplicates(afterDelete);
  EXPECT_EQ(GroupsOf(afterDelete, found),
            (Groups{{"Renamed\\x.txt", "Renamed\\sub\\y.txt", "Renamed\\日本\\同じ.txt"}}));
  EXPECT_EQ(found.mediaWithoutFingerprints, 0);
}

// Damage never crashes: what it cost is dropped with one warning, the other
// media keep theirs, and the next add writes a sound file again.
TEST_F(FingerprintsTest, DamagedFileFallsBackToNoFingerprintsWithOneWarning) {
  struct Row {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    bool firstKept;
  };
  const Row rows[] = {
      {"garbage signature", [](std::vector<uint8_t>& b) { b[0] = 'X'; }, false},
      {"byte flipped in the first segment", [](std::vector<uint8_t>& b) { b[60] ^= 0x55; }, false},
      {"last segment cut short", [](std::vector<uint8_t>& b) { b.resize(b.size() - 5); }, true},
      {"garbage appended", [](std::vector<uint8_t>& b) { b.insert(b.end(), 64, 'z'); }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    UseCatalogueOfRow(static_cast<int>(&row - rows));
    Catalog written;
    ASSERT_TRUE(written.CreateCatalog(path));
    Read(written, "A", FingerprintMode::Quick);
    Read(written, "B", FingerprintMode::Quick);
    const std::string fpr = fs::path(path).replace_extension(".fpr").string();
    std::vector<uint8_t> bytes = test::ReadFileBytes(fpr);
    row.damage(bytes);
    test::WriteFileBytes(fpr, bytes);

    Catalog damaged;
    ASSERT_TRUE(damaged.OpenCatalog(path));
    const std::string warning = damaged.TakeSideFileWarning();
    EXPECT_NE(warning.find("cat.fpr"), std::string::npos) << warning;
    EXPECT_TRUE(damaged.TakeSideFileWarning().empty());
    EXPECT_EQ(damaged.FingerprintsOf(0) != nullptr, row.firstKept);
    EXPECT_NO_FATAL_FAILURE(FindContentDuplicates(damaged));

    // The next add rewrites it from what could be read.
    Catalog writer;
    ASSERT_TRUE(writer.OpenCatalog(path));
    Read(writer, "A", FingerprintMode::Quick);
    Catalog after;
    ASSERT_TRUE(after.OpenCatalog(path));
    EXPECT_TRUE(after.TakeSideFileWarning().empty());
    EXPECT_EQ(after.FingerprintsOf(0) != nullptr, row.firstKept);
    EXPECT_NE(after.FingerprintsOf(2), nullptr);
  }
}

// A file with holes is hashed without reading its holes: its prints must be
// those of the same bytes written out in full, wherever the holes lie
// relative to the 64 KiB edges a quick print reads.
TEST(FileHasherTest, SparseFilesHashAsTheirBytesWrittenOut) {
  test::TempDir dir;
  constexpr int64_t K = 1024;
  struct Row {
    const char* name;
    int64_t size;
    std::vector<std::pair<int64_t, int64_t>> data;  // offset, length
  };
  const Row rows[] = {
      {"all hole", 3 * K * K, {}},
      {"data at both ends", 3 * K * K, {{0, 4 * K}, {3 * K * K - 4 * K, 4 * K}}},
      {"hole first", 2 * K * K, {{K * K, K * K}}},
      {"data across the quick edges", 2 * K * K, {{60 * K, 10 * K}, {2 * K * K - 66 * K, 8 * K}}},
      {"small with data in the middle", 100 * K, {{40 * K, 8 * K}}},
  };
  std::set<std::string> fullPrints;
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string bytes(static_cast<std::size_t>(row.size), '\0');
    for (const auto& [offset, length] : row.data)
      for (int64_t i = 0; i < length; ++i)
        bytes[static_cast<std::size_t>(offset + i)] = static_cast<char>(1 + (offset + i) % 251);
    const std::string dense = (dir.Path() / ("dense" + std::to_string(n))).string();
    const std::string sparse = (dir.Path() / ("sparse" + std::to_string(n++))).string();
    test::WriteText(dense, bytes);
    const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, row.size), 0);
    for (const auto& [offset, length] : row.data)
      ASSERT_EQ(::pwrite(fd, bytes.data() + offset, static_cast<std::size_t>(length), offset),
                length);
    ::close(fd);
    struct stat st {};
    ASSERT_EQ(::stat(sparse.c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, row.size) << "the file system made no holes";
    for (const FingerprintMode mode : {FingerprintMode::Quick, FingerprintMode::Full}) {
      SCOPED_TRACE(std::string(FingerprintModeName(mode)));
      std::atomic<int64_t> hashed{0};
      const HashOutcome fromHoles = HashFile(sparse, mode, nullptr, &hashed);
      const HashOutcome written = HashFile(dense, mode);
      ASSERT_TRUE(fromHoles.digest && written.digest);
      EXPECT_EQ(*fromHoles.digest, *written.digest);
      EXPECT_EQ(hashed.load(),
                mode == FingerprintMode::Full || row.size <= 128 * K ? row.size : 128 * K);
      if (mode == FingerprintMode::Full)
        fullPrints.insert(std::string(fromHoles.digest->begin(), fromHoles.digest->end()));
    }
  }
  EXPECT_EQ(fullPrints.size(), std::size(rows));
}

// A file whose bytes end before its size says (one that shrank while it was
// read; a kernel attribute file reads so at any time) gets no print, and is
// unreadable rather than printed by what could be read.
TEST(FileHasherTest, AFileShorterThanItsSizeGetsNoPrint) {
  const std::string attribute = "/sys/devices/system/cpu/online";
  struct stat st {};
  if (::stat(attribute.c_str(), &st) != 0 || st.st_size <= 64)
    GTEST_SKIP() << "no kernel attribute file to read";
  for (const FingerprintMode mode : {FingerprintMode::Quick, FingerprintMode::Full}) {
    const HashOutcome outcome = HashFile(attribute, mode);
    EXPECT_FALSE(outcome.digest.has_value());
    EXPECT_EQ(outcome.error, EIO);
  }
}

}  // namespace
}  // namespace plomix
