// The analysis views driven through their widgets on a small real catalogue:
// the progress dialog, the copy dialog's exact output per mode, the result
// pages (groups, members, sort, name search, paths), the detail panel under
// the file list, the re-run question and the commands refused during a run,
// and damaged, foreign and newer result files. Prompts are scripted.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "analysis/AnalysisControl.h"
#include "analysis/AnalysisFixture.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "export/Clipboard.h"
#include "ui/AnalysisUi.h"
#include "ui/DetailPanel.h"
#include "ui/ImageList.h"
#include "ui/ResultGroupModel.h"
#include "ui/ResultMemberModel.h"
#include "ui/ResultPage.h"
#include "ui/analysis/PxDupSearch.h"
#include "ui/analysis/PxDupSubClipbord.h"

using namespace plomix;
using test::Sj;

Q_DECLARE_METATYPE(plomix::MemberJump)

namespace {

struct RecordingClipboard : Clipboard {
  std::string text;
  int calls = 0;
  void SetText(const QString& given) override {
    text = text::QStringToCp932(given);
    ++calls;
  }
};

QString U(const std::string& cp932) {
  return text::Cp932ToQString(cp932);
}

// 2024/01/31 09:30:00 packed.
constexpr int32_t kDate = (44 << 25) | (1 << 21) | (31 << 16) | (9 << 11) | (30 << 5);

QString Cell(const QTableView* grid, int row, int column) {
  return grid->model()->index(row, column).data().toString();
}

// Everything the views need, on a catalogue of two media:
//   M1 (写真): docs\ (Report.txt 2048 B, IMG_1.jpg), a.txt, memo_2024.txt
//   M2 (音楽): report.TXT, A.TXT, memo_draft.txt
struct Views {
  test::TempDir dir;
  Settings settings{QString::fromStdString(dir.File("config"))};
  Catalog catalog;
  DupResultStore dup{&catalog};
  LikeResultStore like{&catalog};
  test::ScriptedPrompter prompter;
  std::unique_ptr<AnalysisControl> control;
  ImageList images;
  QWidget window;
  ResultPage* dupPage = nullptr;
  ResultPage* likePage = nullptr;
  DetailPanel* detail = nullptr;
  std::unique_ptr<AnalysisUi> ui;
  RecordingClipboard clipboard;

  Views() {
    prompter.defaultAnswer = PromptResult::No;
    window.setWindowTitle(QStringLiteral("Plomix2"));
    if (!catalog.CreateCatalog(dir.File("t.qdb")) ||
        !test::AddMediaIn(catalog, "M1", "写真",
                          {{"docs", 0, 0, true},
                           {"a.txt", 10, kDate},
                           {"memo_2024.txt", 5},
                           {"Report.txt", 2048, kDate, false, 1},
                           {"IMG_1.jpg", 7, 0, false, 1}}) ||
        !test::AddMediaIn(catalog, "M2", "音楽",
                          {{"report.TXT", 300}, {"A.TXT", 20}, {"memo_draft.txt", 1}}))
      qFatal("test catalogue not made");
    control = std::make_unique<AnalysisControl>(catalog, dup, like, settings, prompter);
    control->CatalogOpened();
    dupPage =
        new ResultPage(AnalysisMode::Duplicate, dup, catalog, settings, prompter, images, &window);
    likePage =
        new ResultPage(AnalysisMode::Similar, like, catalog, settings, prompter, images, &window);
    detail = new DetailPanel(catalog, settings, *control, dup, like, images, &window);
    ui = std::make_unique<AnalysisUi>(catalog, settings, prompter, *control, dup, like, &window);
    ui->SetViews(dupPage, likePage, detail);
    ui->SetClipboard(&clipboard);
    window.show();
  }
  std::string CatalogBytes() const {
    const auto bytes = test::ReadFileBytes(dir.File("t.qdb"));
    return std::string(bytes.begin(), bytes.end());
  }
  // Reopens the stored results as the window does after opening a catalogue.
  void ReloadResults() {
    control->CatalogOpened();
    ui->ClearAll();
    for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar})
      if (control->StartResultLoader(mode))
        ui->ResultLoaded(mode, control->WaitForResultLoad(mode));
  }
};

DetailRow Row(int64_t no, const char* name, double size, const char* category) {
  DetailRow row;
  row.key = static_cast<int32_t>(no);
  row.no = no;
  row.name = Sj(name);
  row.dateText = "2024/01/31 09:30";
  row.size = size;
  row.media = Sj("ディスク\"1\"");
  row.category = Sj(category);
  row.location = "L";
  row.locationDetail = "7";
  return row;
}

}  // namespace

class AnalysisViewsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void SearchDialogShowsProgressAndCannotBeCancelled();
  void CopyDialogWritesTheExactTextOfEachMode();
  void CopyDialogKeepsItsColumnChoiceWhileTheModeStays();
  void MemberGridSortsEveryColumnIgnoringCase();
  void DuplicatePageShowsGroupsMembersAndPaths();
  void NameSearchWrapsAndReportsMisses();
  void RunIsModalAndRefusesOtherCommands();
  void RerunQuestionDecides();
  void PageOfAMissingResultRunsTheSearchFirst();
  void DetailPanelFollowsTheSelectedFile();
  void JumpNamesTheFolderOfTheMember();
  void DamagedForeignAndNewerResultsShowWhatIsSound();
  void GroupOfOneHundredThousandMembers();
  void SimilarPageHidesWordsOfDigitsOnly();
};

void AnalysisViewsTest::SearchDialogShowsProgressAndCannotBeCancelled() {
  TfrmDupSearch dialog;
  dialog.Prepare(AnalysisMode::Similar);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("似たようなファイルの検索中"));
  QCOMPARE(dialog.Label6->text(), QStringLiteral("件の似たようなファイルを検出"));
  QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
  bool visible = false, survivedCancel = false;
  QString media, counters, sorting;
  dialog.RunModal([&](const AnalysisProgress& progress) {
    visible = dialog.isVisible();
    progress({AnalysisEvent::Kind::Media, Sj("検索中...(1/2メディア)"), 0, {}});
    media = dialog.Panel1->text();
    progress({AnalysisEvent::Kind::Counters, "", -1, {1500, 3, 1234}});
    counters = dialog.Label1->text() + "|" + dialog.Label3->text() + "|" + dialog.Label5->text();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();
    survivedCancel = dialog.isVisible();
    progress({AnalysisEvent::Kind::Sorting, Sj("1,234ファイルのソート中..."), -1, {1500, 3, 1234}});
    sorting = dialog.Panel1->text();
  });
  QVERIFY(visible);
  QVERIFY(survivedCancel);
  QCOMPARE(media, QStringLiteral("検索中...(1/2メディア)"));
  QCOMPARE(counters, QStringLiteral("1,500|3|1,234"));
  QCOMPARE(sorting, QStringLiteral("1,234ファイルのソート中..."));
  QVERIFY(!dialog.isVisible());

  // A failed write surfaces after the dialog has closed.
  bool thrown = false;
  try {
    dialog.RunModal([](const AnalysisProgress&) { throw CatalogError("disk full"); });
  } catch (const CatalogError&) {
    thrown = true;
  }
  QVERIFY(thrown);
  QVERIFY(!dialog.isVisible());
}

void AnalysisViewsTest::CopyDialogWritesTheExactTextOfEachMode() {
  test::TempDir dir;
  Settings settings(QString::fromStdString(dir.File("config")));
  test::ScriptedPrompter prompter;
  RecordingClipboard clipboard;
  const std::vector<DetailRow> rows = {Row(1, "Ａｂｃ.txt", 2048, "写真x"),
                                       Row(2, "b \"q\".txt", 0, "")};
  struct Case {
    DetailSource mode;
    bool pathVisible;
    bool comma;
    int conversion;
    bool title;
    QString text;
  };
  const Case cases[] = {
      {DetailSource::DupMembers, false, true, 0, true,
       "名前,更新日時,サイズ,メディア名,分類,保管場所,保管詳細\r\n"
       "\"Ａｂｃ.txt\",2024/01/31 09:30,2048,\"ディスク\"\"1\"\"\",\"写真x\",\"L\",\"7\"\r\n"
       "\"b \"\"q\"\".txt\",2024/01/31 09:30,0,\"ディスク\"\"1\"\"\",\"\",\"L\",\"7\"\r\n"},
      {DetailSource::LikeMembers, true, false, 2, true,
       "No\t名前\t更新日時\tサイズ\tメディア名\tパス名\t分類\t保管場所\t保管詳細\r\n"
       "1\tＡＢＣ.TXT\t2024/01/31 09:30\t2048\tディスク\"1\"\t\t写真X\tL\t7\r\n"
       "2\tB \"Q\".TXT\t2024/01/31 09:30\t0\tディスク\"1\"\t\t\tL\t7\r\n"},
      {DetailSource::LikeWord, false, true, 1, false,
       "1,\"ａｂｃ.txt\",2024/01/31 09:30,2048,\"ディスク\"\"1\"\"\",\"写真x\",\"l\",\"7\"\r\n"
       "2,\"b \"\"q\"\".txt\",2024/01/31 09:30,0,\"ディスク\"\"1\"\"\",\"\",\"l\",\"7\"\r\n"},
  };
  TfrmDupSubClipbord dialog(settings, prompter, &clipboard);
  for (const Case& c : cases) {
    dialog.SetSource(c.mode, rows, c.pathVisible);
    dialog.show();
    QCOMPARE(dialog.CheckListBox1->count(), c.mode == DetailSource::DupMembers ? 7
                                            : c.pathVisible                    ? 9
                                                                               : 8);
    QCOMPARE(dialog.windowTitle(), c.mode == DetailSource::DupMembers
                                       ? QStringLiteral("コピー（重複ファイル詳細）")
                                       : QStringLiteral("コピー（似たようなファイル詳細）"));
    dialog.ComboBox1->setCurrentIndex(c.comma ? 0 : 1);
    (c.conversion == 1   ? dialog.rdoNameMode1
     : c.conversion == 2 ? dialog.rdoNameMode2
                         : dialog.rdoNameMode0)
        ->setChecked(true);
    dialog.chkTitle->setChecked(c.title);
    QTest::mouseClick(dialog.cmdSet, Qt::LeftButton);
    QCOMPARE(U(clipboard.text), c.text);
    QCOMPARE(settings.GetInt(REG_ClipBordNameMode), c.conversion);
    QVERIFY(!dialog.isVisible());
  }
  // The next showing starts from the stored conversion.
  dialog.show();
  QVERIFY(dialog.rdoNameMode1->isChecked());
  dialog.close();

  // To a file: the proposed name, then the ".csv" rule on the chosen one.
  dialog.chkFileWrite->setChecked(true);
  settings.SetInt(REG_ClipBordNameMode, 0);
  dialog.ComboBox1->setCurrentIndex(0);
  dialog.chkTitle->setChecked(false);
  const QString chosen[] = {QString::fromStdString(dir.File("out")),
                            QString::fromStdString(dir.File("result.CSV.bak"))};
  const std::string written[] = {dir.File("out.csv"), dir.File("result.CSV.bak")};
  for (int i = 0; i < 2; ++i) {
    prompter.paths = {chosen[i]};
    dialog.show();
    QTest::mouseClick(dialog.cmdSet, Qt::LeftButton);
    const auto bytes = test::ReadFileBytes(written[i]);
    QCOMPARE(
        U(std::string(bytes.begin(), bytes.end())),
        QStringLiteral(
            "1,\"Ａｂｃ.txt\",2024/01/31 09:30,2048,\"ディスク\"\"1\"\"\",\"写真x\",\"L\",\"7\"\r\n"
            "2,\"b \"\"q\"\".txt\",2024/01/31 09:30,0,\"ディスク\"\"1\"\"\",\"\",\"L\",\"7\"\r\n"));
  }
  QVERIFY(!std::filesystem::exists(dir.File("result.CSV.bak.csv")));
  QVERIFY(QRegularExpression(QStringLiteral("^\\d{14}_似たようなファイル詳細\\.csv$"))
              .match(prompter.prompts.back().startPath)
              .hasMatch());
  // A cancelled save dialog writes nothing and closes.
  const int files = static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                                   std::filesystem::directory_iterator()));
  dialog.show();
  QTest::mouseClick(dialog.cmdSet, Qt::LeftButton);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                          std::filesystem::directory_iterator())),
           files);
}

void AnalysisViewsTest::CopyDialogKeepsItsColumnChoiceWhileTheModeStays() {
  test::TempDir dir;
  Settings settings(QString::fromStdString(dir.File("config")));
  test::ScriptedPrompter prompter;
  RecordingClipboard clipboard;
  TfrmDupSubClipbord dialog(settings, prompter, &clipboard);
  const std::vector<DetailRow> rows = {Row(1, "x.txt", 5, "c")};
  dialog.SetSource(DetailSource::DupMembers, rows, false);
  dialog.show();
  QCOMPARE(dialog.CheckListBox1->count(), 7);  // no icon, no hidden path
  QCOMPARE(dialog.CheckListBox1->item(0)->text(), QStringLiteral("名前"));
  // サイズ moved to the top; only it and 名前 stay checked.
  dialog.cmdAllOffClick();
  dialog.CheckListBox1->setCurrentRow(2);
  dialog.cmdUPClick();
  dialog.cmdUPClick();
  dialog.cmdUPClick();  // not beyond the first
  QCOMPARE(dialog.CheckListBox1->currentRow(), 0);
  dialog.CheckListBox1->item(0)->setCheckState(Qt::Checked);
  dialog.CheckListBox1->item(1)->setCheckState(Qt::Checked);
  dialog.chkTitle->setChecked(false);
  QTest::mouseClick(dialog.cmdSet, Qt::LeftButton);
  QCOMPARE(U(clipboard.text), QStringLiteral("5,\"x.txt\"\r\n"));

  // Same mode again: the choice stays, even with the path now shown.
  dialog.SetSource(DetailSource::DupMembers, rows, true);
  dialog.show();
  QCOMPARE(dialog.ChosenColumns(), (std::vector<int>{4, 2}));
  QCOMPARE(dialog.CheckListBox1->count(), 7);
  // Nothing chosen: the copy button does nothing and the dialog stays.
  dialog.cmdAllOffClick();
  QTest::mouseClick(dialog.cmdSet, Qt::LeftButton);
  QVERIFY(dialog.isVisible());
  QCOMPARE(clipboard.calls, 1);
  dialog.cmdCloseClick();
  // Another mode rebuilds the list, and so does the first one after it.
  dialog.SetSource(DetailSource::LikeMembers, rows, true);
  dialog.show();
  QCOMPARE(dialog.CheckListBox1->count(), 9);
  QCOMPARE(dialog.CheckListBox1->item(0)->text(), QStringLiteral("No"));
  dialog.close();
  dialog.SetSource(DetailSource::DupMembers, rows, true);
  dialog.show();
  QCOMPARE(dialog.ChosenColumns(), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
  dialog.close();
}

void AnalysisViewsTest::MemberGridSortsEveryColumnIgnoringCase() {
  ResultMemberModel model(false, nullptr);
  std::vector<DetailRow> rows = {Row(1, "b.txt", 10, "Zeta"), Row(2, "A.txt", 300, "alpha"),
                                 Row(3, "c.TXT", 2, "Beta")};
  model.SetRows(std::move(rows), -1);
  auto names = [&] {
    QStringList out;
    for (int r = 0; r < model.RowCount(); ++r) out << model.index(r, 2).data().toString();
    return out;
  };
  QCOMPARE(names(), (QStringList{"b.txt", "A.txt", "c.TXT"}));  // No ascending at start
  QPersistentModelIndex selected = model.index(0, 2);           // b.txt
  struct Case {
    int column;
    Qt::SortOrder order;
    QStringList names;
  };
  const Case cases[] = {
      {2, Qt::AscendingOrder, {"A.txt", "b.txt", "c.TXT"}},
      {2, Qt::DescendingOrder, {"c.TXT", "b.txt", "A.txt"}},
      {4, Qt::AscendingOrder, {"c.TXT", "b.txt", "A.txt"}},
      {7, Qt::AscendingOrder, {"A.txt", "c.TXT", "b.txt"}},
      {1, Qt::DescendingOrder, {"c.TXT", "A.txt", "b.txt"}},
  };
  for (const Case& c : cases) {
    model.sort(c.column, c.order);
    QCOMPARE(names(), c.names);
    QCOMPARE(selected.data().toString(), QStringLiteral("b.txt"));
  }
  // A refill keeps the last sort.
  model.SetRows({Row(1, "y", 1, ""), Row(2, "x", 2, ""), Row(3, "z", 3, "")}, -1);
  QCOMPARE(names(), (QStringList{"z", "x", "y"}));
  QCOMPARE(model.index(0, 4).data().toString(), QStringLiteral("3"));
  QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("No"));
}

void AnalysisViewsTest::DuplicatePageShowsGroupsMembersAndPaths() {
  Views s;
  QVERIFY(s.ui->RunAnalysis(AnalysisMode::Duplicate));
  ResultPage& page = *s.dupPage;
  QTableView* groups = page.GroupGrid;
  QCOMPARE(groups->objectName(), QStringLiteral("GridView1"));
  QVERIFY(groups->isColumnHidden(0));
  QCOMPARE(groups->model()->rowCount(), 2);
  QCOMPARE(Cell(groups, 0, 3), QStringLiteral("a.txt"));
  QCOMPARE(Cell(groups, 1, 3), QStringLiteral("Report.txt"));
  QCOMPARE(Cell(groups, 1, 4), QStringLiteral("2"));
  QCOMPARE(page.StatusBar->objectName(), QStringLiteral("StatusBar3"));
  QCOMPARE(page.StatusPanel0->text(), QStringLiteral("2種類、4件の重複ファイル"));

  // Sorting by the name descending, then selecting the first row fills the members.
  groups->sortByColumn(3, Qt::DescendingOrder);
  QCOMPARE(Cell(groups, 0, 3), QStringLiteral("Report.txt"));
  groups->selectRow(0);
  QTableView* members = page.MemberGrid;
  QCOMPARE(members->objectName(), QStringLiteral("GridView2"));
  QCOMPARE(members->model()->rowCount(), 2);
  QVERIFY(members->isColumnHidden(0));
  QVERIFY(members->isColumnHidden(6));
  QCOMPARE(page.StatusPanel1->text(), QStringLiteral("2件の詳細情報"));
  QStringList media;
  for (int r = 0; r < 2; ++r)
    media << Cell(members, r, 5) + "|" + Cell(members, r, 4) + "|" + Cell(members, r, 7);
  QCOMPARE(media, (QStringList{"M1|2,048|写真", "M2|300|音楽"}));
  QCOMPARE(Cell(members, 0, 3), QStringLiteral("2024/01/31(水) 09:30"));

  // Fill paths completes every row: the folder below the media, or the
  // media name itself for a member at its top.
  QTest::mouseClick(page.cmdShowPath, Qt::LeftButton);
  QVERIFY(!members->isColumnHidden(6));
  QCOMPARE(Cell(members, 0, 6), QStringLiteral("docs"));
  QCOMPARE(Cell(members, 1, 6), QStringLiteral("M2"));

  // The copy button copies the rows as shown, path included now.
  s.ui->SetDialogRunner([](QDialog& dialog) {
    dialog.show();
    auto& copy = static_cast<TfrmDupSubClipbord&>(dialog);
    copy.chkTitle->setChecked(false);
    QTest::mouseClick(copy.cmdSet, Qt::LeftButton);
  });
  QTest::mouseClick(page.cmdCopy, Qt::LeftButton);
  QVERIFY(U(s.clipboard.text)
              .startsWith(QStringLiteral(
                  "\"Report.txt\",2024/01/31(水) 09:30,2048,\"M1\",\"docs\",\"写真\"")));

  // The similar page of the same catalogue: words as names, counts as ファイル数.
  QVERIFY(s.ui->RunAnalysis(AnalysisMode::Similar));
  QTableView* words = s.likePage->GroupGrid;
  QStringList names;
  for (int r = 0; r < words->model()->rowCount(); ++r) names << Cell(words, r, 3);
  QCOMPARE(names, (QStringList{"A", "memo", "report"}));
  QVERIFY(words->isColumnHidden(2));
  QCOMPARE(s.likePage->StatusPanel0->text(), QStringLiteral("3種類、6件の似たようなファイル"));
  words->selectRow(1);
  QCOMPARE(s.likePage->MemberGrid->model()->rowCount(), 2);
  QVERIFY(!s.likePage->MemberGrid->isColumnHidden(1));
  QCOMPARE(Cell(s.likePage->MemberGrid, 1, 1), QStringLiteral("2"));
}

void AnalysisViewsTest::NameSearchWrapsAndReportsMisses() {
  Views s;
  s.ui->RunAnalysis(AnalysisMode::Similar);  // a, memo, Report
  ResultPage& page = *s.likePage;
  QCOMPARE(page.txtSearchStr->objectName(), QStringLiteral("txtLikeSearchStr"));
  auto find = [&](const char* text, bool down) {
    page.txtSearchStr->setText(QString::fromUtf8(text));
    QTest::mouseClick(down ? page.cmdSearchDown : page.cmdSearchUp, Qt::LeftButton);
    const QModelIndexList rows = page.GroupGrid->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
  };
  QCOMPARE(find("E", true), 1);   // memo, from no selection
  QCOMPARE(find("e", true), 2);   // Report
  QCOMPARE(find("e", true), 1);   // wraps to memo
  QCOMPARE(find("e", false), 2);  // up wraps from memo past a to Report
  QCOMPARE(find("zzz", true), 2);
  QCOMPARE(s.prompter.prompts.back().text, QStringLiteral("未検出!!"));
  QCOMPARE(s.prompter.prompts.back().icon, PromptIcon::Information);
  find("", true);
  QCOMPARE(s.prompter.prompts.back().text, QStringLiteral("検索文字列が不明です"));
  QCOMPARE(s.prompter.prompts.back().icon, PromptIcon::Warning);
}

void AnalysisViewsTest::RunIsModalAndRefusesOtherCommands() {
  Views s;
  QSignalSpy running(s.ui.get(), &AnalysisUi::RunningChanged);
  QString caption;
  bool modal = false, refused = false, rerunRefused = false;
  auto check = [&] {
    caption = s.window.windowTitle();
    modal = qobject_cast<TfrmDupSearch*>(QApplication::activeModalWidget()) != nullptr;
    refused = !s.ui->RunAnalysis(AnalysisMode::Similar);
    rerunRefused = !s.ui->RunAgain(AnalysisMode::Duplicate);
  };
  // Checked at the first pause of the run, once its dialog is up.
  QObject::connect(s.ui.get(), &AnalysisUi::RunningChanged, [&](bool on) {
    if (on) QTimer::singleShot(0, check);
  });
  QVERIFY(s.ui->RunAnalysis(AnalysisMode::Duplicate));
  QCOMPARE(caption, QStringLiteral("Plomix2 [重複ファイル検索中...]"));
  QVERIFY(modal);
  QVERIFY(refused);
  QVERIFY(rerunRefused);
  QVERIFY(s.prompter.prompts.empty());
  QCOMPARE(s.window.windowTitle(), QStringLiteral("Plomix2"));
  QCOMPARE(running.count(), 2);
  QVERIFY(!s.like.LikeResultsExist());
}

void AnalysisViewsTest::RerunQuestionDecides() {
  Views s;
  s.ui->RunAnalysis(AnalysisMode::Duplicate);
  QSignalSpy running(s.ui.get(), &AnalysisUi::RunningChanged);
  s.prompter.answers = {PromptResult::No, PromptResult::Yes};
  QVERIFY(!s.ui->RunAgain(AnalysisMode::Duplicate));
  QCOMPARE(running.count(), 0);
  QVERIFY(s.ui->RunAgain(AnalysisMode::Duplicate));
  QCOMPARE(running.count(), 2);
  QCOMPARE(s.prompter.Messages(),
           QStringList(2, QStringLiteral("重複ファイルの再検索処理を行いますか？")));
  QCOMPARE(s.prompter.prompts[0].buttons, PromptButtons::YesNo);
  QCOMPARE(s.prompter.prompts[0].icon, PromptIcon::Question);
  QCOMPARE(s.dupPage->GroupGrid->model()->rowCount(), 2);
  // A page out of sight fills when it is shown next.
  s.dupPage->hide();
  s.prompter.answers = {PromptResult::Yes};
  QVERIFY(s.ui->RunAgain(AnalysisMode::Duplicate));
  QCOMPARE(s.dupPage->GroupGrid->model()->rowCount(), 0);
  s.dupPage->show();
  s.ui->PageShown(AnalysisMode::Duplicate);
  QCOMPARE(s.dupPage->GroupGrid->model()->rowCount(), 2);
  QCOMPARE(running.count(), 4);
}

void AnalysisViewsTest::PageOfAMissingResultRunsTheSearchFirst() {
  Views s;
  QSignalSpy commands(s.ui.get(), &AnalysisUi::AnalysisCommandsChanged);
  s.ui->PageShown(AnalysisMode::Similar);
  QVERIFY(s.like.LikeResultsExist());
  QCOMPARE(commands.count(), 1);
  QCOMPARE(s.likePage->GroupGrid->model()->rowCount(), 3);
  // Shown again with rows: nothing runs.
  s.ui->PageShown(AnalysisMode::Similar);
  QCOMPARE(commands.count(), 1);
  // A catalogue whose media are all filtered out: nothing runs, both
  // commands are to be hidden.
  s.catalog.SetCategoryFilter(Sj("無い分類"));
  s.catalog.Recount();
  QVERIFY(!s.ui->RunAnalysis(AnalysisMode::Duplicate));
  QCOMPARE(commands.last().at(0).toBool(), true);
  QVERIFY(!s.dup.DupResultsExist());
}

void AnalysisViewsTest::DetailPanelFollowsTheSelectedFile() {
  Views s;
  s.ui->RunAnalysis(AnalysisMode::Duplicate);
  s.ui->RunAnalysis(AnalysisMode::Similar);
  DetailPanel& d = *s.detail;
  // M1 \ a.txt (record 2), duplicated once on M2.
  TRecord file;
  file.Kind = kKindFile;
  file.Name = "a.txt";
  file.Key = ResultKey(0, 2);
  file.Highlight = 2;
  file.ImageIndex = kImageFile;
  d.UpdateFromSelection({&file});
  QCOMPARE(d.GridView3->model()->rowCount(), 2);
  const int own = d.DupMembers().RowOfKey(file.Key);
  QCOMPARE(d.GridView3->selectionModel()->selectedRows().front().row(), own);
  QCOMPARE(d.GridView3->model()->index(own, 2).data(Qt::BackgroundRole).value<QBrush>().color(),
           QColor(0xFF, 0xFF, 0x00));
  QCOMPARE(d.GridView3->model()->index(1 - own, 2).data(Qt::BackgroundRole).value<QBrush>().color(),
           QColor(Qt::white));
  QCOMPARE(d.TabControl1->count(), 1);
  QCOMPARE(d.TabControl1->tabText(0), QStringLiteral("a"));
  QCOMPARE(d.Panel38->text(), QStringLiteral("2 件"));
  QCOMPARE(d.GridView4->model()->rowCount(), 2);

  // memo_2024.txt: one tab per word; a word without a group says so.
  file.Name = "memo_2024.txt";
  file.Key = ResultKey(0, 3);
  file.Highlight = 0;
  d.UpdateFromSelection({&file});
  QCOMPARE(d.GridView3->model()->rowCount(), 0);
  QCOMPARE(d.TabControl1->count(), 2);
  QCOMPARE(d.TabControl1->tabText(1), QStringLiteral("2024"));
  QCOMPARE(d.Panel38->text(), QStringLiteral("2 件"));
  d.TabControl1->setCurrentIndex(1);
  QCOMPARE(d.Panel38->text(), QStringLiteral("カレントのみ"));
  QCOMPARE(d.GridView4->model()->rowCount(), 0);
  // A remembered word selects its tab on the next update.
  d.RememberLikeKey(QStringLiteral("2024"));
  d.UpdateFromSelection({&file});
  QCOMPARE(d.TabControl1->currentIndex(), 1);
  QVERIFY(d.RememberedLikeKey().isEmpty());

  // Two rows selected: both grids empty. A tree selection resets the tabs.
  d.UpdateFromSelection({&file, &file});
  QCOMPARE(d.GridView4->model()->rowCount(), 0);
  d.ClearPanel();
  QCOMPARE(d.TabControl1->count(), 1);
  QCOMPARE(d.TabControl1->tabText(0), QStringLiteral("似たような"));
  QVERIFY(d.Panel38->text().isEmpty());

  // The word panel's copy exports the word's members (mode 2).
  file.Name = "Report.txt";
  file.Key = ResultKey(0, 4);
  d.UpdateFromSelection({&file});
  s.ui->SetDialogRunner([](QDialog& dialog) {
    dialog.show();
    auto& copy = static_cast<TfrmDupSubClipbord&>(dialog);
    copy.cmdAllOffClick();
    copy.CheckListBox1->item(1)->setCheckState(Qt::Checked);  // 名前
    QTest::mouseClick(copy.cmdSet, Qt::LeftButton);
  });
  QTest::mouseClick(d.cmdLikeClipbord, Qt::LeftButton);
  QCOMPARE(U(s.clipboard.text), QStringLiteral("名前\r\n\"Report.txt\"\r\n\"report.TXT\"\r\n"));
}

void AnalysisViewsTest::JumpNamesTheFolderOfTheMember() {
  Views s;
  s.ui->RunAnalysis(AnalysisMode::Duplicate);
  qRegisterMetaType<MemberJump>();
  std::vector<MemberJump> jumps;
  QObject::connect(s.ui.get(), &AnalysisUi::JumpToMember,
                   [&](const MemberJump& jump) { jumps.push_back(jump); });
  s.dupPage->GroupGrid->selectRow(1);  // Report.txt
  s.dupPage->MemberGrid->selectRow(0);
  QTest::mouseClick(s.dupPage->cmdShow, Qt::LeftButton);
  QCOMPARE(jumps.size(), std::size_t{1});
  QCOMPARE(jumps[0].grid, 2);
  QCOMPARE(jumps[0].name, QStringLiteral("Report.txt"));
  QCOMPARE(jumps[0].category, QStringLiteral("写真"));
  QCOMPARE(jumps[0].folderPath, QStringLiteral("M1\\docs"));
  QCOMPARE(jumps[0].key, ResultKey(0, 4));
  QVERIFY(jumps[0].found);
  // The member's media had its paths filled; the duplicate detail tab shows.
  QCOMPARE(Cell(s.dupPage->MemberGrid, 0, 6), QStringLiteral("docs"));
  QVERIFY(Cell(s.dupPage->MemberGrid, 1, 6).isEmpty());
  QCOMPARE(s.detail->PageControl3->currentWidget(), s.detail->TabSheet10);

  // From the word grid the word is remembered for the next update.
  s.ui->RunAnalysis(AnalysisMode::Similar);
  TRecord file;
  file.Kind = kKindFile;
  file.Name = "memo_2024.txt";
  file.Key = ResultKey(0, 3);
  s.detail->UpdateFromSelection({&file});
  s.detail->GridView4->selectRow(1);
  s.detail->PopupGridView4Show->trigger();
  QCOMPARE(jumps.size(), std::size_t{2});
  QCOMPARE(jumps[1].grid, 4);
  QCOMPARE(s.detail->RememberedLikeKey(), QStringLiteral("memo"));
  QCOMPARE(jumps[1].folderPath, QStringLiteral("M2"));
}

void AnalysisViewsTest::DamagedForeignAndNewerResultsShowWhatIsSound() {
  Views s;
  s.ui->RunAnalysis(AnalysisMode::Duplicate);
  s.ui->RunAnalysis(AnalysisMode::Similar);
  const std::string catalogue = s.CatalogBytes();
  const std::string dupPath = s.dup.Path();
  const auto sound = test::ReadFileBytes(dupPath);

  // Cut inside the last group head: the first group stays, the cut is noted.
  auto cut = sound;
  cut.resize(cut.size() - 50);
  test::WriteFileBytes(dupPath, cut);
  s.ReloadResults();
  s.ui->PageShown(AnalysisMode::Duplicate);
  QCOMPARE(s.dupPage->GroupGrid->model()->rowCount(), 1);
  QVERIFY(s.dupPage->StatusPanel0->text().endsWith(
      QStringLiteral("（結果ファイルの一部が読めません）")));

  // Written by a later version: nothing is shown or run, the file stays.
  auto newer = sound;
  newer[0] = 99;
  test::WriteFileBytes(dupPath, newer);
  s.ReloadResults();
  s.ui->PageShown(AnalysisMode::Duplicate);
  QCOMPARE(s.dupPage->GroupGrid->model()->rowCount(), 0);
  QCOMPARE(s.dupPage->StatusPanel0->text(),
           QStringLiteral("結果ファイルが新しい版の形式のため表示できません"));
  QCOMPARE(test::ReadFileBytes(dupPath), newer);
  QCOMPARE(s.dup.DupGroupSizeOfName("a.txt"), 0);

  // Members on a media deleted since: shown without media, no path, and a
  // jump to them names no folder.
  test::WriteFileBytes(dupPath, sound);
  s.ReloadResults();
  s.catalog.DeleteMedia(1);
  s.ui->PageShown(AnalysisMode::Duplicate);
  s.dupPage->GroupGrid->selectRow(0);
  QTableView* members = s.dupPage->MemberGrid;
  QCOMPARE(members->model()->rowCount(), 2);
  QVERIFY(Cell(members, 1, 5).isEmpty());
  s.dupPage->FillPaths();
  QCOMPARE(Cell(members, 0, 6), QStringLiteral("M1"));
  QVERIFY(Cell(members, 1, 6).isEmpty());
  std::vector<MemberJump> jumps;
  QObject::connect(s.ui.get(), &AnalysisUi::JumpToMember,
                   [&](const MemberJump& jump) { jumps.push_back(jump); });
  s.ui->Jump(2, 1);
  QCOMPARE(jumps.size(), std::size_t{1});
  QVERIFY(jumps[0].folderPath.isEmpty());
  QVERIFY(!jumps[0].found);

  // A result of another catalogue: its keys name other files here, which
  // get no path; nothing of it is written to the catalogue.
  Views other;
  test::AddMediaIn(other.catalog, "M3", "x", {{"zz.txt"}, {"ZZ.TXT"}, {"a.txt"}});
  other.ui->RunAnalysis(AnalysisMode::Duplicate);
  const std::string afterDelete = s.CatalogBytes();
  std::filesystem::copy_file(other.dup.Path(), dupPath,
                             std::filesystem::copy_options::overwrite_existing);
  s.ReloadResults();
  s.ui->PageShown(AnalysisMode::Duplicate);
  s.dupPage->GroupGrid->selectRow(s.dupPage->GroupGrid->model()->rowCount() - 1);
  s.dupPage->FillPaths();
  for (int r = 0; r < members->model()->rowCount(); ++r) QVERIFY(Cell(members, r, 6).isEmpty());
  s.ui->Jump(2, 0);
  QCOMPARE(jumps.size(), std::size_t{2});
  QVERIFY(!jumps[1].found);
  QCOMPARE(s.CatalogBytes(), afterDelete);
  QVERIFY(catalogue != afterDelete);  // only the deletion changed it
}

void AnalysisViewsTest::GroupOfOneHundredThousandMembers() {
  Views s;
  std::vector<test::Entry> entries(100000, test::Entry{"same.txt", 1});
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i].size = static_cast<double>(i % 977);
  QVERIFY(test::AddMediaIn(s.catalog, "BIG", "x", entries));
  QVERIFY(s.ui->RunAnalysis(AnalysisMode::Duplicate));
  QTableView* groups = s.dupPage->GroupGrid;
  int row = -1;
  for (int r = 0; r < groups->model()->rowCount(); ++r)
    if (Cell(groups, r, 3) == QStringLiteral("same.txt")) row = r;
  QVERIFY(row >= 0);
  groups->selectRow(row);
  QCOMPARE(s.dupPage->MemberGrid->model()->rowCount(), 100000);
  QCOMPARE(s.dupPage->StatusPanel1->text(), QStringLiteral("100,000件の詳細情報"));
  s.dupPage->MemberGrid->sortByColumn(4, Qt::DescendingOrder);
  QCOMPARE(Cell(s.dupPage->MemberGrid, 0, 4), QStringLiteral("976"));
  s.dupPage->FillPaths();
  QCOMPARE(Cell(s.dupPage->MemberGrid, 99999, 6), QStringLiteral("BIG"));
}

QTEST_MAIN(AnalysisViewsTest)
void AnalysisViewsTest::SimilarPageHidesWordsOfDigitsOnly() {
  Views s;
  // "2024" (and its full-width form) now joins three files; "memo" stays.
  QVERIFY(test::AddMediaIn(s.catalog, "M3", "",
                           {{"2024_a.txt", 1}, {"b_2024.txt", 1}, {"２０２４_c.txt", 1}}));
  s.ui->RunAnalysis(AnalysisMode::Similar);
  ResultPage& page = *s.likePage;
  const auto words = [&] {
    QStringList names;
    for (int r = 0; r < page.GroupGrid->model()->rowCount(); ++r)
      names << Cell(page.GroupGrid, r, ResultGroupModel::ColName);
    return names;
  };
  QVERIFY(page.chkHideDigitWords->isChecked());  // on by default
  QVERIFY(!words().contains(QStringLiteral("2024")));
  QVERIFY(words().contains(QStringLiteral("memo")));
  QVERIFY(page.StatusPanel0->text().contains(QStringLiteral("数字だけの語 1種類を非表示")));
  page.chkHideDigitWords->setChecked(false);
  QVERIFY(words().contains(QStringLiteral("2024")));
  QCOMPARE(s.settings.GetRaw(QStringLiteral("Results/HideDigitWords")), QStringLiteral("0"));
  // The choice is remembered by the next page; the result file is untouched.
  ResultPage again(AnalysisMode::Similar, s.like, s.catalog, s.settings, s.prompter, s.images);
  QVERIFY(!again.chkHideDigitWords->isChecked());
  QVERIFY(s.dupPage->chkHideDigitWords == nullptr);
}

#include "AnalysisViewsTest.moc"
