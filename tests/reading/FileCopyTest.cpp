#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "reading/FileCopy.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;

class Recorder : public CopyObserver {
 public:
  int calls = 0;
  int cancelAfter = -1;  // calls before answering "stop"
  uint64_t lastTotal = 0;
  bool Progress(uint64_t, uint64_t total, int, int, const std::string&) override {
    lastTotal = total;
    return cancelAfter < 0 || calls++ < cancelAfter;
  }
};

std::vector<uint8_t> Bytes(std::size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

void SetTime(const std::string& path, time_t seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

time_t TimeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0);
  return info.st_mtim.tv_sec;
}

// Nothing but the expected names in a folder: no temporary leftovers.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class FileCopyTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::ScriptedPrompter prompter;
  Recorder observer;
  fs::path src, dst;

  void SetUp() override {
    src = dir.Path() / "src";
    dst = dir.Path() / "dst";
    fs::create_directories(src / "folder" / "sub");
    fs::create_directories(dst);
    test::WriteFileBytes(src / "a.bin", Bytes(3 << 20, 1));
    test::WriteFileBytes(src / "b.txt", Bytes(10, 2));
    test::WriteFileBytes(src / "folder" / "sub" / "c.dat", Bytes(5000, 3));
    fs::create_symlink("sub/c.dat", src / "folder" / "link");
    SetTime(src / "a.bin", 1000000000);
    SetTime(src / "folder" / "sub" / "c.dat", 1100000000);
    SetTime(src / "folder" / "link", 1200000000);
    SetTime(src / "folder" / "sub", 1300000000);
    SetTime(src / "folder", 1400000000);
    ::chmod((src / "b.txt").c_str(), 0640);
  }
  std::vector<CopySource> All() const {
    return {{src / "a.bin", ""}, {src / "b.txt", ""}, {src / "folder", ""}};
  }
};

TEST_F(FileCopyTest, CopiesFilesFoldersAndLinksWithTheirTimes) {
  for (bool viaWrite : {false, true}) {
    SCOPED_TRACE(viaWrite);
    fs::remove_all(dst);
    fs::create_directories(dst);
    CopyHooks hooks;
    hooks.chunkBytes = 1 << 20;
    if (viaWrite) hooks.write = [](int fd, const void* p, size_t n) { return ::write(fd, p, n); };
    const CopyReport report = CopyFiles(All(), dst, prompter, observer, hooks);
    ASSERT_EQ(report.status, CopyStatus::Done) << report.message.toStdString();
    EXPECT_EQ(report.copied, 6);
    EXPECT_EQ(report.bytes, (3u << 20) + 10 + 5000);
    EXPECT_EQ(observer.lastTotal, report.bytes);
    EXPECT_EQ(test::ReadFileBytes(dst / "a.bin"), Bytes(3 << 20, 1));
    EXPECT_EQ(test::ReadFileBytes(dst / "folder" / "sub" / "c.dat"), Bytes(5000, 3));
    EXPECT_EQ(fs::read_symlink(dst / "folder" / "link"), "sub/c.dat");
    EXPECT_EQ(TimeOf(dst / "a.bin"), 1000000000);
    EXPECT_EQ(TimeOf(dst / "folder" / "sub" / "c.dat"), 1100000000);
    EXPECT_EQ(TimeOf(dst / "folder" / "sub"), 1300000000);
    EXPECT_EQ(TimeOf(dst / "folder"), 1400000000);
    EXPECT_EQ(fs::status(dst / "b.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(dst), (std::vector<std::string>{"a.bin", "b.txt", "folder"}));
    EXPECT_TRUE(prompter.prompts.empty());
  }
}

TEST_F(FileCopyTest, ExistingTargetsAreReplacedOnlyWhenTheUserSaysSo) {
  test::WriteFileBytes(dst / "a.bin", Bytes(4, 9));
  test::WriteFileBytes(dst / "b.txt", Bytes(4, 9));
  // No keeps a.bin, Yes replaces b.txt, the folder is new.
  prompter.answers = {PromptResult::No, PromptResult::Yes};
  CopyReport report = CopyFiles(All(), dst, prompter, observer);
  ASSERT_EQ(report.status, CopyStatus::Done);
  EXPECT_EQ(report.skipped, 1);
  EXPECT_EQ(test::ReadFileBytes(dst / "a.bin"), Bytes(4, 9));
  EXPECT_EQ(test::ReadFileBytes(dst / "b.txt"), Bytes(10, 2));
  ASSERT_EQ(prompter.Messages().size(), 2);
  EXPECT_EQ(prompter.Messages()[0], ReplaceQuestionText((dst / "a.bin").string()));

  // Cancel at the first question stops before anything else is written.
  fs::remove_all(dst / "folder");
  prompter.prompts.clear();
  prompter.answers = {PromptResult::Cancel};
  report = CopyFiles(All(), dst, prompter, observer);
  EXPECT_EQ(report.status, CopyStatus::Cancelled);
  EXPECT_FALSE(fs::exists(dst / "folder"));
  EXPECT_EQ(prompter.Messages().size(), 1);
}

TEST_F(FileCopyTest, AFailingTargetKeepsTheOldFileAndLeavesNoPart) {
  test::WriteFileBytes(dst / "a.bin", Bytes(4, 9));
  prompter.answers = {PromptResult::Yes};
  CopyHooks hooks;
  hooks.chunkBytes = 1 << 20;
  std::size_t written = 0;
  hooks.write = [&](int fd, const void* p, size_t n) -> ssize_t {
    if (written + n > (2u << 20)) {
      errno = ENOSPC;
      return -1;
    }
    written += n;
    return ::write(fd, p, n);
  };
  const CopyReport report = CopyFiles(All(), dst, prompter, observer, hooks);
  EXPECT_EQ(report.status, CopyStatus::Failed);
  EXPECT_TRUE(report.message.contains(QString::fromStdString((dst / "a.bin").string())));
  EXPECT_TRUE(report.message.contains(QStringLiteral("ディスクの空き容量が不足しています")));
  EXPECT_EQ(test::ReadFileBytes(dst / "a.bin"), Bytes(4, 9));
  EXPECT_EQ(Names(dst), std::vector<std::string>{"a.bin"});
}

TEST_F(FileCopyTest, AVanishedSourceStopsBeforeAnythingIsWritten) {
  std::vector<CopySource> sources = All();
  sources.push_back({(src / "gone.txt").string(), ""});
  const CopyReport report = CopyFiles(sources, dst, prompter, observer);
  EXPECT_EQ(report.status, CopyStatus::Failed);
  EXPECT_TRUE(report.message.startsWith(QStringLiteral("コピー元のファイルが見つかりません")));
  EXPECT_TRUE(report.message.contains(QStringLiteral("gone.txt")));
  EXPECT_TRUE(Names(dst).empty());
}

TEST_F(FileCopyTest, CancelMidFileLeavesNoPartAndTargetNames) {
  CopyHooks hooks;
  hooks.chunkBytes = 1 << 20;
  observer.cancelAfter = 2;  // the first tick, then one chunk of a.bin
  const CopyReport report = CopyFiles(All(), dst, prompter, observer, hooks);
  EXPECT_EQ(report.status, CopyStatus::Cancelled);
  EXPECT_TRUE(Names(dst).empty());
}

TEST_F(FileCopyTest, RenamedSingleFileAndRefusedNames) {
  CopyReport report = CopyFiles({{src / "b.txt", "renamed.txt"}}, dst, prompter, observer);
  ASSERT_EQ(report.status, CopyStatus::Done);
  EXPECT_EQ(test::ReadFileBytes(dst / "renamed.txt"), Bytes(10, 2));
  for (const char* bad : {"..", "a/b"}) {
    report = CopyFiles({{src / "b.txt", bad}}, dst, prompter, observer);
    EXPECT_EQ(report.status, CopyStatus::Failed) << bad;
  }
  // A folder copied into itself would never end.
  report = CopyFiles({{src / "folder", ""}}, src / "folder" / "sub", prompter, observer);
  EXPECT_EQ(report.status, CopyStatus::Failed);
  EXPECT_FALSE(fs::exists(src / "folder" / "sub" / "folder"));
}

// A real full disk: a tiny tmpfs. Needs the right to mount (root in CI).
TEST_F(FileCopyTest, FullDiskOnARealFileSystem) {
  const fs::path small = dir.Path() / "small";
  fs::create_directories(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  const CopyReport report = CopyFiles({{src / "a.bin", ""}}, small, prompter, observer);
  const std::vector<std::string> left = Names(small);
  ::umount(small.c_str());
  EXPECT_EQ(report.status, CopyStatus::Failed);
  EXPECT_TRUE(report.message.contains(QStringLiteral("ディスクの空き容量が不足しています")));
  EXPECT_TRUE(left.empty());
}

}  // namespace
}  // namespace plomix
