#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"
#include "reading/ReadRequest.h"
#include "reading/ReadingTestUtil.h"
#include "reading/Scanner.h"

namespace plomix {
namespace {

using test::Sj;

class ReadWorkflowTest : public ::testing::Test {
 protected:
  test::FakeMachine machine;
  test::IsolatedSettings settings;
  test::TempDir dir;
  Drives drives{settings.Get(), machine.Sources()};
  Catalog catalog;
  Scanner scanner;
  test::ScriptedPrompter prompter;
  ReadWorkflow workflow{catalog, settings.Get(), drives, scanner, prompter};

  void SetUp() override {
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
    test::MakeFile(Stick() / "photos" / "a.jpg", 100);
    test::MakeFile(Stick() / "b.txt", 5);
  }
  void TearDown() override { SetClockForTesting({}); }

  std::filesystem::path Stick() const { return machine.Path("media/user/STICK"); }

  // The dialog: drive E chosen, then `edit` changes the form, then the read button.
  bool Read(const std::function<void(ReadForm&)>& edit = {}, bool readButton = true) {
    return workflow.ReadMediaCommand([&](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      w.FetchDriveVolume(form, true, "D");
      if (edit) edit(form);
      return w.ConfirmRead(form, readButton);
    });
  }

  int LiveMedia() { return catalog.MediaCount(); }
};

TEST_F(ReadWorkflowTest, ReadsANewMediaTakingTheLabelAndRemembersTheChoices) {
  bool busyInDialog = false, busyAfter = true;
  int hookCalls = 0;
  std::vector<int> mediaWhenStoring;
  workflow.SetBeforeStore([&] { mediaWhenStoring.push_back(catalog.MediaCount()); });
  workflow.SetAfterMediaChange([&] {
    ++hookCalls;
    busyAfter = workflow.Busy();
  });
  ASSERT_TRUE(workflow.ReadMediaCommand([&](ReadWorkflow& w) {
    busyInDialog = w.Busy();
    ReadForm form = w.InitialForm();
    EXPECT_EQ(form.drive, "J");  // the card, mounted last of the removable volumes
    w.FetchDriveVolume(form, true, "D");
    EXPECT_EQ(form.name, "STICK");
    form.dupSearchMode = 2;
    form.eject = false;
    form.location = Sj("棚");
    return w.ConfirmRead(form, true);
  }));
  EXPECT_TRUE(busyInDialog);
  EXPECT_FALSE(busyAfter);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(mediaWhenStoring, std::vector<int>{0});  // announced once, before the media is stored
  EXPECT_TRUE(prompter.prompts.empty());
  const TMediaSlot& slot = catalog.Slot(catalog.LastAddedSlot());
  EXPECT_EQ(slot.Name(), "STICK");
  EXPECT_EQ(slot.Drive(), "d");
  EXPECT_EQ(slot.VolumeName(), "STICK");
  EXPECT_EQ(slot.VolumeSerial(), "1234ABCD");
  EXPECT_EQ(slot.Category(), MediaKindName(kKindRemovable));
  EXPECT_EQ(slot.Location(), Sj("棚"));
  EXPECT_EQ(slot.Root().AllFiles(), 2);
  EXPECT_EQ(settings.Get().GetString(REG_BeforDrive), "D");
  EXPECT_EQ(settings.Get().GetInt(REG_DupSearchMode), 2);
  EXPECT_EQ(settings.Get().GetInt(REG_Eject), 0);
}

TEST_F(ReadWorkflowTest, AnEmptyNameBecomesTheDateTimeOfConfirmation) {
  SetClockForTesting([] { return int64_t{1700000000}; });
  const std::string now = FormatDateTime("yyyy/mm/dd hh:nn:ss", DosDateTimeFromUnix(1700000000));
  settings.Get().SetInt(REG_VolumeName, 0);
  ReadForm opened = workflow.InitialForm();
  EXPECT_EQ(opened.name, now);  // the label is not taken when the box is off
  ASSERT_TRUE(Read([](ReadForm& f) { f.name.clear(); }));
  EXPECT_EQ(catalog.Slot(catalog.LastAddedSlot()).Name(), now);
  EXPECT_EQ(settings.Get().GetInt(REG_DupSearchMode), 0);
}

TEST_F(ReadWorkflowTest, ADriveThatIsNotReadyIsRetriedOrGivenUp) {
  std::filesystem::rename(Stick(), machine.Path("away"));
  prompter.answers = {PromptResult::Retry, PromptResult::Retry};
  int asks = 0;
  prompter.onAsk = [&] {
    if (++asks == 2) std::filesystem::rename(machine.Path("away"), Stick());
  };
  ASSERT_TRUE(Read());
  ASSERT_EQ(prompter.prompts.size(), 2u);
  EXPECT_EQ(prompter.prompts[0].text, QString::fromUtf8(ReadWorkflow::NotReadyMessage()));
  EXPECT_EQ(prompter.prompts[0].buttons, PromptButtons::RetryCancel);
  EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::Error);

  std::filesystem::rename(Stick(), machine.Path("away2"));
  prompter.prompts.clear();
  prompter.onAsk = nullptr;
  prompter.answers = {PromptResult::Cancel};
  EXPECT_FALSE(Read());
  EXPECT_EQ(prompter.prompts.size(), 1u);
  EXPECT_EQ(LiveMedia(), 1);
}

TEST_F(ReadWorkflowTest, ReplacingByNameAsksWithTheSerialDependentNote) {
  const struct {
    bool sameSerial;
    PromptResult answer;
  } cases[] = {{true, PromptResult::Ok},
               {false, PromptResult::Ok},
               {true, PromptResult::Cancel},
               {false, PromptResult::Cancel}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.sameSerial ? "same" : "other") + " serial");
    Catalog fresh;
    ASSERT_TRUE(fresh.CreateCatalog(dir.File("r.qdb")));
    std::swap(catalog, fresh);
    std::vector<TRecord> records(2);
    records[0].Name = "M";
    records[0].Kind = kKindRemovable;
    records[0].FirstChild = 1;
    records[0].FileDate = DosDateTimeFromUnix(1600000000);
    records[1].Parent = 0;
    records[1].Kind = kKindFile;
    records[1].Name = "old";
    TMediaInfomation info;
    info.VolumeSerial = c.sameSerial ? "1234ABCD" : "FFFF";
    ASSERT_TRUE(catalog.AddMedia(records, info));
    const int oldSlot = catalog.LastAddedSlot();
    prompter.prompts.clear();
    prompter.answers = {c.answer};

    const bool added = Read([](ReadForm& f) { f.name = "M"; });

    ASSERT_EQ(prompter.prompts.size(), 1u);
    const QString text = prompter.prompts[0].text;
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("名前が重複します、上書きしますか\r\n\r\n")));
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.sameSerial ? "(同一ﾒﾃﾞｨｱが指定されました)"
                                                             : "(注：別ﾒﾃﾞｨｱが指定されました)")));
    EXPECT_TRUE(text.contains(
        QString::fromUtf8("\r\n旧作成日時：") +
        text::Cp932ToQString(FormatDateTime(Sj("yyyy/mm/dd(aaa) hh:nn:ss"), records[0].FileDate))));
    EXPECT_EQ(prompter.prompts[0].icon, c.sameSerial ? PromptIcon::Question : PromptIcon::Warning);
    EXPECT_EQ(prompter.prompts[0].buttons, PromptButtons::OkCancel);
    const bool ok = c.answer == PromptResult::Ok;
    EXPECT_EQ(added, ok);
    EXPECT_EQ(catalog.Slot(oldSlot).IsLive(), !ok);
    EXPECT_EQ(LiveMedia(), 1);
  }
}

TEST_F(ReadWorkflowTest, AUsedNameMayUpdateThatMediaKeepingItsComments) {
  ASSERT_TRUE(Read([](ReadForm& f) { f.name = "M"; }));
  const int slot = catalog.LastAddedSlot();
  ASSERT_TRUE(catalog.LoadMedia(slot));
  int b = -1;
  for (int r = 0; r < catalog.LoadedCount(); ++r)
    if (catalog.RecordName(r) == "b.txt") b = r;
  ASSERT_GT(b, 0);
  ASSERT_GE(catalog.AddComment(MakeKey(slot, b), "keep", kKindFile, "b.txt"), 0);
  test::MakeFile(Stick() / "b.txt", 50);
  test::MakeFile(Stick() / "c.txt", 1);
  workflow.SetOfferUpdate(true);
  prompter.prompts.clear();
  prompter.answers = {PromptResult::No};  // No: update, Yes: replace
  ASSERT_TRUE(Read([](ReadForm& f) { f.name = "M"; }));
  ASSERT_EQ(prompter.prompts.size(), 1u);
  EXPECT_EQ(prompter.prompts[0].buttons, PromptButtons::YesNoCancel);
  EXPECT_TRUE(prompter.prompts[0].text.contains(
      QString::fromUtf8("いいえ：更新（コメントとマークを引き継ぐ）")));
  ASSERT_TRUE(workflow.LastUpdate().has_value());
  EXPECT_EQ(workflow.LastUpdate()->commentsCarried, 1);
  EXPECT_EQ(LiveMedia(), 1);
  EXPECT_EQ(catalog.SlotsUsed(), 1);  // the same slot, no second one
  ASSERT_TRUE(catalog.LoadMedia(slot));
  for (int r = 0; r < catalog.LoadedCount(); ++r) {
    if (catalog.RecordName(r) != "b.txt") continue;
    EXPECT_EQ(catalog.LoadedRec(r).Size(), 50);
    EXPECT_EQ(catalog.CommentText(catalog.LoadedRec(r).CommentNo()), "keep");
  }
  EXPECT_EQ(catalog.LoadedCount(), 5);  // root, photos, a.jpg, b.txt, c.txt
}

TEST_F(ReadWorkflowTest, AReplacingReadThatFindsNothingKeepsTheOldMedia) {
  ASSERT_TRUE(Read([](ReadForm& f) { f.name = "M"; }));
  const int oldSlot = catalog.LastAddedSlot();
  std::filesystem::remove_all(Stick());
  std::filesystem::create_directories(Stick());
  prompter.answers = {PromptResult::Ok};
  EXPECT_FALSE(Read([](ReadForm& f) { f.name = "M"; }));
  EXPECT_EQ(prompter.prompts.size(), 1u);
  EXPECT_TRUE(catalog.Slot(oldSlot).IsLive());
}

TEST_F(ReadWorkflowTest, ANameDifferingInCaseIsANewMediaAndEnterKeepsTheRadioChoice) {
  ASSERT_TRUE(Read([](ReadForm& f) { f.name = "Disk"; }));
  ASSERT_TRUE(Read(
      [](ReadForm& f) {
        f.name = "disk";
        f.dupSearchMode = 1;
      },
      false));
  EXPECT_TRUE(prompter.prompts.empty());
  EXPECT_EQ(LiveMedia(), 2);
  EXPECT_EQ(settings.Get().GetInt(REG_DupSearchMode), 0);
}

// A drive text that is no letter must never fall back to C (the system disk);
// the record limit keeps a regression from walking the whole of it.
TEST_F(ReadWorkflowTest, ADriveTextThatIsNoLetterIsNeverReadAsC) {
  scanner.SetRecordLimit(2);
  settings.Get().SetString(REG_BeforDrive, "D");
  for (const char* bad : {"", "1", "\\", ":"}) {
    SCOPED_TRACE(bad);
    prompter.prompts.clear();
    prompter.answers = {PromptResult::Retry, PromptResult::Cancel};
    EXPECT_FALSE(Read([&](ReadForm& f) { f.drive = bad; }));
    ASSERT_EQ(prompter.prompts.size(), 2u);  // not ready, retried, still not ready
    EXPECT_EQ(prompter.prompts[1].text, QString::fromUtf8(ReadWorkflow::NotReadyMessage()));

    ReadRequest request;
    request.drive = bad;
    request.mediaName = "M";
    EXPECT_FALSE(scanner.ReadMedia(request, drives, false, false, &prompter));
    EXPECT_EQ(scanner.ScanCount(), 1);
  }
  EXPECT_EQ(LiveMedia(), 0);
  EXPECT_EQ(settings.Get().GetString(REG_BeforDrive), "D");
}

// After a read, the window lists what could not be read; the media holds
// everything else.
TEST_F(ReadWorkflowTest, WhatCouldNotBeReadIsReportedAfterTheRead) {
  test::MakeFile(Stick() / "locked" / "x.txt", 1);
  ::chmod((Stick() / "locked").c_str(), 0);
  for (std::filesystem::path p = Stick(); p != std::filesystem::path(machine.Root()).parent_path();
       p = p.parent_path())
    ::chmod(p.c_str(), 0755);
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
  for (const char* file : {"c.qdb", "c.lfn"})
    std::filesystem::permissions(dir.Path() / file, std::filesystem::perms::all);
  const std::string report = test::RunAsNobody([&] {
    Catalog own;  // the child's own view of the catalogue file
    if (!own.OpenCatalog(dir.File("c.qdb"))) return std::string("cannot open");
    test::IsolatedSettings childSettings;
    Drives childDrives(childSettings.Get(), machine.Sources());
    Scanner childScanner;
    test::ScriptedPrompter childPrompter;
    ReadWorkflow childWorkflow(own, childSettings.Get(), childDrives, childScanner, childPrompter);
    const bool added = childWorkflow.ReadMediaCommand([&](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      w.FetchDriveVolume(form, true, "D");
      return w.ConfirmRead(form, true);
    });
    std::string out = std::to_string(added) + " " +
                      (added ? std::to_string(own.Slot(own.LastAddedSlot()).Root().AllFiles())
                             : std::string("-"));
    for (const auto& prompt : childPrompter.prompts)
      out += "|" + std::to_string(static_cast<int>(prompt.icon)) + "|" + prompt.text.toStdString();
    return out;
  });
  ::chmod((Stick() / "locked").c_str(), 0755);
  const std::string expected = "1 2|" + std::to_string(static_cast<int>(PromptIcon::Warning)) +
                               "|読み込めなかったフォルダ・ファイル：1 件\r\n\r\n" +
                               (Stick() / "locked").string();
  EXPECT_EQ(report, expected);
}

}  // namespace
}  // namespace plomix
