// Opening, showing and copying catalogued files from their media: the
// presence questions, the explorer dialog taking the media from another drive
// (and recording it or not), the copy with its replace question and the
// refusals, with a recording desktop instead of the real one.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <functional>

#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "reading/FileCopy.h"
#include "reading/MediaPresence.h"
#include "reading/ReadRequest.h"
#include "reading/ReadingTestUtil.h"
#include "reading/Scanner.h"
#include "ui/DesktopShell.h"
#include "ui/FileCommands.h"
#include "ui/PxExplorer.h"

using namespace plomix;
namespace fs = std::filesystem;

namespace {

// Names code page 932 cannot hold: Korean, and bytes that are no UTF-8.
const char* const kKorean = "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xED\x8C\x8C\xEC\x9D\xBC.txt";
const char* const kNoUtf8 = "bad\xFF\xFEname.bin";

class RecordingShell : public DesktopShell {
 public:
  QStringList opened, shown;
  bool refuse = false;  // the desktop has no application or file manager to start
  bool OpenPath(const QString& path) override {
    opened << path;
    return !refuse;
  }
  bool ShowItem(const QString& path) override {
    shown << path;
    return !refuse;
  }
};

// Works the next modal explorer dialog once it is up.
void OnExplorer(const std::function<void(TfrmPxExplorer&)>& work) {
  QTimer::singleShot(0, [work] {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<TfrmPxExplorer*>(widget); dialog && dialog->isVisible()) {
        work(*dialog);
        if (dialog->isVisible()) dialog->reject();
        return;
      }
    QFAIL("no explorer dialog");
  });
}

}  // namespace

class FileCommandsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::FakeMachine> machine;
  std::unique_ptr<test::IsolatedSettings> settings;
  std::unique_ptr<test::TempDir> dir;
  std::unique_ptr<Drives> drives;
  std::unique_ptr<Catalog> catalog;
  std::unique_ptr<test::ScriptedPrompter> prompter;
  std::unique_ptr<RecordingShell> shell;
  std::unique_ptr<FileCommands> commands;
  std::map<std::string, int32_t> keys;  // by name

  fs::path Stick() const { return machine->Path("media/user/STICK"); }
  QString StickFile(const char* name) const {
    return QString::fromStdString((Stick() / name).string());
  }
  void Bind(char letter, const char* folder) {
    drives->Unbind(letter);
    std::string error;
    QVERIFY2(drives->Bind(letter, machine->Path(folder).string(), error), error.c_str());
  }

 private Q_SLOTS:
  void init() {
    machine = std::make_unique<test::FakeMachine>();
    settings = std::make_unique<test::IsolatedSettings>();
    dir = std::make_unique<test::TempDir>();
    drives = std::make_unique<Drives>(settings->Get(), machine->Sources());
    catalog = std::make_unique<Catalog>();
    prompter = std::make_unique<test::ScriptedPrompter>();
    shell = std::make_unique<RecordingShell>();
    QVERIFY(catalog->CreateCatalog(dir->File("c.qdb")));
    test::WriteText(Stick() / "a.txt", "alpha");
    test::WriteText(Stick() / "b.txt", "bravo");
    test::WriteText(Stick() / "c.txt", "charlie");
    test::WriteText(Stick() / kKorean, "hangul");
    test::WriteText(Stick() / kNoUtf8, "bytes");
    Scanner scanner;
    ReadWorkflow workflow(*catalog, settings->Get(), *drives, scanner, *prompter);
    QVERIFY(workflow.ReadMediaCommand([](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      w.FetchDriveVolume(form, true, "D");
      return w.ConfirmRead(form, true);
    }));
    const int slot = catalog->LastAddedSlot();
    QVERIFY(catalog->LoadMedia(slot));
    keys.clear();
    for (int r = 1; r < catalog->LoadedCount(); ++r)
      keys[catalog->NativeRecordName(r)] = MakeKey(slot, r);
    QCOMPARE(int(keys.size()), 5);
    prompter->prompts.clear();
    commands =
        std::make_unique<FileCommands>(*catalog, *drives, settings->Get(), *prompter, nullptr);
    commands->SetShell(*shell);
  }
  void cleanup() {
    commands.reset();
    catalog.reset();
  }

  // The media present, absent, and another volume in its drive.
  void openChecksTheMediaFirst() {
    commands->OpenFile(keys["a.txt"]);
    QCOMPARE(shell->opened, QStringList{StickFile("a.txt")});
    QVERIFY(prompter->prompts.empty());

    machine->Unmount("media/user/STICK");
    prompter->answers = {PromptResult::Cancel};
    commands->OpenFile(keys["a.txt"]);
    QCOMPARE(prompter->Messages(), QStringList{QString::fromStdString(NotMountedText('d'))});

    const fs::path other = machine->MountStick(5, "media/user/OTHER", "5555-0000", "OTHER");
    QCOMPARE(drives->LetterOf(other.string()), 'D');
    prompter->prompts.clear();
    prompter->answers = {PromptResult::No};
    commands->OpenFile(keys["a.txt"]);
    QCOMPARE(prompter->Messages(), QStringList{QString::fromUtf8(VolumeNameMismatchText())});
    // Yes offers the explorer dialog for opening.
    prompter->answers = {PromptResult::Yes};
    OnExplorer([](TfrmPxExplorer& dialog) {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("ファイルを開く"));
      QCOMPARE(dialog.cmdGo->text(), QStringLiteral("開く"));
      QCOMPARE(dialog.txtFileName->text(), QStringLiteral("a.txt"));
      QCOMPARE(dialog.ChosenLetter(), 'd');
    });
    commands->OpenFile(keys["a.txt"]);
    QCOMPARE(shell->opened.size(), 1);
    QVERIFY(shell->shown.isEmpty());
  }

  // A file deleted since it was read is named, never handed to the desktop.
  void aVanishedFileIsReported() {
    fs::remove(Stick() / "b.txt");
    commands->OpenFile(keys["b.txt"]);
    QVERIFY(shell->opened.isEmpty());
    QCOMPARE(prompter->Messages().size(), 1);
    QVERIFY(prompter->Messages()[0].contains(StickFile("b.txt")));
  }

  // The media recorded under a letter it no longer has; the user takes it
  // from its drive and records that drive, or leaves the record alone.
  void explorerTakesTheMediaFromAnotherDrive() {
    for (const bool record : {true, false}) {
      catalog->ChangeMediaDrive(keys["a.txt"], "q");
      shell->opened.clear();
      TfrmPxExplorer dialog(*catalog, *drives, settings->Get(), *prompter, *shell, keys["a.txt"],
                            EntryAction::Open);
      QCOMPARE(dialog.ChosenLetter(), 'q');
      QVERIFY(!dialog.CheckBox1->isEnabled());
      QCOMPARE(dialog.txtMediaName->text(), QStringLiteral("STICK"));
      QVERIFY(dialog.ListView1->topLevelItemCount() > 10);
      QCOMPARE(dialog.ListView1->topLevelItem(0)->text(0), QStringLiteral("ﾒﾃﾞｨｱの種類"));
      QVERIFY(dialog.SelectDrive('D'));
      QVERIFY(dialog.CheckBox1->isEnabled());
      QVERIFY(dialog.CheckBox1->isChecked());
      dialog.CheckBox1->setChecked(record);
      dialog.cmdGo->click();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QCOMPARE(shell->opened, QStringList{StickFile("a.txt")});
      QVERIFY(catalog->OpenCatalog());  // what the file holds
      QCOMPARE(catalog->MediaDriveOf(keys["a.txt"]), std::string(record ? "d" : "q"));
    }
    QVERIFY(prompter->prompts.empty());
  }

  // Mode 0: the chosen drive's folder is gone, then the item is shown.
  void explorerShowsTheItem() {
    fs::create_directories(machine->Path("gone"));
    const char free = drives->LowestFreeLetter();
    Bind(free, "gone");
    fs::remove(machine->Path("gone"));
    const QChar lower = QChar(free).toLower();
    OnExplorer([&](TfrmPxExplorer& dialog) {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("エクスプローラを起動"));
      QVERIFY(dialog.SelectDrive(free));
      prompter->answers = {PromptResult::No};
      dialog.cmdGo->click();
      QVERIFY(dialog.isVisible());
      QVERIFY(
          prompter->Messages().back().startsWith(lower + QStringLiteral(" ドライブにメディアが")));
      QVERIFY(dialog.SelectDrive('D'));
      dialog.cmdGo->click();
    });
    commands->Explore({keys["c.txt"]}, false);
    QCOMPARE(shell->shown, QStringList{StickFile("c.txt")});

    // A file manager that does not start is told as a file that does not open.
    shell->refuse = true;
    prompter->prompts.clear();
    OnExplorer([&](TfrmPxExplorer& dialog) {
      QVERIFY(dialog.SelectDrive('D'));
      dialog.cmdGo->click();
      QVERIFY(dialog.isVisible());
    });
    commands->Explore({keys["c.txt"]}, false);
    QCOMPARE(prompter->Messages(),
             QStringList{QStringLiteral("ファイルを開けませんでした。\r") + StickFile("c.txt")});
  }

  void refusals() {
    commands->Explore({}, false);
    commands->Explore({keys["a.txt"]}, true);
    commands->Copy({keys["a.txt"]}, true);
    QCOMPARE(prompter->Messages(),
             (QStringList{QStringLiteral("対象のファイル（フォルダ）が不明です。"),
                          QStringLiteral("メディア指定ではエクスプローラ起動できません"),
                          QStringLiteral("メディア指定ではファイルコピーはできません")}));
  }

  void copyThreeFilesWithOneReplaceQuestion() {
    const fs::path target = dir->Path() / "out";
    test::WriteText(target / "b.txt", "old");
    prompter->paths = {QString::fromStdString(target.string())};
    prompter->answers = {PromptResult::Yes};
    // The window is busy while the copy runs (it refuses to close).
    bool busy = false, busyAtQuestion = false;
    commands->SetBusyMarker([&busy] { return BusyScope(busy); });
    prompter->onAsk = [&] { busyAtQuestion = busy; };
    commands->Copy({keys["a.txt"], keys["b.txt"], keys["c.txt"]}, false);
    prompter->onAsk = nullptr;
    QVERIFY(busyAtQuestion);
    QVERIFY(!busy);
    CopyReport done;
    done.copied = 3;
    done.bytes = 5 + 5 + 7;
    QCOMPARE(
        prompter->Log(),
        (QStringList{QStringLiteral("ChooseFolder:フォルダを指定してください"),
                     QStringLiteral("Message:") + ReplaceQuestionText((target / "b.txt").string()),
                     QStringLiteral("Message:") + CopyFinishedText(done)}));
    QCOMPARE(test::ReadFileBytes((target / "b.txt").string()).size(), size_t(5));
    QVERIFY(fs::exists(target / "a.txt") && fs::exists(target / "c.txt"));
    QCOMPARE(commands->LastCopyFolder(), QString::fromStdString(target.string()));

    // One file: the name question; the folder chooser starts in the last folder.
    prompter->prompts.clear();
    prompter->paths = {QString::fromStdString(target.string())};
    commands->Copy({keys["c.txt"]}, false);
    QCOMPARE(prompter->prompts.at(0).startPath, QString::fromStdString(target.string()));
    QCOMPARE(prompter->prompts.at(1).text, QStringLiteral("ファイル名変更"));
    QCOMPARE(prompter->prompts.at(2).kind, QStringLiteral("Message"));  // c.txt exists
  }

  // Files whose names the catalogue keeps exactly are opened and copied
  // under their real names; the copy's name question offers the shown name
  // and, left as it is, keeps the native bytes.
  void namesCp932CannotHoldReachTheRightFiles() {
    commands->OpenFile(keys[kKorean]);
    QCOMPARE(shell->opened, QStringList{StickFile(kKorean)});
    QVERIFY(prompter->prompts.empty());

    const fs::path target = dir->Path() / "out";
    fs::create_directories(target);
    for (const char* name : {kKorean, kNoUtf8}) {
      prompter->prompts.clear();
      prompter->paths = {QString::fromStdString(target.string())};
      commands->Copy({keys[name]}, false);
      QCOMPARE(prompter->Log().mid(0, 2),
               (QStringList{QStringLiteral("ChooseFolder:フォルダを指定してください"),
                            QStringLiteral("InputText:ファイル名変更")}));
      QVERIFY(prompter->Log().at(2).startsWith(QStringLiteral("Message:コピーが終了しました")));
      QVERIFY2(fs::exists(target / name), name);
      QCOMPARE(test::ReadFileBytes((target / name).string()),
               test::ReadFileBytes((Stick() / name).string()));
    }
  }

  // A crafted catalogue naming a.txt "../outside.txt": opening, copying and
  // showing it are refused naming the entry, and the file beside the media is
  // neither handed to the desktop nor copied.
  void namesLeavingTheMediaAreRefused() {
    test::WriteText(Stick().parent_path() / "outside.txt", "secret");
    std::vector<uint8_t> bytes = test::ReadFileBytes(dir->File("c.qdb"));
    const std::string from =
        "\x05"
        "a.txt";
    const std::string to =
        "\x0E"
        "../outside.txt";
    const auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
    QVERIFY(at != bytes.end());
    std::copy(to.begin(), to.end(), at);
    test::WriteFileBytes(dir->File("c.qdb"), bytes);
    QVERIFY(catalog->OpenCatalog());
    const int32_t key = keys["a.txt"];
    const fs::path target = dir->Path() / "out";
    fs::create_directories(target);
    const std::pair<const char*, std::function<void()>> commandsRun[] = {
        {"open", [&] { commands->OpenFile(key); }},
        {"copy", [&] { commands->Copy({key}, false); }},
        {"show",
         [&] {
           OnExplorer([](TfrmPxExplorer& dialog) {
             QVERIFY(dialog.SelectDrive('D'));
             dialog.cmdGo->click();
             QCOMPARE(dialog.result(), int(QDialog::Rejected));
           });
           commands->Explore({key}, false);
         }},
    };
    for (const auto& [name, run] : commandsRun) {
      prompter->prompts.clear();
      prompter->paths = {QString::fromStdString(target.string())};
      run();
      QVERIFY2(
          prompter->Log() == QStringList{QStringLiteral("Message:") +
                                         text::Utf8ToQString(UnsafePathText("../outside.txt"))},
          name);
    }
    QVERIFY(shell->opened.isEmpty() && shell->shown.isEmpty());
    QVERIFY(fs::is_empty(target));
  }

  // No media anywhere: nothing is asked beyond the presence question.
  void copyStopsWithoutTheMedia() {
    machine->Unmount("media/user/STICK");
    prompter->answers = {PromptResult::Cancel};
    commands->Copy({keys["a.txt"]}, false);
    QCOMPARE(prompter->Log(),
             QStringList{QStringLiteral("Message:") + QString::fromStdString(NotMountedText('d'))});
  }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
