// The export settings dialog against real settings in a temporary folder, and
// the file list's copy commands on a real catalogue: the text of each export
// form, the copy button's form and hint, and writing to a file.
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "RecordingClipboard.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "browse/EntryRows.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/CopyCommands.h"
#include "ui/export/PxEnvClipbord.h"

using namespace plomix;
using plomix::test::MakeEntry;
using plomix::test::RecordingClipboard;
using plomix::test::ScriptedPrompter;
using plomix::test::Sj;
using plomix::test::TempDir;

namespace {

// DISK01: Docs/{a.txt, b.txt}, Empty/, readme.txt.
struct Bench {
  TempDir dir;
  Settings settings{QString::fromStdString(dir.File("config"))};
  Catalog catalog;
  ScriptedPrompter prompter;
  RecordingClipboard clipboard;

  Bench() {
    if (!catalog.CreateCatalog(dir.File("test.qdb"))) throw std::runtime_error("no catalogue");
    TMediaInfomation info;
    if (!catalog.AddMedia(std::vector<TRecord>{MakeEntry(-1, 1, kKindFixed, "DISK01", 350),
                                               MakeEntry(0, 4, kKindFolder, "Docs", 300),
                                               MakeEntry(0, -1, kKindFolder, "Empty", 0),
                                               MakeEntry(0, -1, kKindFile, "readme.txt", 50),
                                               MakeEntry(1, -1, kKindFile, "a.txt", 100),
                                               MakeEntry(1, -1, kKindFile, "b.txt", 200)},
                          info))
      throw std::runtime_error("media not added");
  }

  // Copies the given rows of a node in the form of a stored copy-button value.
  ExportOutcome Copy(int32_t node, std::vector<int> records, int defaultForm) {
    EntryRows rows = BuildEntryRows(catalog, node);
    std::vector<const TRecord*> selected;
    for (int r : records)
      for (const TRecord& row : rows.rows)
        if (RecordOfKey(row.Key) == r) selected.push_back(&row);
    return CopyFileListEntries(catalog, settings, prompter, clipboard, DefaultCopyForm(defaultForm),
                               FileListSelection(rows.shown, selected));
  }
};

}  // namespace

class ExportCommandsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void settingsDialogRoundTrip();
  void settingsDialogRepairsValuesOutOfRange();
  void settingsDialogRemembersTheFileEncoding();
  void copyButtonFormsAndHints();
  void fileListCopiesInEveryForm();
  void writesTheExportToAFile();
  void desktopClipboardGetsTheText();
};

void ExportCommandsTest::settingsDialogRoundTrip() {
  Bench b;
  TfrmEnvClipbord d(b.settings, b.prompter);
  d.show();
  QCOMPARE(d.windowTitle(), QStringLiteral("環境設定（クリップボード関連）"));
  QVERIFY(d.rdoNameMode0->isChecked());
  QCOMPARE(d.cmbPathMark->currentText(), QStringLiteral("\\"));
  QCOMPARE(d.cmdFolderMark->currentText(), QStringLiteral("無し"));
  QCOMPARE(d.ComboBox1->currentText(), QStringLiteral(",(カンマ)"));
  QCOMPARE(d.defaultToolbarItems->checkedButton()->text(), QStringLiteral("ファイル名"));
  for (int i = 0; i < d.CheckListBox1->count(); ++i)
    QCOMPARE(d.CheckListBox1->item(i)->checkState(), i == 1 ? Qt::Checked : Qt::Unchecked);
  // Without tree form the columns are chosen, the tree options wait.
  QVERIFY(d.CheckListBox1->isEnabled() && d.cmdDefault->isEnabled() && d.ComboBox1->isEnabled());
  QVERIFY(!d.cmdFolderMark->isEnabled() && !d.chkOffsetNo->isEnabled() &&
          !d.chkTreeNo->isEnabled());

  d.cmdAllOn->click();
  d.rdoNameMode2->setChecked(true);
  d.cmbPathMark->setCurrentIndex(3);
  d.ComboBox1->setCurrentIndex(1);
  d.chkFolderOnly->setChecked(true);
  d.chkFileWrite->setChecked(true);
  d.chkTree->click();
  QVERIFY(!d.CheckListBox1->isEnabled() && !d.cmdAllOff->isEnabled() && !d.ComboBox1->isEnabled());
  QVERIFY(d.cmdFolderMark->isEnabled() && d.chkOffsetNo->isEnabled() && d.chkTreeNo->isEnabled());
  d.cmdFolderMark->setCurrentIndex(18);
  d.chkOffsetNo->setChecked(true);
  d.chkTreeNo->setChecked(true);
  d.defaultToolbarItems->button(0)->setChecked(true);
  d.cmdSetClick();
  QCOMPARE(d.result(), int(QDialog::Accepted));
  QVERIFY(!d.isVisible());
  const std::pair<SettingNo, int> stored[] = {
      {REG_ClipBordNameMode, 2},    {REG_ClipBordFolder, 3},    {REG_ClipBordItemSep, 1},
      {REG_ClipBordFolderOnly, 1},  {REG_ClipBordFileWrite, 1}, {REG_ClipBordTree, 1},
      {REG_ClipBordFolderMark, 18}, {REG_ClipBordOffsetNo, 1},  {REG_ClipBordTreeNo, 1},
      {REG_ClipBordDefault, 5}};
  for (const auto& [number, value] : stored) QCOMPARE(b.settings.GetInt(number), value);
  QCOMPARE(b.settings.GetString(REG_ClipBordPutItem), QStringLiteral("11111111111111"));

  // The next showing shows what was stored; 閉じる stores nothing.
  d.show();
  QCOMPARE(d.cmdFolderMark->currentText(), QStringLiteral("×"));
  QVERIFY(d.rdoNameMode2->isChecked() && d.chkTree->isChecked() && d.chkTreeNo->isChecked());
  QCOMPARE(d.defaultToolbarItems->checkedButton()->text(),
           QStringLiteral("ファイル名[シンプル版]"));
  d.chkTree->click();
  d.cmdDefault->click();
  d.rdoNameMode1->setChecked(true);
  d.cmdClose->click();
  QCOMPARE(b.settings.GetInt(REG_ClipBordNameMode), 2);
  QCOMPARE(b.settings.GetString(REG_ClipBordPutItem), QStringLiteral("11111111111111"));
  d.show();
  d.chkTree->click();
  d.cmdDefault->click();
  d.cmdSet->click();
  QCOMPARE(b.settings.GetString(REG_ClipBordPutItem), QStringLiteral("01000000000000"));
  QCOMPARE(b.settings.GetInt(REG_ClipBordTree), 0);
  QVERIFY(b.prompter.prompts.empty());
}

void ExportCommandsTest::settingsDialogRepairsValuesOutOfRange() {
  Bench b;
  b.settings.SetInt(REG_ClipBordDefault, 4);
  b.settings.SetInt(REG_ClipBordFolder, 9);
  b.settings.SetInt(REG_ClipBordFolderMark, 19);
  b.settings.SetInt(REG_ClipBordNameMode, 7);
  b.settings.SetInt(REG_ClipBordItemSep, -1);
  b.settings.SetString(REG_ClipBordPutItem, QStringLiteral("1111111111111"));  // 13 characters
  TfrmEnvClipbord d(b.settings, b.prompter);
  d.show();
  QCOMPARE(d.defaultToolbarItems->checkedButton()->text(), QStringLiteral("ファイル名"));
  QCOMPARE(d.cmbPathMark->currentIndex(), 0);
  QCOMPARE(d.cmdFolderMark->currentText(), QStringLiteral("無し"));
  QVERIFY(d.rdoNameMode0->isChecked());
  QCOMPARE(d.ComboBox1->currentIndex(), 0);
  d.cmdSet->click();
  for (SettingNo number : {REG_ClipBordDefault, REG_ClipBordFolder, REG_ClipBordFolderMark,
                           REG_ClipBordNameMode, REG_ClipBordItemSep})
    QCOMPARE(b.settings.GetInt(number), 0);
  QCOMPARE(b.settings.GetString(REG_ClipBordPutItem), QStringLiteral("01000000000000"));
}

// Shift_JIS unless UTF-8 was chosen; a value the program does not know
// shows as Shift_JIS; the choice is kept with the other values by 設定 only.
void ExportCommandsTest::settingsDialogRemembersTheFileEncoding() {
  Bench b;
  const QString key = QString::fromLatin1(kExportEncodingKey);
  b.settings.SetRaw(key, QStringLiteral("ebcdic"));
  TfrmEnvClipbord d(b.settings, b.prompter);
  d.show();
  QCOMPARE(d.cmbEncoding->currentText(), QStringLiteral("Shift_JIS (CP932)"));
  QCOMPARE(d.cmbEncoding->count(), 2);
  d.cmbEncoding->setCurrentIndex(1);
  d.cmdClose->click();
  QCOMPARE(b.settings.GetRaw(key), QStringLiteral("ebcdic"));

  d.show();
  QCOMPARE(d.cmbEncoding->currentIndex(), 0);
  d.cmbEncoding->setCurrentIndex(1);
  d.cmdSet->click();
  QCOMPARE(b.settings.GetRaw(key), QStringLiteral("utf-8"));

  TfrmEnvClipbord again(b.settings, b.prompter);
  again.show();
  QCOMPARE(again.cmbEncoding->currentText(), QStringLiteral("UTF-8"));

  // The next file export is UTF-8 and its save dialog says so.
  b.settings.SetInt(REG_ClipBordFileWrite, 1);
  QCOMPARE(b.Copy(MakeKey(0, 1), {4}, 0), ExportOutcome::Cancelled);
  QCOMPARE(b.prompter.prompts.back().filter,
           QStringLiteral("テキスト (UTF-8) (*.txt)|*.txt|すべてのファイル(*.*)|*.*"));
  again.cmbEncoding->setCurrentIndex(0);
  again.cmdSet->click();
  QCOMPARE(b.settings.GetRaw(key), QStringLiteral("cp932"));
}

void ExportCommandsTest::copyButtonFormsAndHints() {
  struct Case {
    int stored;
    ExportMode mode;
    bool simple;
    const char* hint;
  };
  const Case cases[] = {
      {0, ExportMode::FileName, false, "クリップボードへコピー(ファイル名)"},
      {1, ExportMode::FullPath, false, "クリップボードへコピー(フルパス名)"},
      {2, ExportMode::FolderContents, false, "クリップボードへコピー(フォルダ配下すべて)"},
      {3, ExportMode::MediaDump, false, "クリップボードへコピー(カレントのメディア情報すべて)"},
      {4, ExportMode::FileName, false, "クリップボードへコピー(ファイル名)"},
      {5, ExportMode::FileName, true, "クリップボードへコピー(ファイル名（シンプル）)"},
      {6, ExportMode::FullPath, true, "クリップボードへコピー(フルパス名（シンプル）)"},
      {-3, ExportMode::FileName, false, "クリップボードへコピー(ファイル名)"},
  };
  for (const Case& c : cases) {
    QCOMPARE(DefaultCopyForm(c.stored).mode, c.mode);
    QCOMPARE(DefaultCopyForm(c.stored).simple, c.simple);
    QCOMPARE(CopyButtonHint(c.stored), QString::fromUtf8(c.hint));
  }
}

void ExportCommandsTest::fileListCopiesInEveryForm() {
  struct Case {
    const char* what;
    int32_t node;
    std::vector<int> records;
    int form;
    std::function<void(Settings&)> set;
    std::string text;
  };
  const Case cases[] = {
      {"file names, simple", MakeKey(0, 1), {4, 5}, 5, {}, "a.txt\r\nb.txt\r\n"},
      {"file names", MakeKey(0, 1), {4, 5}, 0, {}, Sj("\"名前\"\r\n\"a.txt\"\r\n\"b.txt\"\r\n")},
      {"full path, simple, with /",
       MakeKey(0, 1),
       {4},
       6,
       [](Settings& s) { s.SetInt(REG_ClipBordFolder, 1); },
       "Docs/a.txt\r\n"},
      {"full path with columns",
       MakeKey(0, 1),
       {5},
       1,
       [](Settings& s) { s.SetString(REG_ClipBordPutItem, QStringLiteral("11010000000000")); },
       Sj("No,\"名前\",ファイルサイズ\r\n1,\"Docs\\b.txt\",200\r\n")},
      {"folder contents as a list (an empty folder has none)",
       MakeKey(0, 0),
       {1, 2},
       2,
       {},
       Sj("\"名前\"\r\n\"Docs\\a.txt\"\r\n\"Docs\\b.txt\"\r\n")},
      {"media dump as a tree",
       MakeKey(0, 0),
       {3},
       3,
       [](Settings& s) {
         s.SetInt(REG_ClipBordTree, 1);
         s.SetInt(REG_ClipBordFolderMark, 4);
       },
       Sj("[メディア名：DISK01]\r\n\r\n  ├■Docs\r\n  │     ├  a.txt\r\n  │     └  b.txt\r\n"
          "  ├■Empty\r\n  └  readme.txt\r\n\r\n")},
      {"media dump, upper case, level numbers",
       MakeKey(0, 0),
       {3},
       3,
       [](Settings& s) {
         s.SetInt(REG_ClipBordTree, 1);
         s.SetInt(REG_ClipBordTreeNo, 1);
         s.SetInt(REG_ClipBordNameMode, 2);
       },
       Sj("[メディア名：DISK01]\r\n\r\n[0001]  DOCS\r\n[0001]-[0001]  A.TXT\r\n"
          "[0001]-[0002]  B.TXT\r\n[0002]  EMPTY\r\n[0003]  README.TXT\r\n\r\n")},
  };
  for (const Case& c : cases) {
    Bench b;
    if (c.set) c.set(b.settings);
    QCOMPARE(b.Copy(c.node, c.records, c.form), ExportOutcome::Copied);
    QVERIFY2(b.clipboard.text == c.text,
             qPrintable(QString::fromUtf8(c.what) + ": " + text::Cp932ToQString(b.clipboard.text)));
  }
  // Nothing selected: a warning, the clipboard untouched.
  Bench b;
  QCOMPARE(b.Copy(MakeKey(0, 1), {}, 0), ExportOutcome::NothingSelected);
  QCOMPARE(b.prompter.Messages(),
           QStringList({"クリップボードにコピーするファイル名、またはフォルダ名が不明です"}));
  QCOMPARE(b.prompter.prompts[0].icon, PromptIcon::Warning);
  QCOMPARE(b.clipboard.text, std::string("(untouched)"));
}

void ExportCommandsTest::writesTheExportToAFile() {
  Bench b;
  SetClockForTesting([] { return int64_t{1767268800}; });
  b.settings.SetInt(REG_ClipBordFileWrite, 1);
  const std::filesystem::path out = b.dir.Path() / "list";
  b.prompter.paths = {QString::fromStdString(out.string())};
  QCOMPARE(b.Copy(MakeKey(0, 1), {4, 5}, 5), ExportOutcome::Saved);
  QCOMPARE(b.prompter.prompts[0].kind, QStringLiteral("SaveFile"));
  QVERIFY(b.prompter.prompts[0].startPath.endsWith(QStringLiteral("_ファイル名.txt")));
  QCOMPARE(b.prompter.prompts[0].filter,
           QStringLiteral("テキスト (Shift_JIS) (*.txt)|*.txt|すべてのファイル(*.*)|*.*"));
  const std::vector<uint8_t> bytes = test::ReadFileBytes(out.string() + ".txt");
  QCOMPARE(std::string(bytes.begin(), bytes.end()), std::string("a.txt\r\nb.txt\r\n"));
  QCOMPARE(b.clipboard.text, std::string("(untouched)"));

  // Cancelled: nothing written. A folder that is not there: an error, no file.
  b.prompter.prompts.clear();
  QCOMPARE(b.Copy(MakeKey(0, 1), {4}, 5), ExportOutcome::Cancelled);
  const std::filesystem::path missing = b.dir.Path() / "gone" / "x.txt";
  b.prompter.paths = {QString::fromStdString(missing.string())};
  QCOMPARE(b.Copy(MakeKey(0, 1), {4}, 5), ExportOutcome::Failed);
  QCOMPARE(b.prompter.prompts.back().icon, PromptIcon::Error);
  QVERIFY(b.prompter.prompts.back().text.contains(QStringLiteral("x.txt")));
  QVERIFY(!std::filesystem::exists(missing));
  QVERIFY(!std::filesystem::exists(missing.string() + ".part"));
  SetClockForTesting({});
}

void ExportCommandsTest::desktopClipboardGetsTheText() {
  QtClipboard clipboard;
  clipboard.SetText(QStringLiteral("データ\r\n"));
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("データ\r\n"));
}

QTEST_MAIN(ExportCommandsTest)
#include "ExportCommandsTest.moc"
