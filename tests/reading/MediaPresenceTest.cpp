#include <gtest/gtest.h>

#include "core/Catalog.h"
#include "reading/MediaPresence.h"
#include "reading/ReadRequest.h"
#include "reading/ReadingTestUtil.h"
#include "reading/Scanner.h"

namespace plomix {
namespace {

using test::Sj;

class FakeDesktop : public DesktopActions {
 public:
  std::vector<std::string> opened;
  std::vector<std::pair<int32_t, int>> explorer;
  bool OpenFile(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  void OpenExplorer(int32_t key, int mode) override { explorer.emplace_back(key, mode); }
};

class MediaPresenceTest : public ::testing::Test {
 protected:
  test::FakeMachine machine;
  test::IsolatedSettings settings;
  test::TempDir dir;
  Drives drives{settings.Get(), machine.Sources()};
  Catalog catalog;
  test::ScriptedPrompter prompter;
  FakeDesktop desktop;
  int32_t fileKey = -1;
  int32_t mediaKey = -1;

  std::filesystem::path Stick() const { return machine.Path("media/user/STICK"); }

  void SetUp() override {
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
    test::MakeFile(Stick() / "写真" / "ソフト.jpg", 100);  // "ソ" ends in the byte of "\"
    Scanner scanner;
    ReadWorkflow workflow(catalog, settings.Get(), drives, scanner, prompter);
    ASSERT_TRUE(workflow.ReadMediaCommand([](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      w.FetchDriveVolume(form, true, "D");
      return w.ConfirmRead(form, true);
    }));
    const int slot = catalog.LastAddedSlot();
    mediaKey = MakeKey(slot, 0);
    ASSERT_TRUE(catalog.LoadMedia(slot));
    for (int r = 1; r < catalog.LoadedCount(); ++r)
      if (catalog.RecordName(r) == Sj("ソフト.jpg")) fileKey = MakeKey(slot, r);
    ASSERT_GE(fileKey, 0);
  }

  PresenceOutcome Check(int mode, int32_t key) {
    return CheckMediaPresence(mode, key, catalog, drives, prompter, desktop);
  }
};

TEST_F(MediaPresenceTest, TheRightMediaIsOpenedOrReportedPresent) {
  EXPECT_EQ(Check(kPresenceOpen, fileKey), PresenceOutcome::Opened);
  ASSERT_EQ(desktop.opened.size(), 1u);
  EXPECT_EQ(desktop.opened[0], (Stick() / "写真" / "ソフト.jpg").string());
  EXPECT_EQ(Check(kPresenceCopy, fileKey), PresenceOutcome::Present);
  EXPECT_EQ(desktop.opened.size(), 1u);
  EXPECT_TRUE(prompter.prompts.empty());
}

TEST_F(MediaPresenceTest, AnotherMediaInTheDriveAsksToChangeTheDrive) {
  const struct {
    const char* renameFrom;
    const char* renameTo;
    const char* text;
  } cases[] = {{"by-label/STICK", "by-label/RELABELLED", VolumeNameMismatchText()},
               {"by-uuid/1234-ABCD", "by-uuid/4321-0000", SerialMismatchText()}};
  for (const auto& c : cases) {
    std::filesystem::rename(machine.Path(c.renameFrom), machine.Path(c.renameTo));
    for (const PromptResult answer : {PromptResult::Yes, PromptResult::No}) {
      prompter.prompts.clear();
      desktop.explorer.clear();
      prompter.answers = {answer};
      const PresenceOutcome outcome = Check(kPresenceCopy, fileKey);
      ASSERT_EQ(prompter.prompts.size(), 1u);
      EXPECT_EQ(prompter.prompts[0].text, QString::fromUtf8(c.text));
      EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::Warning);
      EXPECT_EQ(prompter.prompts[0].buttons, PromptButtons::YesNo);
      if (answer == PromptResult::Yes) {
        EXPECT_EQ(outcome, PresenceOutcome::ExplorerOpened);
        EXPECT_EQ(desktop.explorer, (std::vector<std::pair<int32_t, int>>{{fileKey, 2}}));
      } else {
        EXPECT_EQ(outcome, PresenceOutcome::Stopped);
        EXPECT_TRUE(desktop.explorer.empty());
      }
    }
    std::filesystem::rename(machine.Path(c.renameTo), machine.Path(c.renameFrom));
  }
  EXPECT_TRUE(desktop.opened.empty());
}

TEST_F(MediaPresenceTest, NoMediaRetriesThreeTimesThenGivesUp) {
  machine.Unmount("media/user/STICK");
  prompter.answers = {PromptResult::Yes, PromptResult::Yes, PromptResult::Yes, PromptResult::Yes};
  EXPECT_EQ(Check(kPresenceOpen, fileKey), PresenceOutcome::GaveUp);
  ASSERT_EQ(prompter.prompts.size(), 3u);
  EXPECT_EQ(prompter.prompts[0].text, QString::fromStdString(NotMountedText('d')));
  EXPECT_TRUE(prompter.prompts[0].text.startsWith(QString::fromUtf8("D ドライブにメディアが")));
  EXPECT_EQ(prompter.prompts[0].buttons, PromptButtons::YesNoCancel);

  prompter.prompts.clear();
  prompter.answers = {PromptResult::No};
  EXPECT_EQ(Check(kPresenceOpen, fileKey), PresenceOutcome::ExplorerOpened);
  prompter.answers = {PromptResult::Cancel};
  EXPECT_EQ(Check(kPresenceOpen, fileKey), PresenceOutcome::Stopped);
  EXPECT_EQ(prompter.prompts.size(), 2u);
  EXPECT_TRUE(desktop.opened.empty());
}

TEST_F(MediaPresenceTest, TheMediaItselfHasNoPathAndOpensNothing) {
  EXPECT_EQ(Check(kPresenceOpen, mediaKey), PresenceOutcome::GaveUp);
  EXPECT_TRUE(prompter.prompts.empty());
  EXPECT_TRUE(desktop.opened.empty());
  EXPECT_EQ(EntryNativePath(catalog, drives, mediaKey), "");
}

}  // namespace
}  // namespace plomix
