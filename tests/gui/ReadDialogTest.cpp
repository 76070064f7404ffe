// The read dialog on a real catalogue, real settings and a folder that the
// drive layer sees as a mounted volume: captions and start state, the whole
// read command, the questions it asks, the default source, and reading any
// folder as a media without binding a letter to it.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "ui/reading/PxDrive.h"

using namespace plomix;
using plomix::test::ScriptedPrompter;
using plomix::test::Sj;
using plomix::test::TempDir;
namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A catalogue, settings and a drive layer whose mount table shows the media
// folder as the FAT volume PHOTOS_1 (1234-ABCD) on /dev/sdb1.
struct Bench {
  TempDir dir;
  fs::path media = dir.Path() / "media";
  Settings settings{QString::fromStdString((dir.Path() / "config").string())};
  Drives drives{settings, Sources()};
  Catalog catalog;
  Scanner scanner;
  ScriptedPrompter prompter;
  ReadWorkflow workflow{catalog, settings, drives, scanner, prompter};

  Bench() {
    fs::create_directories(media / "sub");
    WriteText(media / "a.txt", "alpha");
    WriteText(media / "sub" / "b.txt", "bravo bravo");
    WriteText(dir.Path() / "mountinfo",
              "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
              "40 22 8:17 / " +
                  media.string() + " rw,relatime shared:2 - vfat /dev/sdb1 rw\n");
    if (!catalog.CreateCatalog(dir.File("test.qdb"))) throw std::runtime_error("no catalogue");
  }

  DriveSources Sources() const {
    DriveSources sources;
    sources.mountInfoPath = (dir.Path() / "mountinfo").string();
    sources.sysfsRoot = (dir.Path() / "sys").string();
    sources.byLabelDir = (dir.Path() / "by-label").string();
    sources.byUuidDir = (dir.Path() / "by-uuid").string();
    sources.probe = [](const std::string& device) -> std::optional<VolumeProbeResult> {
      if (device != "/dev/sdb1") return std::nullopt;
      return VolumeProbeResult{"PHOTOS_1", "1234-ABCD", "vfat"};
    };
    return sources;
  }

  QString MediaFolder() const { return QString::fromStdString(media.string()); }

  // Makes the volume's device a removable one, as a USB stick's is.
  void MakeRemovable() const {
    const fs::path device = dir.Path() / "sys" / "devices" / "usb1" / "sdb" / "sdb1";
    fs::create_directories(device);
    WriteText(device.parent_path() / "removable", "1\n");
    fs::create_directories(dir.Path() / "sys" / "dev" / "block");
    fs::create_directory_symlink(device, dir.Path() / "sys" / "dev" / "block" / "8:17");
  }

  // Runs the whole read command; `drive` works the modal dialog and must
  // leave it closed or confirmed.
  bool ReadCommand(const std::function<void(TfrmDrive&)>& drive) {
    QTimer::singleShot(0, [&] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<TfrmDrive*>(widget);
        if (!dialog || !dialog->isVisible()) continue;
        drive(*dialog);
        if (dialog->isVisible()) dialog->reject();
      }
    });
    return TfrmDrive::ReadMediaCommand(workflow, catalog, drives, prompter, nullptr);
  }
};

void SelectDrive(TfrmDrive& dialog, char letter) {
  const int index = dialog.cmbDrive->findData(QString(QLatin1Char(letter)));
  QVERIFY(index >= 0);
  dialog.cmbDrive->setCurrentIndex(index);
}

// Types character by character as a keyboard would (the test library's own
// typing knows only ASCII), so the boxes' validators see every keystroke.
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

void TypeInto(QComboBox* box, const QString& text) {
  box->lineEdit()->clear();
  Type(box->lineEdit(), text);
}

void ConfirmPhotos(TfrmDrive& dialog) {
  SelectDrive(dialog, 'D');
  TypeInto(dialog.cmbName, "Photos");
  TypeInto(dialog.cmbDivision, QStringLiteral("写真"));
  TypeInto(dialog.cmbArea, QStringLiteral("棚A"));
  Type(dialog.txtAreaSub, "12");
  dialog.rdoDup02->click();
  dialog.cmdRead->click();
}

}  // namespace

class ReadDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<plomix::test::GuiFolder> folder_;

 private Q_SLOTS:
  void initTestCase() { folder_ = std::make_unique<plomix::test::GuiFolder>(); }

  void ControlsShowTheirCaptionsAndStartFromTheSettings() {
    Bench bench;
    bench.settings.SetString(REG_BeforDrive, "d");
    bench.settings.SetInt(REG_Eject, 0);
    bench.settings.SetInt(REG_GetFileVersion, 1);
    bench.settings.SetInt(REG_DupSearchMode, 2);
    bench.catalog.CategoryNames().Add(Sj("写真"));
    TfrmDrive dialog(bench.workflow, bench.catalog, bench.drives, bench.prompter);
    dialog.show();

    QCOMPARE(dialog.windowTitle(), QStringLiteral("読込みドライブ"));
    const struct {
      const char* name;
      QString text;
    } buttons[] = {
        {"chkVolumeName", QStringLiteral("ボリューム名取得")},
        {"chkEject", QStringLiteral("読込み後にメディア(CD-ROM)を取り出す")},
        {"chkGetVersion", QStringLiteral("ファイルからVersion情報も取得(注：低速)")},
        {"cmdRead", QStringLiteral("読込む")},
        {"cmdCalcel", QStringLiteral("キャンセル")},
        {"rdoDup01", QStringLiteral("メディアの追加/削除時に確認ダイアログを表示(デフォルト)")},
        {"rdoDup02", QStringLiteral("メディアの追加/削除時に高速検索処理は行わない")},
        {"rdoDup03", QStringLiteral("メディアの追加/削除時に高速検索処理を必ず行う")},
    };
    for (const auto& b : buttons) {
      auto* button = dialog.findChild<QAbstractButton*>(b.name);
      QVERIFY2(button, b.name);
      QCOMPARE(button->text(), b.text);
    }
    for (const char* name : {"cmbDrive", "cmbName", "cmbDivision", "cmbArea"})
      QVERIFY2(dialog.findChild<QComboBox*>(name), name);
    QVERIFY(dialog.findChild<QLineEdit*>("txtAreaSub"));
    QStringList captions;
    for (auto* group : dialog.findChildren<QGroupBox*>()) captions << group->title();
    for (auto* label : dialog.findChildren<QLabel*>()) captions << label->text();
    for (const char* caption : {"読込み元ドライブ", "読込み情報", "重複ファイルの高速検索処理",
                                "名前：", "分類：", "保管場所：", "保管場所(詳細)："})
      QVERIFY2(captions.contains(QString::fromUtf8(caption)), caption);
    QCOMPARE(dialog.chkGetVersion->toolTip(), QStringLiteral("ON = 時間がかかります"));
    QVERIFY(dialog.cmdRead->isDefault());

    // Start state: the remembered drive with its label as the name.
    QCOMPARE(dialog.cmbDrive->currentText(),
             QStringLiteral("D: [PHOTOS_1] ") + bench.MediaFolder());
    QCOMPARE(dialog.cmbName->currentText(), QStringLiteral("PHOTOS_1"));
    QVERIFY(dialog.chkVolumeName->isChecked());
    QVERIFY(!dialog.chkEject->isChecked());
    QVERIFY(dialog.chkGetVersion->isChecked());
    QVERIFY(dialog.rdoDup03->isChecked());
    QVERIFY(dialog.cmbDivision->findText(QStringLiteral("デフォルト")) >= 0);
    QVERIFY(dialog.cmbDivision->findText(QStringLiteral("写真")) >= 0);

    // The boxes hold at most the bytes the media slot keeps.
    Type(dialog.txtAreaSub, QStringLiteral("日本語テキスト"));
    QCOMPARE(dialog.txtAreaSub->text(), QStringLiteral("日本語テキ"));
    TypeInto(dialog.cmbDivision, QString(30, QLatin1Char('a')));
    QCOMPARE(dialog.cmbDivision->currentText(), QString(26, QLatin1Char('a')));

    // A drive without a label empties the name; checking the box brings the label back.
    SelectDrive(dialog, 'C');
    QCOMPARE(dialog.cmbName->currentText(), QString());
    dialog.chkVolumeName->click();  // off
    SelectDrive(dialog, 'D');
    QCOMPARE(dialog.cmbName->currentText(), QString());
    dialog.chkVolumeName->click();  // on
    QCOMPARE(dialog.cmbName->currentText(), QStringLiteral("PHOTOS_1"));
    QVERIFY(bench.prompter.prompts.empty());
  }

  void ReadingAFolderThroughTheDialogAddsTheMedia() {
    Bench bench;
    bench.settings.SetInt(REG_VolumeName, 0);
    QString startName;
    QVERIFY(bench.ReadCommand([&](TfrmDrive& dialog) {
      startName = dialog.cmbName->currentText();
      ConfirmPhotos(dialog);
    }));
    QVERIFY(QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                .match(startName)
                .hasMatch());

    QCOMPARE(bench.catalog.MediaCount(), 1);
    QCOMPARE(bench.catalog.LiveMediaName(0), std::string("Photos"));
    const TMediaSlot& slot = bench.catalog.Slot(bench.catalog.LastAddedSlot());
    QCOMPARE(slot.Category(), Sj("写真"));
    QCOMPARE(slot.Location(), Sj("棚A"));
    QCOMPARE(slot.LocationDetail(), std::string("12"));
    QCOMPARE(bench.workflow.Request().drive, std::string("d"));
    QCOMPARE(bench.workflow.Request().volumeSerial, std::string("1234ABCD"));
    QVERIFY(!bench.workflow.Busy());
    QCOMPARE(bench.settings.GetString(REG_BeforDrive), QStringLiteral("D"));
    QCOMPARE(bench.settings.GetInt(REG_DupSearchMode), 1);
    QVERIFY(bench.prompter.prompts.empty());

    // The next dialog offers the new name.
    TfrmDrive next(bench.workflow, bench.catalog, bench.drives, bench.prompter);
    QVERIFY(next.cmbName->findText("Photos") >= 0);
  }

  void QuestionsGoThroughThePrompter() {
    Bench bench;
    bench.settings.SetInt(REG_VolumeName, 0);
    QVERIFY(bench.ReadCommand(ConfirmPhotos));
    QCOMPARE(bench.settings.GetInt(REG_DupSearchMode), 1);

    {
      // Enter with a used name, answered Cancel: the dialog stays, the radio
      // choice is not stored. The read button then stores it and closes.
      TfrmDrive dialog(bench.workflow, bench.catalog, bench.drives, bench.prompter);
      dialog.show();
      SelectDrive(dialog, 'D');
      TypeInto(dialog.cmbName, "Photos");
      dialog.rdoDup03->click();
      QTest::keyClick(dialog.cmbName->lineEdit(), Qt::Key_Return);
      QVERIFY(dialog.isVisible());
      QCOMPARE(dialog.DialogOutcome(), TfrmDrive::Outcome::Cancelled);
      QCOMPARE(bench.prompter.prompts.size(), size_t(1));
      const auto& prompt = bench.prompter.prompts[0];
      QVERIFY(prompt.text.startsWith(QStringLiteral("名前が重複します、上書きしますか\r\n\r\n")));
      QVERIFY(prompt.text.contains(QStringLiteral("(同一ﾒﾃﾞｨｱが指定されました)")));
      QVERIFY(prompt.text.contains(QStringLiteral("\r\n旧作成日時：")));
      QCOMPARE(prompt.icon, PromptIcon::Question);
      QCOMPARE(prompt.buttons, PromptButtons::OkCancel);
      QCOMPARE(bench.settings.GetInt(REG_DupSearchMode), 1);

      dialog.cmdRead->click();
      QVERIFY(!dialog.isVisible());
      QCOMPARE(dialog.DialogOutcome(), TfrmDrive::Outcome::Cancelled);
      QCOMPARE(bench.settings.GetInt(REG_DupSearchMode), 2);
    }

    // OK replaces the media of the same name.
    bench.prompter.answers = {PromptResult::Ok};
    QVERIFY(bench.ReadCommand(ConfirmPhotos));
    QCOMPARE(bench.catalog.MediaCount(), 1);
    QCOMPARE(bench.catalog.SlotsUsed(), 2);

    // A drive whose folder is gone is not ready: retried, then cancelled.
    const fs::path gone = bench.dir.Path() / "gone";
    fs::create_directory(gone);
    std::string error;
    QVERIFY(bench.drives.Bind('F', gone.string(), error));
    fs::remove(gone);
    bench.prompter.prompts.clear();
    bench.prompter.answers = {PromptResult::Retry, PromptResult::Cancel};
    QVERIFY(!bench.ReadCommand([](TfrmDrive& dialog) {
      SelectDrive(dialog, 'F');
      TypeInto(dialog.cmbName, "Other");
      dialog.cmdRead->click();
      QCOMPARE(dialog.DialogOutcome(), TfrmDrive::Outcome::Cancelled);
    }));
    QCOMPARE(bench.prompter.prompts.size(), size_t(2));
    for (const auto& prompt : bench.prompter.prompts) {
      QCOMPARE(prompt.text, QStringLiteral("読込デバイスが準備されていません"));
      QCOMPARE(prompt.icon, PromptIcon::Error);
      QCOMPARE(prompt.buttons, PromptButtons::RetryCancel);
    }
    QCOMPARE(bench.catalog.MediaCount(), 1);
  }

  void TheDefaultSourceIsNeverSilentlyTheSystemDisk() {
    {
      Bench bench;  // nothing removable, nothing read before: no selection
      TfrmDrive dialog(bench.workflow, bench.catalog, bench.drives, bench.prompter);
      QCOMPARE(dialog.cmbDrive->currentIndex(), -1);
      QVERIFY(dialog.cmbDrive->findData(QStringLiteral("C")) >= 0);  // offered, not chosen
      QVERIFY(QRegularExpression("^\\d{4}/").match(dialog.cmbName->currentText()).hasMatch());
      bench.prompter.answers = {PromptResult::Cancel};
      dialog.cmdRead->click();  // nothing chosen: not ready, nothing read
      QCOMPARE(dialog.DialogOutcome(), TfrmDrive::Outcome::Cancelled);
      QCOMPARE(bench.prompter.prompts.size(), size_t(1));
    }
    {
      Bench bench;  // the source read last, while it exists
      bench.settings.SetString(REG_BeforDrive, "C");
      TfrmDrive dialog(bench.workflow, bench.catalog, bench.drives, bench.prompter);
      QCOMPARE(dialog.cmbDrive->currentData().toString(), QStringLiteral("C"));
      bench.settings.SetString(REG_BeforDrive, "Q");  // gone
      TfrmDrive gone(bench.workflow, bench.catalog, bench.drives, bench.prompter);
      QCOMPARE(gone.cmbDrive->currentIndex(), -1);
    }
    {
      Bench bench;  // a stick put in comes before what was read last
      bench.MakeRemovable();
      bench.settings.SetString(REG_BeforDrive, "C");
      TfrmDrive dialog(bench.workflow, bench.catalog, bench.drives, bench.prompter);
      QCOMPARE(dialog.cmbDrive->currentData().toString(), QStringLiteral("D"));
      QCOMPARE(dialog.cmbName->currentText(), QStringLiteral("PHOTOS_1"));
    }
  }

  void AFolderIsReadAsAMediaWithoutTakingALetter() {
    Bench bench;
    const fs::path extra = bench.dir.Path() / "extra";
    fs::create_directories(extra / "inside");
    WriteText(extra / "inside" / "c.txt", "charlie");
    const QString extraText = QString::fromStdString(extra.string());
    bench.prompter.paths = {extraText, bench.MediaFolder(), "", extraText};
    QVERIFY(bench.ReadCommand([&](TfrmDrive& dialog) {
      dialog.cmdChooseFolder->click();  // a folder becomes a source of its own
      QCOMPARE(dialog.cmbDrive->currentData().toString(), extraText);
      QCOMPARE(dialog.cmbDrive->currentText(), QStringLiteral("フォルダ: ") + extraText);
      QCOMPARE(dialog.cmbName->currentText(), QStringLiteral("extra"));
      dialog.cmdChooseFolder->click();  // a drive's own folder is that drive
      QCOMPARE(dialog.cmbDrive->currentData().toString(), QStringLiteral("D"));
      QCOMPARE(dialog.cmbName->currentText(), QStringLiteral("PHOTOS_1"));
      dialog.cmdChooseFolder->click();  // cancelled: nothing changes
      QCOMPARE(dialog.cmbDrive->currentData().toString(), QStringLiteral("D"));
      dialog.cmdChooseFolder->click();
      dialog.cmdRead->click();
    }));
    QVERIFY(bench.prompter.Messages().isEmpty());
    for (char c = 'A'; c <= 'Z'; ++c) QVERIFY(!bench.drives.IsBound(c));
    const TMediaSlot& slot = bench.catalog.Slot(bench.catalog.LastAddedSlot());
    QCOMPARE(slot.Name(), std::string("extra"));
    QCOMPARE(slot.Drive(), std::string("c"));  // the folder lies on the system disk
    QCOMPARE(slot.Root().AllFiles(), 1);
    QCOMPARE(bench.settings.GetString(REG_BeforDrive), extraText);

    // The next dialog opens on the folder read last.
    TfrmDrive next(bench.workflow, bench.catalog, bench.drives, bench.prompter);
    QCOMPARE(next.cmbDrive->currentData().toString(), extraText);
  }

  void FingerprintChoiceIsRememberedAndReachesTheRead() {
    Bench bench;
    bench.settings.SetInt(REG_VolumeName, 0);
    QVERIFY(bench.ReadCommand([](TfrmDrive& dialog) {
      QCOMPARE(dialog.chkFingerprint->text(), QStringLiteral("内容の指紋を記録"));
      QCOMPARE(dialog.rdoFingerprintQuick->text(), QStringLiteral("先頭と末尾のみ（高速）"));
      QCOMPARE(dialog.rdoFingerprintFull->text(), QStringLiteral("全体"));
      // Off at first; the mode is chosen only with the box checked.
      QVERIFY(!dialog.chkFingerprint->isChecked());
      QVERIFY(dialog.rdoFingerprintQuick->isChecked());
      QVERIFY(!dialog.rdoFingerprintFull->isEnabled());
      dialog.chkFingerprint->click();
      QVERIFY(dialog.rdoFingerprintFull->isEnabled());
      dialog.rdoFingerprintFull->click();
      ConfirmPhotos(dialog);
    }));
    const int first = bench.catalog.LastAddedSlot();
    const FingerprintSetPtr prints = bench.catalog.FingerprintsOf(first);
    QVERIFY(prints != nullptr);
    QCOMPARE(prints->Count(), std::size_t(2));  // a.txt and sub/b.txt
    QCOMPARE(prints->At(0).mode, FingerprintMode::Full);

    // The next dialog opens as the last one was confirmed; unchecking reads
    // without fingerprints and keeps the mode for the next time.
    QVERIFY(bench.ReadCommand([](TfrmDrive& dialog) {
      QVERIFY(dialog.chkFingerprint->isChecked());
      QVERIFY(dialog.rdoFingerprintFull->isChecked());
      dialog.chkFingerprint->click();
      SelectDrive(dialog, 'D');
      TypeInto(dialog.cmbName, "Plain");
      dialog.cmdRead->click();
    }));
    QVERIFY(bench.catalog.LastAddedSlot() != first);
    QVERIFY(bench.catalog.FingerprintsOf(bench.catalog.LastAddedSlot()) == nullptr);
    TfrmDrive next(bench.workflow, bench.catalog, bench.drives, bench.prompter);
    QVERIFY(!next.chkFingerprint->isChecked());
    QVERIFY(next.rdoFingerprintFull->isChecked());
    QVERIFY(!next.rdoFingerprintFull->isEnabled());
    QVERIFY(bench.prompter.prompts.empty());
    // PLOMIX_TEST_PICTURES=folder keeps a picture of the dialog as shown.
    if (const QString folder = qEnvironmentVariable("PLOMIX_TEST_PICTURES"); !folder.isEmpty()) {
      next.show();
      next.grab().save(folder + "/read-dialog.png");
    }
  }
};

QTEST_MAIN(ReadDialogTest)
#include "ReadDialogTest.moc"
