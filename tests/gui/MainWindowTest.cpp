// The main window driven through its controls: start-up and catalogue choice,
// reading a folder, browsing with the history, the property rows of a
// folder, deleting and compacting, and the close refusal while busy. Every
// prompt is answered by a scripted prompter; nothing ever waits for a person.

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <deque>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <utility>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "analysis/AnalysisControl.h"
#include "browse/BrowseHistory.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "plomix/Version.h"
#include "reading/Drives.h"
#include "reading/ReadRequest.h"
#include "support/MediaBuilder.h"
#include "ui/DupPage.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/MediaPage.h"
#include "ui/PropertyPanel.h"
#include "ui/PxMain.h"
#include "ui/SearchPage.h"
#include "ui/Session.h"
#include "ui/compare/PxChangeReport.h"

using namespace plomix;

namespace {
// The window's questions are answered No unless a test scripts otherwise.
struct ScriptedPrompter : test::ScriptedPrompter {
  ScriptedPrompter() { defaultAnswer = PromptResult::No; }
};
}  // namespace

namespace {

QStringList ChildTexts(QTreeWidgetItem* item) {
  QStringList texts;
  for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
  return texts;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  QString Path(const QString& name) const { return folder_->Path(name); }
  // A window on a catalogue holding one media 保存用 made from a small folder:
  // 資料\ (報告書.txt 2048 B, 旧版\ (a.txt)), 単独.bin 10 B. WindowWithMedia
  // stores it through the engine; WindowAfterRead reads it through the
  // window's read command, for the tests of the read and of what follows it
  // (`beforeRead` sees the window once it has started).
  std::unique_ptr<test::SessionWindow> WindowWithMedia(ScriptedPrompter& prompter);
  std::unique_ptr<test::SessionWindow> WindowAfterRead(
      ScriptedPrompter& prompter, const std::function<void(test::SessionWindow&)>& beforeRead = {});
  Settings FreshSettings() const { return folder_->FreshSettings(); }

 private Q_SLOTS:
  void init() { folder_ = std::make_unique<test::GuiFolder>(); }
  void cleanup() { folder_.reset(); }

  void FirstStartCreatesTheCatalogueNamedInTheDialog();
  void StartWithHistoryOpensWithoutDialogAndCancelEnds();
  void ReadFolderAppearsInTreeAndList();
  void HistoryGoesBackAndForward();
  void FolderNodeShowsItsPropertyRows();
  void DeleteThenCompactUpdatesTheButton();
  void DeleteNeverTakesAMediaAnotherProgramMovedIn();
  void UpdateReadsTheSelectedMediaAgainKeepingItsComments();
  void CloseIsRefusedWhileBusy();
  void AnalysisQuestionAfterAChangeComesWhileBusy();
  void CommandsWhileBusyOrLoadingSayWhyOrWait();
  void WritesOfAnotherProgramShowWhenTheWindowLooksAgain();
  void GeometryComesBackAsSaved();
  void KeysActAsOnTheDesktop();
  void PropertyCommandRunsOncePerClick();
};

std::unique_ptr<test::SessionWindow> MainWindowTest::WindowWithMedia(ScriptedPrompter& prompter) {
  return test::WindowWithStoredMedia(prompter, *folder_, test::Sj("保存用"));
}

std::unique_ptr<test::SessionWindow> MainWindowTest::WindowAfterRead(
    ScriptedPrompter& prompter, const std::function<void(test::SessionWindow&)>& beforeRead) {
  if (!test::MakeSampleMediaFolder(Path("media"))) return nullptr;
  return test::WindowWithReadMedia(
      prompter, {Path("cat.qdb"), Path("media"), test::Sj("保存用"), {}, beforeRead});
}

void MainWindowTest::FirstStartCreatesTheCatalogueNamedInTheDialog() {
  ScriptedPrompter prompter;
  prompter.paths.push_back(Path("新しい目録"));
  test::SessionWindow fixture(prompter);
  TfrmMain& window = fixture.window;
  QVERIFY(window.Started());
  QCOMPARE(prompter.Log().value(0), QStringLiteral("OpenFile:◆メディア管理DBファイルの作成"));
  const QString created = Path("新しい目録.qdb");
  QVERIFY(QFile::exists(created));
  QCOMPARE(FreshSettings().GetString(REG_OpenHist01), created);
  window.show();
  QCOMPARE(window.windowTitle(), QStringLiteral("Plomix2  [Ver.%1]").arg(PLOMIX_VERSION_TEXT));
  // The default size shows the file list's toolbar whole (no overflow button).
  QTest::qWait(50);
  const auto* extension = window.Media().pnlListViewClient->ToolBar3->findChild<QWidget*>(
      QStringLiteral("qt_toolbar_ext_button"));
  QVERIFY(extension == nullptr || !extension->isVisible());
  // An empty catalogue: only the media page with its standard page.
  QVERIFY(!window.PageControl1->isTabVisible(1));
  QVERIFY(!window.Media().PageControl2->isTabVisible(2));
  QCOMPARE(window.Media().TreeView1->topLevelItem(0)->childCount(), 0);
}

void MainWindowTest::StartWithHistoryOpensWithoutDialogAndCancelEnds() {
  {
    Catalog catalog;
    QVERIFY(catalog.CreateCatalog(Path("old.qdb").toStdString()));
  }
  {
    Settings settings = FreshSettings();
    settings.SetString(REG_OpenHist01, Path("old.qdb"));
    settings.SetString(REG_OpenHist02, Path("other.qdb"));
    // The history file is gone but its magnitude was kept at the last close.
    settings.SetInt(REG_HistListBefor, 3000005);
  }
  ScriptedPrompter prompter;
  test::SessionWindow fixture(prompter);
  QVERIFY(fixture.window.Started());
  QVERIFY2(prompter.Log().isEmpty(), qPrintable(prompter.Log().join('|')));
  QCOMPARE(FreshSettings().GetString(REG_OpenHist02), Path("other.qdb"));
  QCOMPARE(fixture.session.History().Count(), 0);
  QCOMPARE(fixture.session.History().LastMagnitude(), 3000005);

  // The last catalogue is gone and the user cancels: the program ends.
  QFile::remove(Path("old.qdb"));
  ScriptedPrompter cancelling;
  test::SessionWindow ended(cancelling);
  QVERIFY(!ended.window.Started());
  QVERIFY(cancelling.Log().value(0).startsWith(
      QStringLiteral("OpenFile:◆最後に開いたメディア管理DBファイルが存在しません")));
}

void MainWindowTest::ReadFolderAppearsInTreeAndList() {
  ScriptedPrompter prompter;
  auto fixture = WindowAfterRead(prompter);
  QVERIFY(fixture != nullptr);
  TfrmMain* window = &fixture->window;
  MediaPage* media = window->TabSheet1;
  QTreeWidgetItem* top = media->TreeView1->topLevelItem(0);
  QCOMPARE(ChildTexts(top), QStringList{QStringLiteral("保存用")});
  auto* list = window->findChild<QTableView*>("ListView1");
  QVERIFY(list != nullptr);
  QCOMPARE(list->model()->rowCount(), 1);
  QCOMPARE(list->model()->data(list->model()->index(0, 0)).toString(), QStringLiteral("保存用"));
  QCOMPARE(list->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("空きサイズ"));
  // The media node lists folders before files; the folder shows its expand
  // button before it was ever expanded.
  QTreeWidgetItem* mediaNode = top->child(0);
  media->TreeView1->setCurrentItem(mediaNode);
  QCOMPARE(list->model()->rowCount(), 2);
  QCOMPARE(list->model()->data(list->model()->index(0, 0)).toString(), QStringLiteral("資料"));
  QCOMPARE(list->model()->data(list->model()->index(1, 0)).toString(), QStringLiteral("単独.bin"));
  QCOMPARE(list->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Version"));
  QCOMPARE(mediaNode->child(0)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  QCOMPARE(window->ToolButton3->isEnabled(), false);
}

void MainWindowTest::HistoryGoesBackAndForward() {
  ScriptedPrompter prompter;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture != nullptr);
  TfrmMain* window = &fixture->window;
  MediaPage* media = window->TabSheet1;
  window->show();
  QTreeWidgetItem* top = media->TreeView1->topLevelItem(0);
  // A history started afresh, as after a read.
  media->ResetHistory();
  media->TreeView1->setCurrentItem(top->child(0));
  media->GoToPath(QStringLiteral("保存用\\資料\\旧版"));
  QCOMPARE(media->TreeView1->currentItem()->text(0), QStringLiteral("旧版"));
  QTest::mouseClick(media->pnlListViewClient->ToolButton61, Qt::LeftButton);
  QCOMPARE(media->TreeView1->currentItem()->text(0), QStringLiteral("資料"));
  QVERIFY(
      media->pnlListViewClient->ToolButton62->toolTip().startsWith(QStringLiteral("進む[1] 旧版")));
  QTest::mouseClick(media->pnlListViewClient->ToolButton61, Qt::LeftButton);
  QCOMPARE(media->TreeView1->currentItem()->text(0), QStringLiteral("保存用"));
  QTest::mouseClick(media->pnlListViewClient->ToolButton62, Qt::LeftButton);
  QTest::mouseClick(media->pnlListViewClient->ToolButton62, Qt::LeftButton);
  QCOMPARE(media->TreeView1->currentItem()->text(0), QStringLiteral("旧版"));
  QCOMPARE(media->pnlListViewClient->ToolButton62->toolTip(), QStringLiteral("進む[0]"));
  // At the end a click changes nothing.
  QTest::mouseClick(media->pnlListViewClient->ToolButton62, Qt::LeftButton);
  QCOMPARE(media->TreeView1->currentItem()->text(0), QStringLiteral("旧版"));

  // A move keeps すべて, which shows the entry's media too (the user's tab is
  // left alone). Selecting a folder row and opening it records one entry.
  QCOMPARE(media->TabControlTreeView->tabText(media->TabControlTreeView->currentIndex()),
           QStringLiteral("すべて"));

  media->TreeView1->setCurrentItem(media->TopNode()->child(0));
  const int before = fixture->session.History().Count();
  auto* list = window->findChild<QTableView*>("ListView1");
  list->selectRow(0);
  media->ListView1DblClick();
  QCOMPARE(media->TreeView1->currentItem()->text(0), QStringLiteral("資料"));
  QCOMPARE(fixture->session.History().Count(), before + 1);
}

void MainWindowTest::FolderNodeShowsItsPropertyRows() {
  ScriptedPrompter prompter;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture != nullptr);
  TfrmMain* window = &fixture->window;
  MediaPage* media = window->TabSheet1;
  media->GoToPath(QStringLiteral("保存用\\資料"));
  const PropertySheet& sheet = media->Properties();
  QCOMPARE(sheet.kind, PropertyKind::FolderNode);
  QCOMPARE(media->pnlListViewLeft->ListView3->topLevelItemCount(), 10);
  const QStringList items = {"ﾊﾟｽ名",
                             "直下の総ﾌｫﾙﾀﾞ数",
                             "直下の総ﾌｧｲﾙ数",
                             "配下の総ﾌｫﾙﾀﾞ数",
                             "配下の総ﾌｧｲﾙ数",
                             "配下の総ﾌｧｲﾙｻｲｽﾞ",
                             "配下の総ｸﾗｽﾀｷﾞｬｯﾌﾟ",
                             "配下の総ｸﾗｽﾀｻｲｽﾞ",
                             "その他の総ｸﾗｽﾀｻｲｽﾞ",
                             "ﾒﾃﾞｨｱの空きｻｲｽﾞ"};
  for (int i = 0; i < items.size(); ++i)
    QCOMPARE(media->pnlListViewLeft->ListView3->topLevelItem(i)->text(0), items[i]);
  auto value = [&](int row) {
    return media->pnlListViewLeft->ListView3->topLevelItem(row)->text(1);
  };
  QCOMPARE(value(0), QStringLiteral("保存用\\資料"));
  QCOMPARE(value(1), QStringLiteral("1"));
  QCOMPARE(value(2), QStringLiteral("1"));
  QCOMPARE(value(4), QStringLiteral("2"));
  QCOMPARE(value(5), QStringLiteral("2,049 Byte"));
  QCOMPARE(media->pnlListViewLeft->lblListViewName->text(), QStringLiteral("資料"));
  QVERIFY(!media->pnlListViewLeft->pnlMediaReLoad->isVisible());
  QCOMPARE(window->findChild<QLabel*>("StatusBar1Panel1")->text(), QStringLiteral("保存用\\資料"));
  // A file row and the folder row together: several rows.
  auto* list = window->findChild<QTableView*>("ListView1");
  media->TreeView1->setCurrentItem(media->TreeView1->currentItem()->parent());
  list->selectAll();
  QCOMPARE(media->Properties().kind, PropertyKind::Rows);
  QCOMPARE(media->Properties().rows.back().value, QStringLiteral("3"));  // 2 below + 1 file
}

void MainWindowTest::DeleteThenCompactUpdatesTheButton() {
  ScriptedPrompter prompter;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture != nullptr);
  TfrmMain* window = &fixture->window;
  MediaPage* media = window->TabSheet1;
  // The top node names no media.
  media->TreeView1->setCurrentItem(media->TreeView1->topLevelItem(0));
  QTest::mouseClick(media->ToolButton7, Qt::LeftButton);
  QCOMPARE(prompter.Log().last(), QStringLiteral("Message:削除するメディアが不明です"));

  media->GoToPath(QStringLiteral("保存用\\資料"));
  prompter.answers = {PromptResult::Yes};
  QTest::mouseClick(media->ToolButton7, Qt::LeftButton);
  QVERIFY(prompter.Log().contains(
      QStringLiteral("Message:下記のメディア情報を削除しますか？\r\n\r\n保存用")));
  QCOMPARE(media->TreeView1->topLevelItem(0)->childCount(), 0);
  QVERIFY(window->ToolButton3->isEnabled());
  QCOMPARE(window->ToolButton3->toolTip(), QStringLiteral("DB最適化(削除済みメディア数=1)"));
  QCOMPARE(fixture->session.History().Count(), 1);

  QTest::mouseClick(window->ToolButton3, Qt::LeftButton);
  QVERIFY(!window->ToolButton3->isEnabled());
  QCOMPARE(window->ToolButton3->toolTip(), QStringLiteral("DB最適化"));
  QCOMPARE(fixture->session.GetCatalog().SlotsUsed(), 0);
}

void MainWindowTest::UpdateReadsTheSelectedMediaAgainKeepingItsComments() {
  ScriptedPrompter prompter;
  auto fixture = WindowAfterRead(prompter);
  QVERIFY(fixture != nullptr);
  TfrmMain* window = &fixture->window;
  MediaPage* media = window->TabSheet1;
  Catalog& catalog = fixture->session.GetCatalog();
  const auto recordOf = [&](const std::string& shown) {
    if (!catalog.LoadMedia(0)) return -1;
    for (int r = 0; r < catalog.LoadedCount(); ++r)
      if (catalog.ShownRecordName(r) == shown) return r;
    return -1;
  };
  const int report = recordOf("報告書.txt");
  QVERIFY(report > 0);
  QVERIFY(catalog.AddComment(MakeKey(0, report), test::Sj("下書き"), kKindFile,
                             catalog.RecordName(report)) >= 0);
  QCOMPARE(catalog.SetMark(Catalog::MarkChange::Set, MakeKey(0, report)), 1);
  // The top node names no media.
  media->TreeView1->setCurrentItem(media->TreeView1->topLevelItem(0));
  QVERIFY(!window->CanUpdateMedia());

  QFile grown(Path("media/資料/報告書.txt"));
  QVERIFY(grown.open(QIODevice::WriteOnly) && grown.write(QByteArray(4096, 'y')) == 4096);
  grown.close();
  QFile added(Path("media/新規.txt"));
  QVERIFY(added.open(QIODevice::WriteOnly));
  added.close();
  media->GoToPath(QStringLiteral("保存用"));
  QVERIFY(window->CanUpdateMedia());
  // The change report comes up once the update is stored.
  QString counts;
  QTimer watch;
  watch.setInterval(20);
  connect(&watch, &QTimer::timeout, [&] {
    if (auto* d = dynamic_cast<TfrmChangeReport*>(QApplication::activeModalWidget())) {
      counts = d->lblCounts->text();
      d->accept();
    }
  });
  watch.start();
  window->N32->trigger();
  watch.stop();
  QCOMPARE(counts, QStringLiteral("追加 1 / 削除 0 / 変更 1"));
  QCOMPARE(catalog.MediaCount(), 1);
  QCOMPARE(text::Cp932ToQString(catalog.Slot(0).Name()), QStringLiteral("保存用"));
  const int now = recordOf("報告書.txt");
  QVERIFY(now > 0);
  QVERIFY(recordOf("新規.txt") > 0);
  QCOMPARE(catalog.LoadedRec(now).Size(), 4096.0);
  QCOMPARE(catalog.LoadedRec(now).Mark(), uint8_t{1});
  QVERIFY(catalog.CommentText(catalog.LoadedRec(now).CommentNo()) == test::Sj("下書き"));
  QCOMPARE(media->TreeView1->topLevelItem(0)->childCount(), 1);
}

void MainWindowTest::DeleteNeverTakesAMediaAnotherProgramMovedIn() {
  ScriptedPrompter prompter;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture != nullptr);
  TfrmMain* window = &fixture->window;
  MediaPage* media = window->TabSheet1;
  const std::string path = Path("cat.qdb").toStdString();
  media->GoToPath(QStringLiteral("保存用\\資料"));
  prompter.answers = {PromptResult::Yes};
  bool moved = false;
  prompter.onAsk = [&] {
    if (std::exchange(moved, true)) return;
    // While the question is open another program deletes the media, adds
    // another and compacts, so the other one lands in its slot; the window
    // reads the catalogue again when it is active once more.
    Catalog other;
    TMediaInfomation info = test::InfoFor();
    if (!other.OpenCatalog(path) || !other.AddMedia(test::FlatMedia("Other", 2), info)) return;
    other.DeleteMedia(0);
    other.CompactCatalog();
    window->ReloadIfChangedOnDisk();
  };
  QTest::mouseClick(media->ToolButton7, Qt::LeftButton);
  QVERIFY(prompter.Messages().contains(
      QStringLiteral("メディアは他のプログラムによって変更されました。表示を更新してください。")));
  Catalog disk;
  QVERIFY(disk.OpenCatalog(path));
  QCOMPARE(disk.MediaCount(), 1);
  QCOMPARE(disk.Slot(0).Name(), std::string("Other"));
  QCOMPARE(media->TreeView1->topLevelItem(0)->child(0)->text(0), QStringLiteral("Other"));
}

void MainWindowTest::CloseIsRefusedWhileBusy() {
  ScriptedPrompter prompter;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture != nullptr);
  TfrmMain* window = &fixture->window;
  MediaPage* media = window->TabSheet1;
  window->show();
  media->GoToPath(QStringLiteral("保存用\\資料"));
  {
    const BusyScope busy = fixture->session.MarkBusy();
    QVERIFY(!window->close());
  }
  QCOMPARE(prompter.Log().last(),
           QStringLiteral("Message:処理中...\r\n処理が完了してから終了してください"));
  QCOMPARE(FreshSettings().GetInt(REG_HistListBefor), 0);
  // Closing from another page still keeps the detail panel's height.
  FreshSettings().SetInt(REG_MainDupPanelHeight, 0);
  window->PageControl1->setCurrentWidget(window->TabSheet2);
  QVERIFY(window->close());
  // The window state and the history were saved.
  Settings settings = FreshSettings();
  QVERIFY(settings.GetInt(REG_MainTreeViewWidth) >= 200);
  QVERIFY(settings.GetInt(REG_MainDupPanelHeight) > 0);
  QVERIFY(settings.GetInt(REG_HistListBefor) != 0);
  QVERIFY(QFile::exists(HistoryFilePath()));
  BrowseHistory saved;
  QVERIFY(saved.Load(HistoryFilePath(), 1));
  QVERIFY(saved.Count() <= 5);
  const std::string last = saved.Line(saved.Count() - 1);
  QVERIFY(last.starts_with("-"));
  QVERIFY(last.ends_with("," + test::Sj("資料")));
}

void MainWindowTest::AnalysisQuestionAfterAChangeComesWhileBusy() {
  // The question after the read is asked while the window is still busy:
  // closing, and opening another catalogue, wait until it is answered.
  ScriptedPrompter prompter;
  QStringList seen;
  test::SessionWindow* current = nullptr;
  prompter.onAsk = [&] {
    if (current == nullptr || !prompter.prompts.back().text.contains(QStringLiteral("検索処理")))
      return;
    seen << (current->session.Busy() ? "busy" : "free");
    QVERIFY(!current->window.close());
    QVERIFY(prompter.prompts.back().text.startsWith(QStringLiteral("処理中...")));
    const auto before = prompter.prompts.size();
    current->window.ToolButton1Click();  // would ask for a file: says why it cannot
    QCOMPARE(prompter.prompts.size(), before + 1);
    QCOMPARE(prompter.prompts.back().text, BusyRefusalText());
  };
  auto fixture =
      WindowAfterRead(prompter, [&](test::SessionWindow& started) { current = &started; });
  QVERIFY(fixture != nullptr);
  QCOMPARE(seen, QStringList{"busy"});
  QVERIFY(!fixture->session.Busy());

  // A command that throws while busy leaves the window free again.
  try {
    const BusyScope busy = fixture->session.MarkBusy();
    throw std::runtime_error("write failed");
  } catch (const std::runtime_error&) {
  }
  QVERIFY(fixture->session.CanChangeCatalogue());
}

// A command started while another runs says why nothing happens; reading
// and deleting while stored results load wait for the load and go on.
void MainWindowTest::CommandsWhileBusyOrLoadingSayWhyOrWait() {
  ScriptedPrompter prompter;
  {
    auto fixture = WindowWithMedia(prompter);
    QVERIFY(fixture != nullptr);
    MediaPage* media = fixture->window.TabSheet1;
    media->GoToPath(QStringLiteral("保存用\\資料"));
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"category", [&] { media->ToolButton52->click(); }},
        {"comment", [&] { media->pnlListViewClient->ToolButton37->click(); }},
        {"drive", [&] { media->C3Click(); }},
        {"delete", [&] { fixture->window.ToolButton7Click(); }},
    };
    for (const auto& [name, run] : commands) {
      prompter.prompts.clear();
      const BusyScope busy = fixture->session.MarkBusy();
      run();
      QVERIFY2(prompter.Log() == QStringList{QStringLiteral("Message:") + BusyRefusalText()}, name);
    }
    QVERIFY(fixture->session.Analysis().RunAnalysis(AnalysisMode::Duplicate));
  }
  // Started again on the catalogue with its results: they load while the
  // user deletes; the question comes once the load is done.
  prompter.prompts.clear();
  prompter.answers = {PromptResult::No};
  test::SessionWindow again(prompter);
  QVERIFY(again.window.Started());
  QVERIFY(again.session.Analysis().AnyLoading());
  again.window.TabSheet1->GoToPath(QStringLiteral("保存用"));
  again.window.ToolButton7Click();
  QVERIFY(!again.session.Analysis().AnyLoading());
  QVERIFY(prompter.Log().value(0).startsWith(
      QStringLiteral("Message:下記のメディア情報を削除しますか")));
  QVERIFY(again.window.PageControl1->isTabVisible(
      again.window.PageControl1->indexOf(again.window.TabSheet8)));
  QCoreApplication::processEvents();  // the loader's own completion finds nothing left to do
  QCOMPARE(again.session.Analysis().State(AnalysisMode::Duplicate), ResultState::Loaded);
}

void MainWindowTest::GeometryComesBackAsSaved() {
  {
    Catalog catalog;
    QVERIFY(catalog.CreateCatalog(Path("geo.qdb").toStdString()));
  }
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    const char* what;
    int top, left, height, width;
    const char* maximised;
    QRect expected;  // an empty place: centred on the screen
    bool maximisedAfter;
  };
  const Case cases[] = {
      {"placed", 40, 60, 580, 760, "0", QRect(60, 40, 760, 580), false},
      // A desktop that places windows itself reports 0,0: the size still holds.
      {"at 0,0", 0, 0, 590, 700, "0", QRect(0, 0, 700, 590), false},
      {"never saved", 0, 0, 0, 0, "", QRect(0, 0, 883, 592), false},
      {"larger than the screen", 10, 10, 5000, 9000, "0", QRect(10, 10, 0, 0), false},
      {"maximised", 30, 20, 570, 740, "1", QRect(20, 30, 740, 570), true},
  };
  for (const Case& c : cases) {
    {
      Settings settings = FreshSettings();
      settings.SetString(REG_OpenHist01, Path("geo.qdb"));
      settings.SetInt(REG_MainFrameTop, c.top);
      settings.SetInt(REG_MainFrameLeft, c.left);
      settings.SetInt(REG_MainFrameHeight, c.height);
      settings.SetInt(REG_MainFrameWidth, c.width);
      settings.SetRaw(QStringLiteral("Window/Maximized"), QString::fromLatin1(c.maximised));
    }
    ScriptedPrompter prompter;
    test::SessionWindow fixture(prompter);
    TfrmMain& window = fixture.window;
    QVERIFY2(window.Started(), c.what);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.isMaximized(), c.maximisedAfter);
    // Places are the frame's (what the window system is asked for), sizes
    // the inside's.
    const QRect normal = c.maximisedAfter
                             ? QRect(c.expected.topLeft(), window.normalGeometry().size())
                             : QRect(window.pos(), window.size());
    // Brought onto the screen; never below what the window's layout needs.
    QSize size = c.expected.size();
    if (size.isEmpty()) size = screen.size();
    size = size.boundedTo(c.height > 0 ? screen.size() : size).expandedTo(window.minimumSizeHint());
    // Never saved: at least the default, wider when the list's toolbar needs it.
    if (c.height == 0) size.setWidth(std::max(size.width(), normal.width()));
    QVERIFY2(normal.size() == size,
             qPrintable(
                 QStringLiteral("%1: %2x%3").arg(c.what).arg(normal.width()).arg(normal.height())));
    if (c.top > 0 && c.left > 0) {
      QCOMPARE(normal.topLeft(), c.expected.topLeft());
    } else {
      QVERIFY2((normal.center() - screen.center()).manhattanLength() <= 2, c.what);
    }
    // Closing keeps the normal size and place and whether it was maximised.
    QVERIFY(window.close());
    Settings settings = FreshSettings();
    QCOMPARE(settings.GetInt(REG_MainFrameWidth), normal.width());
    QCOMPARE(settings.GetInt(REG_MainFrameHeight), normal.height());
    QCOMPARE(settings.GetInt(REG_MainFrameLeft), normal.left());
    QCOMPARE(settings.GetInt(REG_MainFrameTop), normal.top());
    QCOMPARE(settings.GetRaw(QStringLiteral("Window/Maximized")),
             c.maximisedAfter ? QStringLiteral("1") : QStringLiteral("0"));
  }
}

QTEST_MAIN(MainWindowTest)

void MainWindowTest::WritesOfAnotherProgramShowWhenTheWindowLooksAgain() {
  ScriptedPrompter prompter;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture);
  TfrmMain& window = fixture->window;
  QVERIFY(!window.ReloadIfChangedOnDisk());
  {
    // The command-line tool renames the media while the window is open.
    Catalog other;
    QVERIFY(other.OpenCatalog(Path("cat.qdb").toStdString()));
    QVERIFY(other.RenameMedia(0, test::Sj("別名")) > 0);
  }
  QVERIFY(window.ReloadIfChangedOnDisk());
  QTreeWidgetItem* top = window.Media().TreeView1->topLevelItem(0);
  QCOMPARE(top->childCount(), 1);
  QCOMPARE(top->child(0)->text(0), QStringLiteral("別名"));
  QVERIFY(!window.ReloadIfChangedOnDisk());
}

void MainWindowTest::KeysActAsOnTheDesktop() {
  ScriptedPrompter prompter;
  auto fixture = WindowWithMedia(prompter);
  QVERIFY(fixture != nullptr);
  TfrmMain& window = fixture->window;
  MediaPage* media = window.TabSheet1;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  media->TreeView1->setCurrentItem(media->TreeView1->topLevelItem(0)->child(0));
  auto* list = window.findChild<QTableView*>("ListView1");
  list->selectRow(1);  // 単独.bin
  QWidget* textBox = media->pnlListViewClient->txtComment;
  QSignalSpy quit(window.N28, &QAction::triggered);
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QString untouched = QStringLiteral("untouched");
  struct Case {
    const char* what;
    QWidget* focus;
    int key;
    QString clipboard;  // what the clipboard holds afterwards (among other lines)
    int quits;          // how often 終了 has run by then
  };
  const Case cases[] = {
      {"Ctrl+C in a text box is the box's own copy", textBox, Qt::Key_C, untouched, 0},
      {"Ctrl+X outside a text box does nothing", list, Qt::Key_X, untouched, 0},
      {"Ctrl+C in the list copies the selection", list, Qt::Key_C, QStringLiteral("単独.bin"), 0},
      {"Ctrl+Q in a text box ends the program", textBox, Qt::Key_Q, QString(), 1},
  };
  for (const Case& c : cases) {
    clipboard->setText(untouched);
    c.focus->setFocus();
    QTest::keyClick(c.focus, static_cast<Qt::Key>(c.key), Qt::ControlModifier);
    if (!c.clipboard.isEmpty())
      QVERIFY2(clipboard->text().contains(c.clipboard),
               qPrintable(QString::fromUtf8(c.what) + ": " + clipboard->text()));
    QVERIFY2(quit.count() == c.quits, c.what);
  }
}

// The property panel's menu item and toolbar button run the one command once
// each: with settings that cannot be written, every run reports it once.
void MainWindowTest::PropertyCommandRunsOncePerClick() {
  ScriptedPrompter prompter;
  prompter.paths.push_back(Path("cat.qdb"));
  test::SessionWindow fixture(prompter);
  QVERIFY(fixture.window.Started());
  fixture.window.show();
  FileListPanel* list = fixture.window.Media().pnlListViewClient;
  PropertyPanel* properties = fixture.window.Media().pnlListViewLeft;
  // A file where the settings' folder belongs: no setting can be written.
  const QString folder = Path("config/Quernfield");
  QVERIFY(QDir(folder).removeRecursively());
  QFile blocker(folder);
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const std::pair<const char*, std::function<void()>> clicks[] = {
      {"menu item", [&] { list->N10->trigger(); }},
      {"button", [&] { QTest::mouseClick(list->ToolButton14, Qt::LeftButton); }},
      {"menu item again", [&] { list->N10->trigger(); }},
  };
  for (const auto& [what, click] : clicks) {
    const bool wasShown = properties->isVisible();
    prompter.prompts.clear();
    click();
    QVERIFY2(properties->isVisible() != wasShown, what);
    QVERIFY2(list->ToolButton14->isChecked() == !wasShown, what);
    QVERIFY2(list->N10->isChecked() == !wasShown, what);
    QVERIFY2(prompter.Messages().size() == 1, qPrintable(prompter.Log().join('|')));
  }
}

#include "MainWindowTest.moc"
