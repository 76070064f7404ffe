// The search page and the copy commands inside the main window: a search
// brings its page to front, a hit is shown in the media page, a new category
// in the tree empties the hits, 検索 does nothing without media, and the file
// list's copy commands put their text on the desktop's clipboard.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "browse/BrowseHistory.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "reading/ReadRequest.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/MediaPage.h"
#include "ui/PxMain.h"
#include "ui/SearchHitModel.h"
#include "ui/SearchPage.h"
#include "ui/Session.h"
#include "ui/search/PxFileSearch.h"
#include "ui/widgets/TypeAheadViews.h"

using namespace plomix;
using plomix::test::Sj;

namespace {

QString ClipboardText() {
  return QGuiApplication::clipboard()->text();
}

}  // namespace

class SearchWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  QString Path(const QString& name) const { return folder_->Path(name); }
  // A window on one media 保存用 in category 書類, stored from a folder:
  // 資料\ (報告書.txt, 旧版\ (a.txt)), 単独.bin.
  std::unique_ptr<test::SessionWindow> WindowWithMedia(test::ScriptedPrompter& prompter);

 private Q_SLOTS:
  void init() { folder_ = std::make_unique<test::GuiFolder>(); }
  void cleanup() { folder_.reset(); }
  void searchShowsItsPageAndGoesToAHit();
  void searchDoesNothingWithoutMedia();
  void searchKeepsTheBrowseTreeAsItWas();
  void searchFindsAFileBeyondTwoGigabytes();
  void fileListCopiesToTheClipboard();
};

std::unique_ptr<test::SessionWindow> SearchWindowTest::WindowWithMedia(
    test::ScriptedPrompter& prompter) {
  return test::WindowWithStoredMedia(prompter, *folder_, Sj("保存用"), Sj("書類"));
}

void SearchWindowTest::searchShowsItsPageAndGoesToAHit() {
  test::ScriptedPrompter prompter;
  prompter.defaultAnswer = PromptResult::No;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture);
  TfrmMain& window = fixture->window;
  SearchPage& page = *window.TabSheet2;
  const std::size_t asked = prompter.prompts.size();
  QCOMPARE(window.PageControl1->currentWidget(), window.TabSheet1);
  page.RunSearchCommand([](TfrmFileSearch& d) {
    d.show();
    d.chkModeSize->setChecked(false);
    d.chkModeDateTime->setChecked(false);
    d.chkModeName->setChecked(true);
    d.txtSearchName->setText(QStringLiteral("*.TXT"));
    d.cmdSearch->click();
    d.hide();
    return d.result() == QDialog::Accepted;
  });
  QCOMPARE(window.PageControl1->currentWidget(), window.TabSheet2);
  QCOMPARE(page.Model().RowCount(), 2);
  QVERIFY(!fixture->session.Busy());
  QCOMPARE(page.StatusText(0), QStringLiteral("2 個のオブジェクト"));

  int row = page.Model().FindByTyping(QStringLiteral("a"), 0, false);
  QVERIFY(row >= 0);
  page.ListView2->selectRow(row);
  page.ToolButton21->click();
  QCOMPARE(window.PageControl1->currentWidget(), window.TabSheet1);
  MediaPage& media = *window.TabSheet1;
  QCOMPARE(media.TreeView1->currentItem()->text(0), QStringLiteral("旧版"));
  FileListPanel& list = *media.pnlListViewClient;
  const std::vector<int> selected = list.SelectedRows();
  QCOMPARE(selected.size(), std::size_t{1});
  QCOMPARE(list.ListModel().Row(selected[0]).Name, std::string("a.txt"));

  // The hits stay while the tree shows the same category, and go with another.
  QCOMPARE(page.Model().RowCount(), 2);
  QTabBar* tabs = media.TabControlTreeView;
  QCOMPARE(tabs->count(), 2);
  tabs->setCurrentIndex(tabs->currentIndex() == 0 ? 1 : 0);
  QCOMPARE(page.Model().RowCount(), 0);
  QVERIFY(page.StatusText(0).isEmpty());
  QCOMPARE(prompter.prompts.size(), asked);
}

void SearchWindowTest::searchKeepsTheBrowseTreeAsItWas() {
  // The search over the category the tree shows, and over the media's own
  // category while the tree shows all of them (the tree is then rebuilt).
  for (const bool otherTab : {false, true}) {
    init();  // a catalogue and settings of its own
    test::ScriptedPrompter prompter;
    prompter.defaultAnswer = PromptResult::No;
    auto fixture = WindowWithMedia(prompter);
    QVERIFY(fixture);
    TfrmMain& window = fixture->window;
    MediaPage& media = *window.TabSheet1;
    QCOMPARE(media.TabControlTreeView->currentIndex(), 0);
    media.GoToPath(QStringLiteral("保存用\\資料\\旧版"));
    QTreeWidgetItem* disk = media.TopNode()->child(0);
    QTreeWidgetItem* folder = disk->child(0);
    QVERIFY(disk->isExpanded() && folder->isExpanded());
    QCOMPARE(media.TreeView1->currentItem()->text(0), QStringLiteral("旧版"));
    const int recorded = fixture->session.History().Count();

    window.TabSheet2->RunSearchCommand([otherTab](TfrmFileSearch& d) {
      d.show();
      if (otherTab) d.TabControl1->setCurrentIndex(1);
      d.chkModeSize->setChecked(false);
      d.chkModeDateTime->setChecked(false);
      d.txtSearchName->setText(QStringLiteral("*.bin"));
      d.cmdSearch->click();
      d.hide();
      return d.result() == QDialog::Accepted;
    });
    QCOMPARE(window.TabSheet2->Model().RowCount(), 1);
    window.PageControl1->setCurrentWidget(window.TabSheet1);
    QCOMPARE(media.TabControlTreeView->currentIndex(), otherTab ? 1 : 0);
    disk = media.TopNode()->child(0);
    QVERIFY(disk != nullptr && disk->isExpanded());
    folder = disk->child(0);
    QVERIFY(folder != nullptr && folder->isExpanded());
    QCOMPARE(media.TreeView1->currentItem()->text(0), QStringLiteral("旧版"));
    QCOMPARE(media.pnlListViewClient->ListModel().Row(0).Name, std::string("a.txt"));
    QCOMPARE(fixture->session.History().Count(), recorded);
  }
}

void SearchWindowTest::searchFindsAFileBeyondTwoGigabytes() {
  // A sparse 3 GiB file: its size is what the reader records, no disk is used.
  QVERIFY(test::MakeSampleMediaFolder(Path("media")));
  QFile big(Path("media/イメージ.iso"));
  QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64{3} << 30));
  big.close();
  test::ScriptedPrompter prompter;
  prompter.defaultAnswer = PromptResult::No;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture);
  SearchPage& page = *fixture->window.TabSheet2;
  const auto search = [&](const QString& minimum, const QString& picture) {
    page.RunSearchCommand([&](TfrmFileSearch& d) {
      d.show();
      d.chkModeName->setChecked(false);
      d.chkModeDateTime->setChecked(false);
      d.chkModeSize->setChecked(true);
      d.cmbSearchSizeUnit->setCurrentText(QStringLiteral("GB"));
      d.txtSearchSizeMin->setText(minimum);
      d.txtSearchSizeMax->clear();
      // PLOMIX_TEST_PICTURES=folder keeps a picture of the dialog as filled in.
      if (const QString folder = qEnvironmentVariable("PLOMIX_TEST_PICTURES"); !folder.isEmpty())
        d.grab().save(folder + "/" + picture);
      d.cmdSearch->click();
      d.hide();
      return d.result() == QDialog::Accepted;
    });
    QStringList names;
    for (int i = 0; i < page.Model().RowCount(); ++i)
      names << text::Cp932ToQString(page.Model().Row(i).Name);
    return names;
  };
  QCOMPARE(search(QStringLiteral("2.5"), "search-dialog-2.5GB.png"),
           QStringList{QStringLiteral("イメージ.iso")});
  QCOMPARE(search(QStringLiteral("5"), "search-dialog-5GB.png"), QStringList());
  QCOMPARE(search(QStringLiteral("3"), "search-dialog-3GB.png"),
           QStringList{QStringLiteral("イメージ.iso")});
}

void SearchWindowTest::searchDoesNothingWithoutMedia() {
  test::ScriptedPrompter prompter;
  prompter.paths.push_back(Path("empty.qdb"));
  test::SessionWindow fixture(prompter);
  QVERIFY(fixture.window.Started());
  fixture.window.S1->trigger();
  QCOMPARE(fixture.window.PageControl1->currentWidget(), fixture.window.TabSheet1);
  QVERIFY(!fixture.window.TabSheet2->Dialog().isVisible());
}

void SearchWindowTest::fileListCopiesToTheClipboard() {
  test::ScriptedPrompter prompter;
  prompter.defaultAnswer = PromptResult::No;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture);
  MediaPage& media = *fixture->window.TabSheet1;
  FileListPanel& list = *media.pnlListViewClient;
  QCOMPARE(list.ToolButton12->toolTip(), QStringLiteral("クリップボードへコピー(ファイル名)"));
  QVERIFY(list.ToolButton12->isEnabled() && list.N9->isEnabled() && list.E1->isEnabled());
  QCOMPARE(list.E1->shortcut(), QKeySequence(QStringLiteral("Ctrl+Y")));

  media.GoToPath(QStringLiteral("保存用\\資料"));
  list.SelectListRowByName(Sj("報告書.txt"));
  list.ToolButton12->click();
  QCOMPARE(ClipboardText(), QStringLiteral("\"名前\"\r\n\"報告書.txt\"\r\n"));
  list.N8->trigger();
  QCOMPARE(ClipboardText(), QStringLiteral("\"名前\"\r\n\"資料\\報告書.txt\"\r\n"));
  list.N63->trigger();
  QCOMPARE(ClipboardText(), QStringLiteral("報告書.txt\r\n"));
  list.N64->trigger();
  QCOMPARE(ClipboardText(), QStringLiteral("資料\\報告書.txt\r\n"));
  fixture->session.GetSettings().SetInt(REG_ClipBordDefault, 6);
  list.N7->trigger();
  QCOMPARE(ClipboardText(), QStringLiteral("資料\\報告書.txt\r\n"));

  list.ListView1->clearSelection();
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  prompter.prompts.clear();
  list.N8->trigger();
  QCOMPARE(ClipboardText(), QStringLiteral("before"));
  QCOMPARE(prompter.Messages(),
           QStringList({"クリップボードにコピーするファイル名、またはフォルダ名が不明です"}));
}

QTEST_MAIN(SearchWindowTest)
#include "SearchWindowTest.moc"
