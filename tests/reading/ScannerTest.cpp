#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "core/FolderCounts.h"
#include "core/Format.h"
#include "core/Text.h"
#include "reading/ReadingTestUtil.h"
#include "reading/Scanner.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;
using test::MakeFile;
using test::Sj;

constexpr int32_t kCluster = 4096;

class ScannerTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  Scanner scanner;
  std::vector<TRecord> records;

  std::optional<QTemporaryDir> ramDir;

  // Trees of many folders go to a RAM disk where there is one: creating and
  // removing them on a journalling disk costs seconds.
  void UseRamDisk() {
    if (fs::is_directory("/dev/shm")) ramDir.emplace("/dev/shm/plomix-scan-XXXXXX");
  }
  fs::path Root() const {
    if (ramDir && ramDir->isValid()) return fs::path(ramDir->path().toStdString()) / "root";
    return dir.Path() / "root";
  }

  bool Scan(int32_t cluster = kCluster, bool versions = false) {
    fs::create_directories(Root());
    ReadRequest request;
    request.drive = "e";
    request.mediaName = "Media";
    ScanSetup setup;
    setup.rootFolder = Root().string();
    setup.drive = "e";
    setup.kind = kKindFixed;
    setup.clusterSize = cluster;
    setup.readVersions = versions;
    const bool found = scanner.ReadTree(request, setup);
    records.assign(static_cast<std::size_t>(scanner.RecordCount()), TRecord{});
    for (int32_t i = 0; i < scanner.RecordCount(); ++i) scanner.Fetch(i, records[i]);
    return found;
  }

  // The index of the record with this name whose parent is `parent`.
  int Find(const std::string& name, int parent = 0) const {
    for (std::size_t i = 1; i < records.size(); ++i)
      if (records[i].Name == name && records[i].Parent == parent) return static_cast<int>(i);
    return -1;
  }

  // Root first, parents before children, one sorted contiguous run per folder
  // starting at its FirstChild, runs breadth first, -1 for empty folders and files.
  void ExpectShape() const {
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0].Parent, -1);
    int32_t lastRunParent = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
      const TRecord& r = records[i];
      ASSERT_GE(r.Parent, 0);
      ASSERT_LT(r.Parent, static_cast<int32_t>(i));
      EXPECT_GE(r.Parent, lastRunParent) << "runs out of breadth-first order at " << i;
      lastRunParent = r.Parent;
      if (records[i - 1].Parent == r.Parent) {
        EXPECT_LT(text::CompareAnsi(records[i - 1].Name, r.Name), 0) << r.Name;
      } else {
        EXPECT_EQ(records[r.Parent].FirstChild, static_cast<int32_t>(i));
      }
      if (r.Kind == kKindFile) {
        EXPECT_EQ(r.FirstChild, -1);
      }
      if (r.FirstChild >= 0) {
        ASSERT_LT(r.FirstChild, static_cast<int32_t>(records.size()));
        EXPECT_EQ(records[r.FirstChild].Parent, static_cast<int32_t>(i));
      }
    }
  }
};

TEST_F(ScannerTest, EmptyRootReadsNothing) {
  EXPECT_FALSE(Scan());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Kind, 0);
  EXPECT_EQ(records[0].Name, "");
  EXPECT_EQ(records[0].FirstChild, -1);
  EXPECT_EQ(scanner.CurrentMedia().SmallestFile, -1.0);
}

TEST_F(ScannerTest, OneEmptyFolder) {
  fs::create_directories(Root() / "F");
  SetClockForTesting([] { return int64_t{1700000000}; });
  ASSERT_TRUE(Scan());
  SetClockForTesting({});
  ASSERT_EQ(records.size(), 2u);
  const TRecord& root = records[0];
  const TRecord& f = records[1];
  EXPECT_EQ(root.Name, "Media");
  EXPECT_EQ(root.Kind, kKindFixed);
  EXPECT_EQ(root.Attr, kAttrDirectory);
  EXPECT_EQ(root.FileDate, DosDateTimeFromUnix(1700000000));
  EXPECT_EQ(root.FirstChild, 1);
  EXPECT_EQ(f.Kind, kKindFolder);
  EXPECT_EQ(f.FirstChild, -1);
  EXPECT_EQ(f.Allocated, kCluster);
  EXPECT_EQ(root.Allocated, 2 * kCluster);
  EXPECT_EQ(root.DirFolders, 1);
  EXPECT_EQ(root.AllFolders, 1);
  EXPECT_EQ(root.AllFiles, 0);
  EXPECT_EQ(root.Size, 0);
  EXPECT_EQ(root.Version, "1(1+0)");
  EXPECT_EQ(scanner.CurrentMedia().SmallestFile, -1.0);
  EXPECT_EQ(scanner.CurrentMedia().LargestFile, 0);
  EXPECT_EQ(scanner.CurrentMedia().KindName, MediaKindName(kKindFixed));
  EXPECT_EQ(scanner.CurrentMedia().Category, MediaKindName(kKindFixed));
}

TEST_F(ScannerTest, SizesRoundUpToClustersAndSumUpwards) {
  const struct {
    const char* name;
    long long size;
    double allocated;
  } files[] = {{"d/a", 1, 4096}, {"d/b", 4096, 4096}, {"d/c", 4097, 8192},
               {"d/e", 0, 0},    {"z/0", 0, 0},       {"big", 5000000000LL, 5000003584}};
  for (const auto& f : files) MakeFile(Root() / f.name, f.size);
  ASSERT_TRUE(Scan());
  ExpectShape();
  const int d = Find("d"), z = Find("z");
  for (const auto& f : files) {
    const fs::path p(f.name);
    const int parent = p.has_parent_path() ? Find(p.parent_path().string()) : 0;
    const int i = Find(p.filename().string(), parent);
    ASSERT_GE(i, 0) << f.name;
    EXPECT_EQ(records[i].Size, static_cast<double>(f.size)) << f.name;
    EXPECT_EQ(records[i].Allocated, f.allocated) << f.name;
  }
  EXPECT_EQ(records[d].Size, 1 + 4096 + 4097);
  EXPECT_EQ(records[d].Allocated, 4096 + 4096 + 8192);
  EXPECT_EQ(records[z].Allocated, kCluster);  // only empty files: one cluster all the same
  EXPECT_EQ(records[0].Size, 5000000000.0 + 1 + 4096 + 4097);
  EXPECT_EQ(records[0].Allocated, 5000003584.0 + 16384 + kCluster + 2 * kCluster);
  EXPECT_EQ(records[0].AllFiles, 6);
  EXPECT_EQ(records[0].DirFiles, 1);
  EXPECT_EQ(records[0].AllFolders, 2);
  EXPECT_EQ(records[d].DirFiles, 4);
  EXPECT_EQ(records[0].Version, "8(2+6)");
  EXPECT_EQ(scanner.CurrentMedia().SmallestFile, 0);
  EXPECT_EQ(scanner.CurrentMedia().LargestFile, 5000000000.0);

  ASSERT_TRUE(Scan(0));  // no cluster size known: a file occupies its size
  EXPECT_EQ(records[Find("big")].Allocated, 5000000000.0);
}

TEST_F(ScannerTest, EntriesAreInCollationOrderNotByteOrder) {
  const std::vector<std::string> names = {"b",  "B", "a",    "Z", "あ",  "ア", "_x",
                                          "10", "9", "漢字", "ｱ", "a b", "A",  "Ａ"};
  for (const auto& n : names) MakeFile(Root() / n, 1);
  fs::create_directories(Root() / "sub" / "x");
  ASSERT_TRUE(Scan());
  ExpectShape();
  std::vector<std::string> stored;
  for (std::size_t i = 1; i < records.size() && records[i].Parent == 0; ++i)
    stored.push_back(records[i].Name);
  std::vector<std::string> bytes = stored;
  std::sort(bytes.begin(), bytes.end());
  EXPECT_NE(stored, bytes);
  EXPECT_LT(std::find(stored.begin(), stored.end(), "a") - stored.begin(),
            std::find(stored.begin(), stored.end(), "B") - stored.begin());
}

TEST_F(ScannerTest, DatesBefore1980AreNoneAndTakeNoPartInTheExtremes) {
  const time_t y1975 = 173000000, y2001 = 1000000000, y2020 = 1600000000;
  MakeFile(Root() / "a", 1, y2001);
  MakeFile(Root() / "b", 2, y1975);
  MakeFile(Root() / "c", 3, y2020);
  MakeFile(Root() / "sub" / "d", 3, y2001);
  ASSERT_TRUE(Scan());
  EXPECT_EQ(records[Find("b")].FileDate, 0);
  EXPECT_EQ(records[Find("a")].FileDate, DosDateTimeFromUnix(y2001));
  EXPECT_EQ(scanner.CurrentMedia().OldestFileDate, DosDateTimeFromUnix(y2001));
  EXPECT_EQ(scanner.CurrentMedia().NewestFileDate, DosDateTimeFromUnix(y2020));
  EXPECT_NE(scanner.CurrentMedia().OldestFolderDate, 0);
}

TEST_F(ScannerTest, EntryLimitKeepsAConsistentPrefixAndReportsOverflow) {
  for (int i = 0; i < 4; ++i) MakeFile(Root() / ("f" + std::to_string(i)), 1);
  for (int i = 0; i < 3; ++i) MakeFile(Root() / ("d" + std::to_string(i)) / "x", 1);
  scanner.SetRecordLimit(9);
  ASSERT_TRUE(Scan());
  EXPECT_TRUE(scanner.ScanOverflow());
  ASSERT_EQ(records.size(), 9u);
  ExpectShape();
  for (const TRecord& r : records) EXPECT_LT(r.FirstChild, 9);
  EXPECT_EQ(records[0].AllFiles + records[0].AllFolders, 8);

  scanner.SetRecordLimit(kMaxRecords);
  ASSERT_TRUE(Scan());
  EXPECT_FALSE(scanner.ScanOverflow());
  EXPECT_EQ(records.size(), 11u);
  EXPECT_NE(std::string(Scanner::OverflowMessage()).find("最大数"), std::string::npos);
}

TEST_F(ScannerTest, LinksAreFilesAndAttributesFollowTheMode) {
  fs::create_directories(Root() / "dir" / "inner");
  MakeFile(Root() / "dir" / "inner" / "deep", 1);
  fs::create_directory_symlink(Root() / "dir", Root() / "link");
  fs::create_directory_symlink(Root(), Root() / "dir" / "loop");
  MakeFile(Root() / ".hidden", 1);
  MakeFile(Root() / "ro", 1);
  fs::permissions(Root() / "ro", fs::perms::owner_read);
  ASSERT_EQ(::mkfifo((Root() / "fifo").c_str(), 0644), 0);
  ASSERT_TRUE(Scan());
  ExpectShape();
  const struct {
    const char* name;
    int kind;
    int attr;
  } cases[] = {{"link", kKindFile, 0},
               {".hidden", kKindFile, kAttrHidden | kAttrArchive},
               {"ro", kKindFile, kAttrReadOnly | kAttrArchive},
               {"fifo", kKindFile, kAttrSystem},
               {"dir", kKindFolder, kAttrDirectory}};
  for (const auto& c : cases) {
    const int i = Find(c.name);
    ASSERT_GE(i, 0) << c.name;
    EXPECT_EQ(records[i].Kind, c.kind) << c.name;
    EXPECT_EQ(records[i].Attr, c.attr) << c.name;
  }
  EXPECT_EQ(records[0].AllFiles, 6);  // link, .hidden, ro, fifo, dir/loop, dir/inner/deep
  EXPECT_EQ(records[0].AllFolders, 2);
}

TEST_F(ScannerTest, NamesCp932CannotHoldAreStoredWithQuestionMarksAndStillWalked) {
  const std::string emoji = "絵\xF0\x9F\x98\x80";
  const std::string broken = "bad\xFF";
  MakeFile(Root() / emoji / "inside.txt", 7);
  MakeFile(Root() / broken / "x" / "deeper.txt", 5);
  ASSERT_TRUE(Scan());
  ExpectShape();
  const int e = Find(Sj("絵?"));
  const int b = Find("bad?");
  ASSERT_GE(e, 0);
  ASSERT_GE(b, 0);
  EXPECT_GE(Find("inside.txt", e), 0);
  EXPECT_EQ(records[b].AllFiles, 1);
  EXPECT_EQ(records[0].Size, 12);
  fs::remove_all(Root());  // the temporary folder's removal cannot name bytes that are not UTF-8
}

TEST_F(ScannerTest, PathsLongerThanPathMaxAreWalked) {
  fs::create_directories(Root());
  const std::string part(200, 'p');
  int fd = ::open(Root().c_str(), O_RDONLY | O_DIRECTORY);
  int depth = 0;
  for (; depth * 201 < PATH_MAX + 1000; ++depth) {
    ASSERT_EQ(::mkdirat(fd, part.c_str(), 0755), 0);
    const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
  }
  const int file = ::openat(fd, "leaf", O_CREAT | O_WRONLY, 0644);
  ::close(file);
  ::close(fd);
  ASSERT_TRUE(Scan());
  EXPECT_EQ(records[0].AllFiles, 1);
  EXPECT_EQ(records[0].AllFolders, depth);
  EXPECT_EQ(records.back().Name, "leaf");
  // The temporary folder's own removal stops at PATH_MAX; rm walks by handles.
  EXPECT_EQ(std::system(("rm -rf '" + (Root() / part).string() + "'").c_str()), 0);
}

TEST_F(ScannerTest, ProgressEveryHundredRecords) {
  for (int i = 0; i < 250; ++i) MakeFile(Root() / ("f" + std::to_string(i)), 0);
  std::vector<int64_t> reported;
  scanner.SetProgress([&](int64_t stored, const std::string&) { reported.push_back(stored); });
  ASSERT_TRUE(Scan());
  EXPECT_EQ(reported, (std::vector<int64_t>{0, 100, 200}));
}

TEST_F(ScannerTest, MoreThan32767SubfoldersAreStoredCapped) {
  UseRamDisk();
  fs::create_directories(Root() / "many");
  const int fd = ::open((Root() / "many").c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < 32800; ++i) ASSERT_EQ(::mkdirat(fd, std::to_string(i).c_str(), 0755), 0);
  ::close(fd);
  ASSERT_TRUE(Scan());
  const TRecord& many = records[Find("many")];
  EXPECT_EQ(many.DirFolders, 32767);
  EXPECT_EQ(many.AllFolders, 32767);
  EXPECT_EQ(records[0].AllFolders, 32767);
  EXPECT_EQ(scanner.ScanFolderCount(), 32801);

  // What the user reads is the real number, not the capped field.
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  ASSERT_TRUE(catalog.AddMedia(scanner, scanner.CurrentMedia()));
  const int slot = catalog.LastAddedSlot();
  EXPECT_EQ(MediaFolderCount(catalog, slot), 32801);
  ASSERT_TRUE(catalog.LoadMedia(slot));
  EXPECT_EQ(LoadedFolderCount(catalog, 0), 32801);
  EXPECT_EQ(LoadedFolderCount(catalog, Find("many")), 32800);
}

TEST_F(ScannerTest, WhatCouldNotBeReadIsCountedAndListedAndTheRestStored) {
  MakeFile(Root() / "open" / "kept.txt", 10);
  MakeFile(Root() / "locked" / "hidden.txt", 10);
  MakeFile(Root() / "listonly" / "a.txt", 10);
  MakeFile(Root() / "listonly" / "b.txt", 10);
  MakeFile(Root() / "top.txt", 1);
  // A folder nobody may open, and one whose names may be listed but whose
  // entries may not be examined.
  ::chmod((Root() / "locked").c_str(), 0);
  ::chmod((Root() / "listonly").c_str(), 0444);
  for (fs::path p = Root(); p != dir.Path().parent_path(); p = p.parent_path())
    if (p != Root() / "locked" && p != Root() / "listonly") ::chmod(p.c_str(), 0755);
  const std::string report = test::RunAsNobody([&] {
    std::ostringstream out;
    out << Scan() << ' ' << scanner.UnreadableCount() << ' ' << scanner.ScanFileCount();
    // Within a folder the paths come in the system's listing order.
    std::vector<std::string> paths = scanner.UnreadablePaths();
    std::sort(paths.begin(), paths.end());
    for (const std::string& path : paths) out << ' ' << path;
    return out.str();
  });
  ::chmod((Root() / "locked").c_str(), 0755);
  ::chmod((Root() / "listonly").c_str(), 0755);
  const std::string root = Root().string();
  EXPECT_EQ(report,
            "1 3 2 " + root + "/listonly/a.txt " + root + "/listonly/b.txt " + root + "/locked");

  // A root that cannot be read at all is reported too, with nothing found.
  ::chmod(Root().c_str(), 0);
  const std::string rootReport = test::RunAsNobody([&] {
    std::ostringstream out;
    out << Scan() << ' ' << scanner.UnreadableCount() << ' '
        << (scanner.UnreadablePaths().empty() ? "" : scanner.UnreadablePaths()[0]);
    return out.str();
  });
  ::chmod(Root().c_str(), 0755);
  EXPECT_EQ(rootReport, "0 1 " + root);
}

TEST_F(ScannerTest, AScanIsCancelledFromAnotherThreadPromptly) {
  UseRamDisk();
  for (int d = 0; d < 60; ++d)
    for (int f = 0; f < 100; ++f)
      MakeFile(Root() / ("d" + std::to_string(d)) / ("f" + std::to_string(f)), f);
  using Clock = std::chrono::steady_clock;
  for (const int threads : {1, 2}) {
    SCOPED_TRACE(threads);
    scanner.SetWalkThreads(threads);
    std::mutex mutex;
    std::condition_variable started;
    bool reported = false;
    // A slow consumer of progress keeps the walk going long enough to be cut short.
    scanner.SetProgress([&](int64_t, const std::string&) {
      {
        std::lock_guard lock(mutex);
        reported = true;
      }
      started.notify_one();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    Clock::time_point cancelledAt;
    std::thread canceller([&] {
      std::unique_lock lock(mutex);
      started.wait(lock, [&] { return reported; });
      cancelledAt = Clock::now();
      scanner.RequestCancel();
    });
    const bool found = Scan();
    const auto returnedAt = Clock::now();
    canceller.join();
    EXPECT_FALSE(found);
    EXPECT_TRUE(scanner.Cancelled());
    EXPECT_LT(returnedAt - cancelledAt, std::chrono::milliseconds(200));
    EXPECT_EQ(scanner.ScanCount(), 1);  // nothing worth storing is left

    // The request stands until it is cleared; then the same tree reads whole.
    EXPECT_FALSE(Scan());
    scanner.ClearCancel();
    scanner.SetProgress({});
    ASSERT_TRUE(Scan());
    EXPECT_FALSE(scanner.Cancelled());
    EXPECT_EQ(scanner.ScanFileCount(), 6000);
  }
}

TEST_F(ScannerTest, ReadingAheadOnASecondThreadStoresTheSameRecords) {
  for (int a = 0; a < 12; ++a)
    for (int b = 0; b < 5; ++b)
      for (int f = 0; f < 4; ++f)
        MakeFile(Root() / ("d" + std::to_string(a)) / ("e" + std::to_string(b)) /
                     ("f" + std::to_string(f)),
                 a * 100 + b * 10 + f);
  scanner.SetWalkThreads(1);
  ASSERT_TRUE(Scan());
  ExpectShape();
  const std::vector<TRecord> single = records;
  scanner.SetWalkThreads(2);
  ASSERT_TRUE(Scan());
  ASSERT_EQ(records.size(), single.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].Name, single[i].Name);
    EXPECT_EQ(records[i].Parent, single[i].Parent);
    EXPECT_EQ(records[i].FirstChild, single[i].FirstChild);
    EXPECT_EQ(records[i].Size, single[i].Size);
  }
}

// Folders are opened relative to their open parents while the budget of open
// folders allows, by their paths beyond it; either way the records are the
// same, and no folder stays open after the read.
TEST_F(ScannerTest, FoldersOpenedInTheirParentsOrByPathsStoreTheSameRecords) {
  for (int a = 0; a < 6; ++a)
    for (int b = 0; b < 3; ++b)
      for (int c = 0; c < 2; ++c)
        MakeFile(Root() / ("d" + std::to_string(a)) / (std::string("資料") + std::to_string(b)) /
                     ("e " + std::to_string(c)) / ("f" + std::to_string(c)),
                 a * 100 + b * 10 + c);
  MakeFile(Root() / "top.txt", 1);
  const auto openHandles = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  scanner.SetWalkThreads(1);
  scanner.SetOpenFolderBudget(0);
  ASSERT_TRUE(Scan());
  ExpectShape();
  const std::vector<TRecord> byPaths = records;
  EXPECT_EQ(records[0].AllFolders, 6 + 18 + 36);
  for (const int threads : {1, 2}) {
    for (const int budget : {-1, 0, 1, 2}) {
      SCOPED_TRACE(std::to_string(threads) + " threads, budget " + std::to_string(budget));
      scanner.SetWalkThreads(threads);
      scanner.SetOpenFolderBudget(budget);
      const auto before = openHandles();
      ASSERT_TRUE(Scan());
      EXPECT_EQ(openHandles(), before);
      EXPECT_EQ(scanner.UnreadableCount(), 0);
      ASSERT_EQ(records.size(), byPaths.size());
      for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].Name, byPaths[i].Name);
        EXPECT_EQ(records[i].Parent, byPaths[i].Parent);
        EXPECT_EQ(records[i].FirstChild, byPaths[i].FirstChild);
        EXPECT_EQ(records[i].Size, byPaths[i].Size);
      }
    }
  }
}

TEST_F(ScannerTest, AddMediaStoresTheBufferWithLongNames) {
  const std::string longName = std::string(120, 'n') + ".txt";
  MakeFile(Root() / "sub" / longName, 10);
  MakeFile(Root() / "top.txt", 3);
  ASSERT_TRUE(Scan());
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  ASSERT_TRUE(catalog.AddMedia(scanner, scanner.CurrentMedia()));
  const int slot = catalog.LastAddedSlot();
  ASSERT_TRUE(catalog.LoadMedia(slot));
  ASSERT_EQ(catalog.LoadedCount(), static_cast<int>(records.size()));
  for (int r = 0; r < catalog.LoadedCount(); ++r) {
    EXPECT_EQ(catalog.LoadedRec(r).Parent(), records[r].Parent);
    EXPECT_EQ(catalog.LoadedRec(r).FirstChild(), records[r].FirstChild);
    EXPECT_EQ(catalog.LoadedRec(r).Allocated(), records[r].Allocated);
    EXPECT_EQ(catalog.RecordName(r), records[r].Name);
  }
  EXPECT_EQ(catalog.Slot(slot).Drive(), "e");
  EXPECT_EQ(catalog.Slot(slot).Root().Version(), "3(1+2)");
}

}  // namespace
}  // namespace plomix
