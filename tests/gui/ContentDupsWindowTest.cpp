// Duplicates by content in the main window: the duplicate page's content
// mode (groups, counts, wasted space, the mode that found a group, the media
// without fingerprints), its member grid and jump, the detail panel's tab of
// a file's copies, and the file list's command that lists them on the
// search page. The catalogue is read from real folders with fingerprints.

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <optional>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "ui/ContentGroupModel.h"
#include "ui/DetailPanel.h"
#include "ui/DupPage.h"
#include "ui/FileListPanel.h"
#include "ui/MediaPage.h"
#include "ui/ResultPage.h"
#include "ui/SearchHitModel.h"
#include "ui/SearchPage.h"

using namespace plomix;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

QString Cell(const QTableView* grid, int row, int column) {
  return grid->model()->index(row, column).data().toString();
}

// "media\name" of every row of a member grid.
QSet<QString> Members(const QTableView* grid) {
  QSet<QString> members;
  for (int r = 0; r < grid->model()->rowCount(); ++r)
    members << Cell(grid, r, 5) + QLatin1Char('\\') + Cell(grid, r, 2);
  return members;
}

// The key of the file called `name` (CP932) in media `slot`.
int32_t KeyOf(Catalog& catalog, int slot, const std::string& name) {
  if (!catalog.LoadMedia(slot)) return -1;
  for (int32_t r = 1; r < catalog.LoadedCount(); ++r)
    if (catalog.RecordName(r) == name) return MakeKey(slot, r);
  return -1;
}

}  // namespace

class ContentDupsWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  test::ScriptedPrompter prompter_;

  fs::path Src(const std::string& relative) const { return folder_->Root() / "src" / relative; }

  // Two folders read five times: A and B with quick fingerprints, again as
  // AF and BF with full ones, and B as N without any.
  //   A: x.txt, sub/y.txt, 日本/同じ.txt (all "hello world"), empty, big (300,000 B)
  //   B: z.txt ("hello world"), x.txt (other content), empty, big2 (= big),
  //      bigmid (big with one byte changed in the middle)
  bool MakeCatalogue(const std::string& path) {
    const std::string hello = "hello world";
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
    std::string middle = big;
    middle[150000] ^= 1;
    Write(Src("A/x.txt"), hello);
    Write(Src("A/sub/y.txt"), hello);
    Write(Src("A/日本/同じ.txt"), hello);
    Write(Src("A/empty"), "");
    Write(Src("A/big"), big);
    Write(Src("B/z.txt"), hello);
    Write(Src("B/x.txt"), "other");
    Write(Src("B/empty"), "");
    Write(Src("B/big2"), big);
    Write(Src("B/bigmid"), middle);
    Catalog catalog;
    Scanner scanner;
    if (!catalog.CreateCatalog(path)) return false;
    const struct {
      const char* media;
      const char* folder;
      std::optional<FingerprintMode> mode;
    } reads[] = {{"A", "A", FingerprintMode::Quick},
                 {"B", "B", FingerprintMode::Quick},
                 {"AF", "A", FingerprintMode::Full},
                 {"BF", "B", FingerprintMode::Full},
                 {"N", "B", std::nullopt}};
    for (const auto& read : reads) {
      ReadRequest request;
      request.drive = "e";
      request.mediaName = read.media;
      request.fingerprint = read.mode;
      ScanSetup setup;
      setup.rootFolder = Src(read.folder).string();
      setup.drive = "e";
      setup.kind = kKindFixed;
      setup.clusterSize = 4096;
      if (!scanner.ReadTree(request, setup) || !catalog.StoreMedia(scanner, scanner.CurrentMedia()))
        return false;
    }
    return true;
  }

  std::unique_ptr<test::SessionWindow> Window() {
    const std::string path = folder_->File("t.qdb");
    if (!MakeCatalogue(path)) return nullptr;
    folder_->OpenAtStart(QStringLiteral("t.qdb"));
    auto fixture = std::make_unique<test::SessionWindow>(prompter_);
    if (!fixture->window.Started()) return nullptr;
    fixture->window.resize(1100, 720);
    fixture->window.show();
    return fixture;
  }

  // PLOMIX_TEST_PICTURES=folder keeps a picture of the page as shown.
  static void KeepPicture(QWidget& page, const char* name) {
    if (const QString folder = qEnvironmentVariable("PLOMIX_TEST_PICTURES"); !folder.isEmpty())
      page.grab().save(folder + "/" + name);
  }

 private Q_SLOTS:
  void init() {
    folder_ = std::make_unique<test::GuiFolder>();
    prompter_ = test::ScriptedPrompter();
    prompter_.defaultAnswer = PromptResult::No;
  }
  void cleanup() { folder_.reset(); }

  void TheDuplicatePageGroupsByContent();
  void AFilesCopiesAreShownAndSearched();
};

void ContentDupsWindowTest::TheDuplicatePageGroupsByContent() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  w.PageControl1->setCurrentWidget(w.TabSheet8);
  ResultPage& page = *w.TabSheet8->Results;
  const QString nameStatus = page.StatusPanel0->text();
  QVERIFY(nameStatus.endsWith(QStringLiteral("件の重複ファイル")));
  QCOMPARE(page.rdoDupByName->text(), QStringLiteral("名前が同じ"));
  QCOMPARE(page.rdoDupByContent->text(), QStringLiteral("内容が同じ"));

  page.rdoDupByContent->click();
  QTableView* groups = page.ContentGrid;
  QVERIFY(groups->isVisible() && !page.GroupGrid->isVisible());
  // Most wasted space first; quick prints group the file that differs only
  // in its middle, full ones do not; empty files and equal names with other
  // content form no group; the media read without prints is counted.
  const QStringList expected[] = {
      {"1", "big（ほか別名2件）", "300,000", "3", "600,000", "先頭と末尾（高速）"},
      {"2", "big（ほか別名1件）", "300,000", "2", "300,000", "全体"},
      {"3", "x.txt（ほか別名3件）", "11", "4", "33", "先頭と末尾（高速）"},
      {"4", "x.txt（ほか別名3件）", "11", "4", "33", "全体"},
  };
  QCOMPARE(groups->model()->rowCount(), 4);
  const int columns[] = {ContentGroupModel::ColNo,     ContentGroupModel::ColName,
                         ContentGroupModel::ColSize,   ContentGroupModel::ColCount,
                         ContentGroupModel::ColWasted, ContentGroupModel::ColMode};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 6; ++c) QCOMPARE(Cell(groups, r, columns[c]), expected[r][c]);
  QCOMPARE(page.StatusPanel0->text(),
           QStringLiteral("4組、13件の同じ内容のファイル（無駄な容量 900,066 Byte）"
                          "　指紋なしのメディア: 1"));
  QVERIFY(page.StatusPanel0->toolTip().endsWith(QStringLiteral("\nN")));

  // The members of a group, and which prints found it.
  QTableView* members = page.MemberGrid;
  groups->selectRow(0);
  QCOMPARE(Members(members), (QSet<QString>{"A\\big", "B\\big2", "B\\bigmid"}));
  QVERIFY(page.MemberCaption->text().contains(QStringLiteral("先頭と末尾（高速）")));
  groups->selectRow(1);
  QCOMPARE(Members(members), (QSet<QString>{"AF\\big", "BF\\big2"}));
  QVERIFY(page.MemberCaption->text().contains(QStringLiteral("全体")));
  const int quickHello = 2;
  groups->selectRow(quickHello);
  QCOMPARE(Members(members),
           (QSet<QString>{"A\\x.txt", "A\\y.txt", QStringLiteral("A\\同じ.txt"), "B\\z.txt"}));
  QCOMPARE(page.StatusPanel1->text(), QStringLiteral("4件の詳細情報"));
  KeepPicture(*w.TabSheet8, "duplicate-page-content.png");

  // The names' mode keeps its own groups and status.
  page.rdoDupByName->click();
  QVERIFY(page.GroupGrid->isVisible());
  QCOMPARE(page.StatusPanel0->text(), nameStatus);
  page.rdoDupByContent->click();
  QCOMPARE(groups->model()->rowCount(), 4);

  // A jump from a member lands on its row in the media page.
  groups->selectRow(quickHello);
  for (int r = 0; r < members->model()->rowCount(); ++r)
    if (Cell(members, r, 2) == QStringLiteral("z.txt")) members->selectRow(r);
  QTest::mouseClick(page.cmdShow, Qt::LeftButton);
  MediaPage& media = w.Media();
  QCOMPARE(w.PageControl1->currentWidget(), static_cast<QWidget*>(w.TabSheet1));
  QCOMPARE(media.TreeView1->currentItem()->text(0), QStringLiteral("B"));
  const auto* list = media.pnlListViewClient->ListView1;
  const QModelIndexList selected = list->selectionModel()->selectedRows();
  QCOMPARE(selected.size(), 1);
  QCOMPARE(list->model()->index(selected.front().row(), 0).data().toString(),
           QStringLiteral("z.txt"));
  QVERIFY(prompter_.Messages().isEmpty());

  // The switch is remembered: the next window's page opens in content mode
  // and finds its groups when first shown.
  fixture.reset();
  test::SessionWindow again(prompter_);
  QVERIFY(again.window.Started());
  again.window.show();
  again.window.PageControl1->setCurrentWidget(again.window.TabSheet8);
  ResultPage& reopened = *again.window.TabSheet8->Results;
  QVERIFY(reopened.rdoDupByContent->isChecked());
  QVERIFY(reopened.ContentGrid->isVisible() && !reopened.GroupGrid->isVisible());
  QCOMPARE(reopened.ContentGrid->model()->rowCount(), 4);
  reopened.rdoDupByName->click();
  QCOMPARE(folder_->FreshSettings().GetRaw(QStringLiteral("Results/DupByContent"), QString()),
           QStringLiteral("0"));
}

void ContentDupsWindowTest::AFilesCopiesAreShownAndSearched() {
  auto fixture = Window();
  QVERIFY(fixture != nullptr);
  TfrmMain& w = fixture->window;
  Catalog& catalog = fixture->session.GetCatalog();
  MediaPage& media = w.Media();
  const int32_t z = KeyOf(catalog, 1, "z.txt");
  const int32_t plain = KeyOf(catalog, 4, "z.txt");  // N, read without prints
  QVERIFY(z >= 0 && plain >= 0);

  // The detail panel's content tab lists the copies, the file itself marked.
  DetailPanel& detail = *media.Panel24;
  detail.PageControl3->setCurrentWidget(detail.TabSheetContent);
  w.GoToEntry(z);
  QCOMPARE(media.SelectedFileWithFingerprint(), z);
  QTableView* copies = detail.ContentGridView;
  QCOMPARE(Members(copies),
           (QSet<QString>{"A\\x.txt", "A\\y.txt", QStringLiteral("A\\同じ.txt"), "B\\z.txt"}));
  QCOMPARE(detail.lblContentCount->text(), QStringLiteral("4 件（指紋：先頭と末尾（高速））"));
  const QModelIndexList marked = copies->selectionModel()->selectedRows();
  QCOMPARE(marked.size(), 1);
  QCOMPARE(Cell(copies, marked.front().row(), 2), QStringLiteral("z.txt"));
  KeepPicture(w, "detail-content.png");

  // The list's command finds the same files on the search page.
  media.ListSameContent->trigger();
  QCOMPARE(w.PageControl1->currentWidget(), static_cast<QWidget*>(w.TabSheet2));
  SearchHitModel& hits = w.TabSheet2->Model();
  QSet<QString> found;
  for (int r = 0; r < hits.RowCount(); ++r)
    found << QString::fromStdString(text::Cp932ToUtf8(hits.Row(r).Path + "\\" + hits.Row(r).Name));
  QCOMPARE(found, (QSet<QString>{"A\\x.txt", "A\\sub\\y.txt", QStringLiteral("A\\日本\\同じ.txt"),
                                 "B\\z.txt"}));
  KeepPicture(w, "search-same-content.png");

  // A file of a media read without prints has none to compare.
  w.GoToEntry(plain);
  QCOMPARE(media.SelectedFileWithFingerprint(), -1);
  QCOMPARE(detail.lblContentCount->text(), QStringLiteral("指紋なし"));
  QCOMPARE(copies->model()->rowCount(), 0);
  QVERIFY(prompter_.Messages().isEmpty());
}

QTEST_MAIN(ContentDupsWindowTest)
#include "ContentDupsWindowTest.moc"
