#include <gtest/gtest.h>

#include <algorithm>

#include "core/Catalog.h"
#include "core/Text.h"
#include "reading/FileCopy.h"
#include "reading/MediaOrigins.h"
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
  std::vector<std::pair<int32_t, EntryAction>> explorer;
  bool OpenFile(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  void OpenExplorer(int32_t key, EntryAction action) override {
    explorer.emplace_back(key, action);
  }
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

  PresenceOutcome Check(EntryAction action, int32_t key) {
    return CheckMediaPresence(action, key, catalog, drives, prompter, desktop);
  }

  // Gives the folder 写真 the stored name `name` in the catalogue file, as a
  // crafted catalogue would hold it, and reads the catalogue again.
  void CraftFolderName(const std::vector<uint8_t>& original, const std::string& name) {
    std::vector<uint8_t> bytes = original;
    const std::string name932 = '\x04' + Sj("写真");  // length byte, then the name
    const std::vector<uint8_t> stored(name932.begin(), name932.end());
    const auto at = std::search(bytes.begin(), bytes.end(), stored.begin(), stored.end());
    ASSERT_NE(at, bytes.end());
    ASSERT_EQ(std::search(at + 1, bytes.end(), stored.begin(), stored.end()), bytes.end());
    *at = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), at + 1);
    test::WriteFileBytes(dir.File("c.qdb"), bytes);
    ASSERT_TRUE(catalog.OpenCatalog());
  }
};

class NoProgress : public CopyObserver {
 public:
  bool Progress(uint64_t, uint64_t, int, int, const std::string&) override { return true; }
};

TEST_F(MediaPresenceTest, TheRightMediaIsOpenedOrReportedPresent) {
  EXPECT_EQ(Check(EntryAction::Open, fileKey), PresenceOutcome::Opened);
  ASSERT_EQ(desktop.opened.size(), 1u);
  EXPECT_EQ(desktop.opened[0], (Stick() / "写真" / "ソフト.jpg").string());
  EXPECT_EQ(Check(EntryAction::Copy, fileKey), PresenceOutcome::Present);
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
      const PresenceOutcome outcome = Check(EntryAction::Copy, fileKey);
      ASSERT_EQ(prompter.prompts.size(), 1u);
      EXPECT_EQ(prompter.prompts[0].text, QString::fromUtf8(c.text));
      EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::Warning);
      EXPECT_EQ(prompter.prompts[0].buttons, PromptButtons::YesNo);
      if (answer == PromptResult::Yes) {
        EXPECT_EQ(outcome, PresenceOutcome::ExplorerOpened);
        EXPECT_EQ(desktop.explorer,
                  (std::vector<std::pair<int32_t, EntryAction>>{{fileKey, EntryAction::Copy}}));
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
  EXPECT_EQ(Check(EntryAction::Open, fileKey), PresenceOutcome::GaveUp);
  ASSERT_EQ(prompter.prompts.size(), 3u);
  EXPECT_EQ(prompter.prompts[0].text, QString::fromStdString(NotMountedText('d')));
  EXPECT_TRUE(prompter.prompts[0].text.startsWith(QString::fromUtf8("D ドライブにメディアが")));
  EXPECT_EQ(prompter.prompts[0].buttons, PromptButtons::YesNoCancel);

  prompter.prompts.clear();
  prompter.answers = {PromptResult::No};
  EXPECT_EQ(Check(EntryAction::Open, fileKey), PresenceOutcome::ExplorerOpened);
  prompter.answers = {PromptResult::Cancel};
  EXPECT_EQ(Check(EntryAction::Open, fileKey), PresenceOutcome::Stopped);
  EXPECT_EQ(prompter.prompts.size(), 2u);
  EXPECT_TRUE(desktop.opened.empty());
}

// Cataloguing a hundred sticks one after the other works, and each is found
// again by its serial and label wherever and under whatever letter it is
// mounted later.
TEST_F(MediaPresenceTest, AHundredSticksInARowAreCataloguedAndFoundWhereverMounted) {
  Scanner scanner;
  ReadWorkflow workflow(catalog, settings.Get(), drives, scanner, prompter);
  std::vector<int32_t> keys;
  for (int i = 1; i <= 100; ++i) {
    char uuid[16];
    std::snprintf(uuid, sizeof uuid, "C%03d-0000", i);
    const std::string label = "S" + std::to_string(i);
    const auto point = machine.MountStick(i, "media/user/" + label, uuid, label);
    test::MakeFile(point / "docs" / "n.txt", i);
    // The dialog opens on the stick just put in; its label names the media.
    ASSERT_TRUE(workflow.ReadMediaCommand([&](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      EXPECT_EQ(form.name, label);
      return w.ConfirmRead(form, true);
    })) << i;
    const int slot = catalog.LastAddedSlot();
    EXPECT_EQ(catalog.Slot(slot).VolumeSerial(), SerialTextFromUuid(uuid));
    ASSERT_TRUE(catalog.LoadMedia(slot));
    keys.push_back(MakeKey(slot, catalog.LoadedCount() - 1));
    machine.Unmount("media/user/" + label);
  }
  EXPECT_EQ(catalog.MediaCount(), 101);

  // Stick 50 comes back at another place, next to stick 7 under another letter.
  machine.MountStick(1007, "run/media/x/S7", "C007-0000", "S7");
  const auto back = machine.MountStick(1050, "run/media/x/elsewhere", "C050-0000", "S50");
  EXPECT_EQ(EntryNativePath(catalog, drives, keys[49]), (back / "docs" / "n.txt").string());
  EXPECT_EQ(Check(EntryAction::Open, keys[49]), PresenceOutcome::Opened);
  ASSERT_EQ(desktop.opened.size(), 1u);
  EXPECT_EQ(desktop.opened[0], (back / "docs" / "n.txt").string());
  EXPECT_TRUE(prompter.prompts.empty());
  // A stick that is not there is asked for under its recorded letter.
  prompter.answers = {PromptResult::Cancel};
  EXPECT_EQ(Check(EntryAction::Open, keys[20]), PresenceOutcome::Stopped);
  EXPECT_EQ(prompter.prompts.size(), 1u);
}

// A folder read as a media is found under its place in its volume wherever the
// volume is mounted, and under its full path when its volume has no identity.
TEST_F(MediaPresenceTest, AFolderMediaIsFoundUnderItsFolder) {
  test::MakeFile(Stick() / "photos" / "2024" / "p.jpg", 3);
  test::MakeFile(machine.Path("mnt/ram/notes/n.txt"), 4);
  Scanner scanner;
  ReadWorkflow workflow(catalog, settings.Get(), drives, scanner, prompter);
  const auto readFolder = [&](const std::filesystem::path& folder) {
    EXPECT_TRUE(workflow.ReadMediaCommand([&](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      EXPECT_TRUE(w.FetchFolderSource(form, true, folder.string()));
      return w.ConfirmRead(form, true);
    }));
    const int slot = catalog.LastAddedSlot();
    EXPECT_TRUE(catalog.LoadMedia(slot));
    return MakeKey(slot, catalog.LoadedCount() - 1);
  };
  const int32_t photo = readFolder(Stick() / "photos" / "2024");
  const int32_t note = readFolder(machine.Path("mnt/ram/notes"));
  const TMediaSlot& photos = catalog.Slot(SlotOfKey(photo));
  EXPECT_EQ(photos.Name(), "2024");
  EXPECT_EQ(photos.Drive(), "d");  // the stick's letter
  EXPECT_EQ(photos.VolumeSerial(), "1234ABCD");
  for (char c = 'A'; c <= 'Z'; ++c) EXPECT_FALSE(drives.IsBound(c));
  const auto origins = ReadMediaOrigins(MediaOriginsPath(catalog));
  ASSERT_EQ(origins.size(), 2u);
  EXPECT_EQ(origins[0].inner, "/photos/2024");

  EXPECT_EQ(EntryNativePath(catalog, drives, photo), (Stick() / "photos/2024/p.jpg").string());
  EXPECT_EQ(EntryNativePath(catalog, drives, note), machine.Path("mnt/ram/notes/n.txt").string());
  machine.Unmount("media/user/STICK");
  std::filesystem::rename(Stick(), machine.Path("media/user/MOVED"));
  const auto moved = machine.MountStick(1, "media/user/MOVED", "1234-ABCD", "STICK");
  EXPECT_EQ(EntryNativePath(catalog, drives, photo), (moved / "photos/2024/p.jpg").string());
  EXPECT_EQ(Check(EntryAction::Copy, photo), PresenceOutcome::Present);
  EXPECT_TRUE(prompter.prompts.empty());
}

// A folder media whose folder moved: before anything else the user is told
// and may retry, stop, or choose the folder, which is recorded as the media's
// origin once it holds the media's files.
TEST_F(MediaPresenceTest, AMovedFolderMediaIsAskedForBeforeAnythingElse) {
  struct Case {
    const char* name;
    std::vector<PromptResult> answers;
    std::vector<const char*> folders;  // folder chooser answers, below the machine
    PresenceOutcome outcome;
    std::vector<std::string> asked;  // kinds and texts, in order
    bool recorded;
  };
  const std::string question =
      "Message:" + MissingFolderText("album", machine.Path("home/u/album").string());
  const std::string chooser = "ChooseFolder:メディアのフォルダを選択してください";
  const Case cases[] = {
      {"stop", {PromptResult::Cancel}, {}, PresenceOutcome::Stopped, {question}, false},
      {"chooser cancelled",
       {PromptResult::Yes},
       {""},
       PresenceOutcome::Stopped,
       {question, chooser},
       false},
      {"retry three times",
       {PromptResult::No, PromptResult::No, PromptResult::No},
       {},
       PresenceOutcome::GaveUp,
       {question, question, question},
       false},
      {"not the media",
       {PromptResult::Yes, PromptResult::Ok, PromptResult::Cancel},
       {"home/u"},
       PresenceOutcome::Stopped,
       {question, chooser, "Message:" + NotTheMediaText("album"), question},
       false},
      {"chosen",
       {PromptResult::Yes},
       {"home/u/moved"},
       PresenceOutcome::Present,
       {question, chooser},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir own;
    Catalog folders;
    ASSERT_TRUE(folders.CreateCatalog(own.File("f.qdb")));
    std::filesystem::remove_all(machine.Path("home/u"));
    test::MakeFile(machine.Path("home/u/album/2024/p.jpg"), 3);
    Scanner scanner;
    ReadWorkflow workflow(folders, settings.Get(), drives, scanner, prompter);
    ASSERT_TRUE(workflow.ReadMediaCommand([&](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      EXPECT_TRUE(w.FetchFolderSource(form, true, machine.Path("home/u/album").string()));
      return w.ConfirmRead(form, true);
    }));
    const int slot = folders.LastAddedSlot();
    ASSERT_TRUE(folders.LoadMedia(slot));
    const int32_t photo = MakeKey(slot, folders.LoadedCount() - 1);
    std::filesystem::rename(machine.Path("home/u/album"), machine.Path("home/u/moved"));

    prompter.prompts.clear();
    prompter.answers.assign(c.answers.begin(), c.answers.end());
    prompter.paths.clear();
    for (const char* folder : c.folders)
      prompter.paths.push_back(*folder ? QString::fromStdString(machine.Path(folder).string())
                                       : QString());
    EXPECT_EQ(CheckMediaPresence(EntryAction::Copy, photo, folders, drives, prompter, desktop),
              c.outcome);
    std::vector<std::string> asked;
    for (const QString& line : prompter.Log()) asked.push_back(line.toStdString());
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(ReadMediaOrigins(MediaOriginsPath(folders)).size(), c.recorded ? 2u : 1u);
    if (c.recorded) {
      EXPECT_EQ(EntryNativePath(folders, drives, photo),
                machine.Path("home/u/moved/2024/p.jpg").string());
    }
  }
}

// The side file survives damage: lines that do not parse are skipped.
TEST_F(MediaPresenceTest, DamagedOriginLinesAreIgnored) {
  const std::string path = dir.File("o.src");
  test::WriteText(path,
                  "garbage\n"
                  "1 2 n%20a /in /full\n"
                  "x 2 n /in /full\n"
                  "3 0 n /in /full\n"
                  "4 5 n relative /full\n"
                  "6 7 n /in\n"
                  "\n"
                  "8 9 %E5%86%99 /a%20b/c /x/a%20b/c\n");
  const auto origins = ReadMediaOrigins(path);
  ASSERT_EQ(origins.size(), 2u);
  EXPECT_EQ(origins[0].name, "n a");
  EXPECT_EQ(origins[1].readDate, 8);
  EXPECT_EQ(origins[1].inner, "/a b/c");
  EXPECT_TRUE(ReadMediaOrigins(dir.File("missing.src")).empty());
  AppendMediaOrigin(path, {10, 11, "x y", "/p q", "/r s"});
  EXPECT_EQ(ReadMediaOrigins(path).back().folder, "/r s");
}

TEST_F(MediaPresenceTest, TheMediaItselfHasNoPathAndOpensNothing) {
  EXPECT_EQ(Check(EntryAction::Open, mediaKey), PresenceOutcome::GaveUp);
  EXPECT_TRUE(prompter.prompts.empty());
  EXPECT_TRUE(desktop.opened.empty());
  EXPECT_EQ(EntryNativePath(catalog, drives, mediaKey), "");
}

// Names that would not stay one step of the path are refused, naming the
// entry, and nothing is opened.
TEST_F(MediaPresenceTest, CraftedNamesThatLeaveTheirFolderAreRefused) {
  const std::vector<uint8_t> original = test::ReadFileBytes(dir.File("c.qdb"));
  const struct {
    std::string name;
    const char* shown;
  } cases[] = {{"", ""},
               {".", "."},
               {"..", ".."},
               {"a/b", "a/b"},
               {std::string("a\0b", 3), "a\\x00b"},
               {"../../etc", "../../etc"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    CraftFolderName(original, c.name);
    prompter.prompts.clear();
    const std::string refusal = UnsafePathText(std::string(c.shown) + "\\ソフト.jpg");
    const EntryPath where = LocateEntry(catalog, drives, fileKey);
    EXPECT_EQ(where.refusal, refusal);
    EXPECT_EQ(where.path, "");
    EXPECT_EQ(LocateEntryOn(catalog, drives, fileKey, 'd').refusal, refusal);
    EXPECT_EQ(Check(EntryAction::Open, fileKey), PresenceOutcome::Refused);
    ASSERT_EQ(prompter.prompts.size(), 1u);
    EXPECT_EQ(prompter.prompts[0].text, text::Utf8ToQString(refusal));
    EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::Error);
  }
  EXPECT_TRUE(desktop.opened.empty());
  // The untouched catalogue still reaches the file.
  CraftFolderName(original, Sj("写真"));
  EXPECT_EQ(LocateEntry(catalog, drives, fileKey).refusal, "");
}

// The folder 写真 replaced on the media by a link: to a folder of the media
// (by a relative or an absolute link) the file is reached, to one outside it
// neither opening nor copying reads it.
TEST_F(MediaPresenceTest, AFolderLinkedOutOfTheMediaIsRefused) {
  namespace fs = std::filesystem;
  const fs::path inside = Stick() / "real";
  const fs::path outside = dir.Path() / "outside";
  test::MakeFile(inside / "ソフト.jpg", 5);
  test::MakeFile(outside / "ソフト.jpg", 7);
  fs::remove_all(Stick() / "写真");
  const fs::path target = dir.Path() / "out";
  fs::create_directories(target);
  NoProgress progress;
  const struct {
    fs::path to;
    bool escapes;
  } cases[] = {{"real", false}, {inside, false}, {outside, true}};
  for (const auto& [to, escapes] : cases) {
    SCOPED_TRACE(to);
    fs::remove(Stick() / "写真");
    fs::create_directory_symlink(to, Stick() / "写真");
    prompter.prompts.clear();
    desktop.opened.clear();
    const EntryPath where = LocateEntry(catalog, drives, fileKey);
    const std::string path = (Stick() / "写真" / "ソフト.jpg").string();
    if (escapes) {
      EXPECT_EQ(where.refusal, UnsafePathText("写真\\ソフト.jpg"));
      EXPECT_EQ(Check(EntryAction::Open, fileKey), PresenceOutcome::Refused);
      EXPECT_TRUE(desktop.opened.empty());
    } else {
      EXPECT_EQ(where.path, path);
      EXPECT_EQ(Check(EntryAction::Open, fileKey), PresenceOutcome::Opened);
      EXPECT_EQ(desktop.opened, std::vector<std::string>{path});
    }
    // The copy checks its sources against their media's root itself.
    const CopyReport report =
        CopyFiles({{path, "", Stick().string()}}, target.string(), prompter, progress);
    EXPECT_EQ(report.status, escapes ? CopyStatus::Failed : CopyStatus::Done);
    EXPECT_EQ(fs::exists(target / "ソフト.jpg"), !escapes);
    fs::remove(target / "ソフト.jpg");
  }
}

}  // namespace
}  // namespace plomix
