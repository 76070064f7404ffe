// Names code page 932 cannot hold, read from a real folder into a real
// catalogue, as the window shows them: the tree, the file list (its order and
// type-ahead), the property panel, the search page's hits and the jump to a
// hit, the duplicate result page and the jump to a member, and the one
// warning about a damaged exact-name file, after which the window goes on.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "ExactNameTree.h"
#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/DetailPanel.h"
#include "ui/DupPage.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/MediaPage.h"
#include "ui/PropertyPanel.h"
#include "ui/PropertySheet.h"
#include "ui/ResultMemberModel.h"
#include "ui/ResultPage.h"
#include "ui/SearchHitModel.h"
#include "ui/SearchPage.h"
#include "ui/search/PxFileSearch.h"
#include "ui/widgets/TypeAheadViews.h"

using namespace plomix;
namespace fs = std::filesystem;

namespace {

const QString kUnicode = QString::fromUtf8(
    "\xC3\x9Cn\xC3\xAF"
    "c\xC3\xB6"
    "d\xC3\xA9");  // Ünïcödé
const QString kKorean =
    QString::fromUtf8("\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xED\x8C\x8C\xEC\x9D\xBC.txt");
const QString kInner = QString::fromUtf8("inner \xF0\x9F\x98\x80.txt");  // inner 😀.txt
const QString kAccents = QString::fromUtf8("F\xC5\x91tan\xC3\xBAs\xC3\xADtv\xC3\xA1ny.crt");
const QString kEmojiTwin = QString::fromUtf8("emoji \xF0\x9F\x8E\x89\xF0\x9F\x98\x80.txt");

QStringList ColumnTexts(const QAbstractItemModel& model, int column) {
  QStringList texts;
  for (int r = 0; r < model.rowCount(); ++r) texts << model.index(r, column).data().toString();
  return texts;
}

QString PropertyValue(const PropertySheet& sheet, const QString& item) {
  for (const PropertyRow& row : sheet.rows)
    if (row.item == item) return row.value;
  return QStringLiteral("<none>");
}

QTreeWidgetItem* ChildNamed(QTreeWidgetItem* node, const QString& text) {
  for (int i = 0; node != nullptr && i < node->childCount(); ++i)
    if (node->child(i)->text(0) == text) return node->child(i);
  return nullptr;
}

QStringList SelectedNames(FileListPanel& list) {
  QStringList names;
  for (int row : list.SelectedRows()) names << list.ListModel().index(row, 0).data().toString();
  return names;
}

}  // namespace

class ExactNamesWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::GuiFolder> folder_;
  test::ScriptedPrompter prompter_;  // of the window
  QString Path(const char* name) const { return folder_->Path(QString::fromUtf8(name)); }

  // A window on the exact-name tree stored as media "Media", with a second
  // 한국어 파일.txt in Ünïcödé so that the duplicate search has a group of them.
  std::unique_ptr<test::SessionWindow> Window() {
    const fs::path root = folder_->Root() / "media";
    test::MakeExactNameTree(root);
    std::ofstream((root / kUnicode.toStdString() / kKorean.toStdString()).string()) << "0123456789";
    return test::WindowOnStoredFolder(prompter_, *folder_, root, "Media");
  }

  // Reads the sample folder as media "Second" into the open catalogue.
  bool ReadSecondMedia(test::SessionWindow& fixture) {
    if (!test::MakeSampleMediaFolder(Path("second"))) return false;
    Drives& drives = fixture.session.GetDrives();
    const char letter = drives.LowestFreeLetter();
    std::string error;
    if (letter == 0 || !drives.Bind(letter, Path("second").toStdString(), error)) return false;
    return fixture.window.ReadMedia([&](ReadWorkflow& workflow) {
      ReadForm form = workflow.InitialForm();
      form.drive = std::string(1, letter);
      form.volumeName = false;
      form.name = "Second";
      return workflow.ConfirmRead(form, true);
    });
  }

 private Q_SLOTS:
  void init() {
    folder_ = std::make_unique<test::GuiFolder>();
    prompter_ = test::ScriptedPrompter();
    prompter_.defaultAnswer = PromptResult::No;
  }
  void cleanup() { folder_.reset(); }

  void treeListAndPropertiesShowExactNames() {
    auto fixture = Window();
    QVERIFY(fixture);
    MediaPage& media = *fixture->window.TabSheet1;
    FileListPanel& list = *media.pnlListViewClient;
    media.GoToPath(QStringLiteral("Media"));

    QStringList expected;
    for (const test::ExactTreeEntry& e : test::ExactTreeEntries())
      if (e.path.find('/') == std::string::npos) expected << text::NativeNameToQString(e.path);
    QStringList shown = ColumnTexts(list.ListModel(), 0);
    QVERIFY(shown.contains(QStringLiteral("bad\\xFF\\xFEname.bin")));
    QVERIFY(shown.contains(QStringLiteral("back\\slash.txt")));
    expected.sort();
    shown.sort();
    QCOMPARE(shown, expected);

    // An accented name sorts among its base letters; type-ahead finds names
    // by what they show, and a typed "?" is no stand-in for a lost character.
    const FileListModel& model = list.ListModel();
    const QStringList order = ColumnTexts(model, 0);
    QVERIFY(order.indexOf(kAccents) > order.indexOf(kEmojiTwin));
    QVERIFY(order.indexOf(kAccents) < order.indexOf(QStringLiteral("plain.txt")));
    QCOMPARE(model.FindByTyping(QString::fromUtf8("f\xC5\x91"), 0, true), order.indexOf(kAccents));
    QCOMPARE(model.FindByTyping(QStringLiteral("fot"), 0, true), order.indexOf(kAccents));
    QCOMPARE(model.FindByTyping(kKorean.left(2), 0, true), order.indexOf(kKorean));
    QCOMPARE(model.FindByTyping(QStringLiteral("?"), 0, true), -1);

    // The tree's folder node, and the property panel of the node and a row.
    QTreeWidgetItem* folder = ChildNamed(media.TreeView1->currentItem(), kUnicode);
    QVERIFY(folder != nullptr);
    media.TreeView1->setCurrentItem(folder);
    const PropertySheet& node = media.pnlListViewLeft->Properties();
    QCOMPARE(node.label, kUnicode);
    QCOMPARE(node.status, QStringLiteral("Media\\") + kUnicode);
    QCOMPARE(PropertyValue(node, QStringLiteral("ﾊﾟｽ名")), node.status);
    const int inner = ColumnTexts(list.ListModel(), 0).indexOf(kInner);
    QVERIFY(inner >= 0);
    list.ListView1->selectRow(inner);
    const PropertySheet& row = media.pnlListViewLeft->Properties();
    QCOMPARE(row.label, kInner);
    QCOMPARE(PropertyValue(row, QStringLiteral("ﾌﾙﾊﾟｽ名")),
             QStringLiteral("Media\\") + kUnicode + QStringLiteral("\\") + kInner);
  }

  void searchHitsShowExactNamesAndLeadToTheirRows() {
    auto fixture = Window();
    QVERIFY(fixture);
    TfrmMain& window = fixture->window;
    SearchPage& page = *window.TabSheet2;
    page.RunSearchCommand([](TfrmFileSearch& d) {
      d.show();
      d.chkModeSize->setChecked(false);
      d.chkModeDateTime->setChecked(false);
      d.chkModeName->setChecked(true);
      d.txtSearchName->setText(QString::fromUtf8("*\xF0\x9F\x98\x80*"));  // *😀*
      d.cmdSearch->click();
      d.hide();
      return d.result() == QDialog::Accepted;
    });
    const SearchHitModel& hits = page.Model();
    QStringList names = ColumnTexts(hits, 0);
    names.sort();
    QStringList expected{text::NativeNameToQString("a\\x41 \xF0\x9F\x98\x80.txt"), kInner,
                         QString::fromUtf8("emoji \xF0\x9F\x98\x80\xF0\x9F\x8E\x89.txt"),
                         kEmojiTwin};
    expected.sort();
    QCOMPARE(names, expected);
    const int innerHit = ColumnTexts(hits, 0).indexOf(kInner);
    QCOMPARE(hits.index(innerHit, 2).data().toString(), QStringLiteral("Media\\") + kUnicode);

    // Two names alike in CP932: the jump selects the very one, though the
    // list shows the other first.
    const QString wanted = QString::fromUtf8("emoji \xF0\x9F\x98\x80\xF0\x9F\x8E\x89.txt");
    page.ListView2->selectRow(ColumnTexts(hits, 0).indexOf(wanted));
    page.ToolButton21->click();
    FileListPanel& list = *window.TabSheet1->pnlListViewClient;
    QCOMPARE(SelectedNames(list), QStringList{wanted});
    QVERIFY(ColumnTexts(list.ListModel(), 0).indexOf(kEmojiTwin) <
            ColumnTexts(list.ListModel(), 0).indexOf(wanted));
  }

  void duplicateResultsShowExactNamesAndPaths() {
    auto fixture = Window();
    QVERIFY(fixture);
    TfrmMain& w = fixture->window;
    w.show();
    w.S3->trigger();
    w.N44->trigger();
    w.PageControl1->setCurrentWidget(w.TabSheet8);
    QTableView* groups = w.TabSheet8->GridView1;
    // plain.txt and 한국어 파일.txt; the two emoji names, alike in CP932, are no group.
    QStringList names = ColumnTexts(*groups->model(), 3);
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("plain.txt"), kKorean}));
    ResultPage& results = *w.TabSheet8->Results;
    // Finding a group by part of its name: the exact name is searched, and a
    // "?" is no stand-in for a lost character.
    results.txtSearchStr->setText(kKorean.mid(1, 2));
    results.FindName(true);
    QCOMPARE(groups->selectionModel()->selectedRows().value(0).row(),
             ColumnTexts(*groups->model(), 3).indexOf(kKorean));
    results.txtSearchStr->setText(QStringLiteral("?"));
    results.FindName(true);
    QCOMPARE(prompter_.Messages().value(prompter_.Messages().size() - 1),
             QStringLiteral("未検出!!"));
    QTableView* members = w.TabSheet8->GridView2;
    QCOMPARE(ColumnTexts(*members->model(), 2), QStringList(2, kKorean));
    results.FillPaths();
    const int nested = ColumnTexts(*members->model(), kDetailPathColumn).indexOf(kUnicode);
    QVERIFY(nested >= 0);

    members->selectRow(nested);
    QTest::mouseClick(results.cmdShow, Qt::LeftButton);
    MediaPage& media = *w.TabSheet1;
    QCOMPARE(media.TreeView1->currentItem()->text(0), kUnicode);
    QCOMPARE(SelectedNames(*media.pnlListViewClient), QStringList{kKorean});
    // The similar-name tabs of the selected file name its words as they are.
    DetailPanel& detail = *media.Panel24;
    QCOMPARE(detail.TabControl1->count(), 2);
    QCOMPARE(detail.TabControl1->tabText(0), kKorean.left(3));
    QCOMPARE(detail.TabControl1->tabText(1), kKorean.mid(4, 2));
    QCOMPARE(detail.GridView4->model()->rowCount(), 2);
  }

  // Another media read into the catalogue opened again later: the first
  // media still shows its exact names the next time.
  void exactNamesOutliveTheNextRead() {
    QVERIFY(Window());
    Settings(Path("config")).SetString(REG_OpenHist01, Path("cat.qdb"));
    for (const bool readAnother : {true, false}) {
      test::ScriptedPrompter prompter;
      prompter.defaultAnswer = PromptResult::No;
      test::SessionWindow fixture(prompter);
      QVERIFY(fixture.window.Started());
      if (readAnother) QVERIFY(ReadSecondMedia(fixture));
      MediaPage& media = *fixture.window.TabSheet1;
      media.GoToPath(QStringLiteral("Media"));
      QVERIFY(ColumnTexts(media.pnlListViewClient->ListModel(), 0).contains(kKorean));
    }
  }

  void aDamagedExactNameFileIsToldOnceAndTheWindowGoesOn() {
    std::string exactPath;
    {
      auto fixture = Window();
      QVERIFY(fixture);
      exactPath = fixture->session.GetCatalog().ExactNamePath();
    }
    // One byte of a name changed: the segment's checksum no longer holds.
    std::vector<uint8_t> bytes = test::ReadFileBytes(exactPath);
    QVERIFY(bytes.size() > 40);
    bytes[bytes.size() - 12] ^= 0x5A;
    test::WriteFileBytes(exactPath, bytes);

    const auto warnings = [&exactPath](const test::ScriptedPrompter& p) {
      QStringList found;
      for (const test::RecordedPrompt& prompt : p.prompts)
        if (prompt.kind == QStringLiteral("Message") && prompt.icon == PromptIcon::Warning &&
            prompt.text.contains(QString::fromStdString(fs::path(exactPath).filename().string())))
          found << prompt.text;
      return found;
    };
    test::ScriptedPrompter prompter;
    prompter.defaultAnswer = PromptResult::No;
    Settings(Path("config")).SetString(REG_OpenHist01, Path("cat.qdb"));
    test::SessionWindow fixture(prompter);
    QVERIFY(fixture.window.Started());
    QCOMPARE(warnings(prompter).size(), 1);
    QVERIFY(warnings(prompter)[0].startsWith(QStringLiteral("完全な名前のファイルが壊れています")));

    // The names fall back to their CP932 forms; browsing and reading go on.
    MediaPage& media = *fixture.window.TabSheet1;
    media.GoToPath(QStringLiteral("Media"));
    const QStringList shown = ColumnTexts(media.pnlListViewClient->ListModel(), 0);
    QCOMPARE(shown.size(), 10);
    QVERIFY(!shown.contains(kKorean));
    QVERIFY(ReadSecondMedia(fixture));
    QCOMPARE(warnings(prompter).size(), 1);
  }
};

QTEST_MAIN(ExactNamesWindowTest)
#include "ExactNamesWindowTest.moc"
