// The two analyses in the main window: both searches run from the menu and
// fill their pages, the re-run question, a result page that runs its search
// when first shown, the jump from a member to its row in the media page, the
// detail tabs following the file list, and the commands refused while a
// search runs. Prompts are scripted; the catalogue is made on disk first.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "analysis/AnalysisFixture.h"
#include "analysis/ResultStore.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "ui/AnalysisUi.h"
#include "ui/DetailPanel.h"
#include "ui/DupPage.h"
#include "ui/FileListModel.h"
#include "ui/LikePage.h"
#include "ui/MediaPage.h"
#include "ui/ResultMemberModel.h"
#include "ui/ResultPage.h"
#include "ui/analysis/PxDupSearch.h"

using namespace plomix;
using test::Sj;

namespace {

QString Cell(const QTableView* grid, int row, int column) {
  return grid->model()->index(row, column).data().toString();
}

int RowNamed(const QTableView* grid, int column, const QString& text) {
  for (int r = 0; r < grid->model()->rowCount(); ++r)
    if (Cell(grid, r, column) == text) return r;
  return -1;
}

QStringList SelectedListNames(TfrmMain& window) {
  auto* list = window.findChild<QTableView*>(QStringLiteral("ListView1"));
  QStringList names;
  for (const QModelIndex& index : list->selectionModel()->selectedRows())
    names << list->model()->index(index.row(), 0).data().toString();
  return names;
}

}  // namespace

class AnalysisWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  test::ScriptedPrompter prompter_;
  std::string dupPath_;

  // A window on a catalogue of two media opened without a dialog:
  //   M1 (写真): docs\ (Report.txt, IMG_1.jpg), a.txt, memo_2024.txt
  //   M2 (音楽): report.TXT, A.TXT, memo_draft.txt
  std::unique_ptr<test::SessionWindow> Window() {
    const std::string path = folder_->File("t.qdb");
    {
      Catalog catalog;
      if (!catalog.CreateCatalog(path) ||
          !test::AddMediaIn(catalog, "M1", "写真",
                            {{"docs", 0, 0, true},
                             {"a.txt", 10},
                             {"memo_2024.txt", 5},
                             {"Report.txt", 2048, 0, false, 1},
                             {"IMG_1.jpg", 7, 0, false, 1}}) ||
          !test::AddMediaIn(catalog, "M2", "音楽",
                            {{"report.TXT", 300}, {"A.TXT", 20}, {"memo_draft.txt", 1}}))
        return nullptr;
    }
    dupPath_ = folder_->File("t.dup");
    folder_->OpenAtStart(QStringLiteral("t.qdb"));
    auto fixture = std::make_unique<test::SessionWindow>(prompter_);
    if (!fixture->window.Started()) return nullptr;
    fixture->window.show();
    return fixture;
  }

 private Q_SLOTS:
  void init() {
    folder_ = std::make_unique<test::GuiFolder>();
    prompter_ = test::ScriptedPrompter();
    prompter_.defaultAnswer = PromptResult::No;
  }
  void cleanup() { folder_.reset(); }

  void SearchesRunFromTheMenuAndFillTheirPages();
  void RerunAsksFirst();
  void APageWithoutResultRunsItsSearchWhenShown();
  void JumpLandsOnTheMemberRowFromAnyPage();
  void DetailTabsFollowTheFileList();
  void NothingElseRunsWhileASearchRuns();
  void ANewCatalogueInPlaceOfAnOldOneDropsItsResults();
};

void AnalysisWindowTest::SearchesRunFromTheMenuAndFillTheirPages() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  const QString caption = w.windowTitle();
  QVERIFY(w.S3->isVisible() && w.N44->isVisible());
  QVERIFY(!w.ToolButton46->isHidden() && !w.ToolButton60->isHidden());
  QCOMPARE(w.S3->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
  QCOMPARE(w.R1->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));
  QCOMPARE(w.L2->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));

  w.S3->trigger();
  QVERIFY(std::filesystem::exists(dupPath_));
  QVERIFY(!w.S3->isVisible());
  QVERIFY(w.ToolButton46->isHidden());
  QVERIFY(w.N44->isVisible());
  QCOMPARE(w.windowTitle(), caption);
  w.PageControl1->setCurrentWidget(w.TabSheet8);
  QCOMPARE(w.TabSheet8->GridView1->model()->rowCount(), 2);
  QCOMPARE(w.TabSheet8->Results->StatusPanel0->text(), QStringLiteral("2種類、4件の重複ファイル"));

  w.ToolButton60->click();
  QVERIFY(fixture->session.LikeStore().LikeResultsExist());
  QVERIFY(w.ToolButton60->isHidden());
  w.PageControl1->setCurrentWidget(w.TabSheet9);
  QCOMPARE(w.TabSheet9->GridView11->model()->rowCount(), 3);
  QVERIFY(prompter_.prompts.empty());
}

void AnalysisWindowTest::RerunAsksFirst() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  w.S3->trigger();
  QSignalSpy runs(&w.Analyses(), &AnalysisUi::RunningChanged);
  prompter_.answers = {PromptResult::No, PromptResult::Yes};
  w.R1->trigger();
  QCOMPARE(runs.count(), 0);
  w.R1->trigger();
  QCOMPARE(runs.count(), 2);
  QCOMPARE(prompter_.Messages(),
           QStringList(2, QStringLiteral("重複ファイルの再検索処理を行いますか？")));
  prompter_.answers = {PromptResult::Yes};
  w.L2->trigger();
  QCOMPARE(prompter_.Messages().last(),
           QStringLiteral("似たようなファイルの再検索処理を行いますか？"));
  QVERIFY(fixture->session.LikeStore().LikeResultsExist());
  QVERIFY(!w.N44->isVisible());
}

void AnalysisWindowTest::APageWithoutResultRunsItsSearchWhenShown() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  w.PageControl1->setCurrentWidget(w.TabSheet8);
  QVERIFY(std::filesystem::exists(dupPath_));
  QCOMPARE(w.TabSheet8->GridView1->model()->rowCount(), 2);
  QVERIFY(!w.S3->isVisible());
}

void AnalysisWindowTest::JumpLandsOnTheMemberRowFromAnyPage() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  w.S3->trigger();
  w.PageControl1->setCurrentWidget(w.TabSheet8);
  QTableView* groups = w.TabSheet8->GridView1;
  groups->selectRow(RowNamed(groups, 3, QStringLiteral("Report.txt")));
  QTableView* members = w.TabSheet8->GridView2;
  const int onM2 = RowNamed(members, 5, QStringLiteral("M2"));
  members->selectRow(onM2);
  QTest::mouseClick(w.TabSheet8->Results->cmdShow, Qt::LeftButton);
  MediaPage& media = w.Media();
  QCOMPARE(w.PageControl1->currentWidget(), static_cast<QWidget*>(w.TabSheet1));
  // M2 is filed under another category, but すべて shows it: the tab stays.
  QCOMPARE(media.TabControlTreeView->tabText(media.TabControlTreeView->currentIndex()),
           QStringLiteral("すべて"));
  QCOMPARE(media.TreeView1->currentItem()->text(0), QStringLiteral("M2"));
  QCOMPARE(SelectedListNames(w), QStringList{QStringLiteral("report.TXT")});
  // The media's paths were filled; the duplicate detail tab shows the group.
  QCOMPARE(Cell(members, onM2, 6), QStringLiteral("M2"));
  DetailPanel& detail = *media.Panel24;
  QCOMPARE(detail.PageControl3->currentWidget(), detail.TabSheet10);
  QCOMPARE(detail.GridView3->model()->rowCount(), 2);

  // From the detail grid to the other member, in a folder of the other media.
  const int onM1 = RowNamed(detail.GridView3, 5, QStringLiteral("M1"));
  detail.GridView3->selectRow(onM1);
  detail.PopupGridView3Show->trigger();
  QCOMPARE(media.TreeView1->currentItem()->text(0), QStringLiteral("docs"));
  QCOMPARE(SelectedListNames(w), QStringList{QStringLiteral("Report.txt")});
  QCOMPARE(detail.GridView3->selectionModel()->selectedRows().value(0).row(),
           detail.DupMembers().RowOfKey(ResultKey(0, 4)));
}

void AnalysisWindowTest::DetailTabsFollowTheFileList() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  w.S3->trigger();
  w.N44->trigger();
  MediaPage& media = w.Media();
  media.GoToPath(QStringLiteral("M1"));
  auto* list = w.findChild<QTableView*>(QStringLiteral("ListView1"));
  int row = -1;
  for (int r = 0; r < list->model()->rowCount(); ++r)
    if (list->model()->index(r, 0).data().toString() == QStringLiteral("memo_2024.txt")) row = r;
  list->selectRow(row);
  DetailPanel& detail = *media.Panel24;
  QCOMPARE(detail.GridView3->model()->rowCount(), 0);
  QCOMPARE(detail.TabControl1->count(), 2);
  QCOMPARE(detail.TabControl1->tabText(0), QStringLiteral("memo"));
  QCOMPARE(detail.Panel38->text(), QStringLiteral("2 件"));
  QCOMPARE(detail.GridView4->model()->rowCount(), 2);
  for (int r = 0; r < list->model()->rowCount(); ++r)
    if (list->model()->index(r, 0).data().toString() == QStringLiteral("a.txt")) row = r;
  list->selectRow(row);
  QCOMPARE(detail.GridView3->model()->rowCount(), 2);
  // A tree selection clears the whole panel.
  media.GoToPath(QStringLiteral("M1\\docs"));
  QCOMPARE(detail.GridView3->model()->rowCount(), 0);
  QCOMPARE(detail.TabControl1->count(), 1);
  QCOMPARE(detail.TabControl1->tabText(0), QStringLiteral("似たような"));
}

void AnalysisWindowTest::NothingElseRunsWhileASearchRuns() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  bool checked = false, stillOpen = false, dialogUp = false;
  auto during = [&] {
    checked = true;
    dialogUp = qobject_cast<TfrmDupSearch*>(QApplication::activeModalWidget()) != nullptr;
    w.close();
    stillOpen = w.isVisible();
    w.N25->trigger();        // open another catalogue
    w.ToolButton3->click();  // compact
    w.N44->trigger();        // the other search
  };
  connect(&w.Analyses(), &AnalysisUi::RunningChanged, this, [&](bool on) {
    if (on && !checked) QTimer::singleShot(0, during);
  });
  w.S3->trigger();
  QVERIFY(checked);
  QVERIFY(dialogUp);
  QVERIFY(stillOpen);
  QCOMPARE(prompter_.Log(),
           (QStringList{QStringLiteral("Message:処理中...\r\n処理が完了してから終了してください"),
                        QStringLiteral("Message:") + BusyRefusalText()}));
  QVERIFY(!fixture->session.LikeStore().LikeResultsExist());
  QVERIFY(!fixture->session.Busy());
}

void AnalysisWindowTest::ANewCatalogueInPlaceOfAnOldOneDropsItsResults() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  w.S3->trigger();
  w.PageControl1->setCurrentWidget(w.TabSheet8);
  QCOMPARE(w.TabSheet8->GridView1->model()->rowCount(), 2);
  w.PageControl1->setCurrentWidget(w.TabSheet1);
  prompter_.paths = {QString::fromStdString(folder_->File("t.qdb"))};
  prompter_.answers = {PromptResult::Yes};  // replace the file
  w.ToolButton2->click();
  QVERIFY(!std::filesystem::exists(dupPath_));
  QVERIFY(w.S3->isVisible());
  QCOMPARE(w.TabSheet8->GridView1->model()->rowCount(), 0);
}

QTEST_MAIN(AnalysisWindowTest)
#include "AnalysisWindowTest.moc"
