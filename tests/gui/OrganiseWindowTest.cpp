// Organising media from the window, driven through the real widgets: moving
// media between categories and locations, numbering storage details, writing
// comments from the dialog and the panel, the full comment table, marks on the
// file list and on search hits with their state image, and linking, changing
// and removing media pictures (missing and unreadable files included). Every
// question is answered by a scripted prompter.

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "organise/MediaPictures.h"
#include "support/MediaBuilder.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/MediaPage.h"
#include "ui/PropertyPanel.h"
#include "ui/Session.h"
#include "ui/organise/MarkCommand.h"
#include "ui/organise/PxAreaSubList.h"
#include "ui/organise/PxComment.h"
#include "ui/organise/PxDivision.h"
#include "ui/organise/PxMediaImage.h"
#include "ui/widgets/PictureShow.h"

using namespace plomix;

namespace {

struct AskLog : test::ScriptedPrompter {
  AskLog() { defaultAnswer = PromptResult::No; }
};

QStringList Tabs(const QTabBar* tabs) {
  QStringList texts;
  for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i);
  return texts;
}

void SelectTab(QTabBar* tabs, const QString& text) {
  const int index = Tabs(tabs).indexOf(text);
  QVERIFY2(index >= 0, qPrintable(text));
  tabs->setCurrentIndex(index);
}

QStringList Column(const QTreeWidget* list, int column) {
  QStringList texts;
  for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(column);
  return texts;
}

QTreeWidgetItem* RowNamed(QTreeWidget* list, const QString& name) {
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    if (list->topLevelItem(i)->text(0) == name) return list->topLevelItem(i);
  return nullptr;
}

// Works the modal dialog of type D that `command` opens, then closes it if
// `work` left it open.
template <typename D>
void WithDialog(const std::function<void()>& command, const std::function<void(D&)>& work) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<D*>(widget);
      if (!dialog || !dialog->isVisible()) continue;
      seen = true;
      work(*dialog);
      if (dialog->isVisible()) dialog->done(QDialog::Rejected);
    }
  });
  command();
  QVERIFY(seen);
}

bool SavePicture(const QString& path, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(30, 120, 200));
  return image.save(path);
}

}  // namespace

class OrganiseWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  QString Path(const QString& name) const { return folder_->Path(name); }
  std::string CatalogPath() const { return folder_->File("org.qdb"); }
  // Three media: Disk0 (HD, 棚A), Disk1 (CD, no location), Disk2 (CD, 棚B),
  // three files each; the window opens it without asking.
  std::unique_ptr<test::SessionWindow> Window(AskLog& prompter);
  static void Select(test::SessionWindow& w, const std::vector<int>& rows);

 private Q_SLOTS:
  void init();
  void cleanup() { folder_.reset(); }
  void MovingBetweenCategoriesRefreshesTheWindow();
  void LocationModeMovesDetailsAndCancel();
  void NewNamesAndImpossibleMoves();
  void NumberingStorageDetails();
  void CommentsFromTheDialogAndThePanel();
  void FullCommentTable();
  void MarksToggleEachRow();
  void LinkChangeAndRemovePictures();
  void MissingAndUnreadablePictures();
  void PicturesWaitForTheRunningTransition();
  void RestartInsideACategorisedMediaKeepsEveryTab();
};

void OrganiseWindowTest::init() {
  folder_ = std::make_unique<test::GuiFolder>();
  qputenv("PLOMIX2_WALLPAPER", "");
  Catalog catalog;
  QVERIFY(catalog.CreateCatalog(CatalogPath()));
  const char* media[][3] = {{"Disk0", "HD", "棚A"}, {"Disk1", "CD", ""}, {"Disk2", "CD", "棚B"}};
  for (const auto& m : media) {
    TMediaInfomation info = test::InfoFor(test::Sj(m[1]));
    info.Location = test::Sj(m[2]);
    QVERIFY(catalog.AddMedia(test::FlatMedia(m[0], 3), info));
  }
  folder_->OpenAtStart(QStringLiteral("org.qdb"));
}

std::unique_ptr<test::SessionWindow> OrganiseWindowTest::Window(AskLog& prompter) {
  auto fixture = std::make_unique<test::SessionWindow>(prompter);
  if (!fixture->window.Started()) return nullptr;
  PictureShow* picture = fixture->window.Media().pnlListViewLeft->PicShow1;
  picture->SetTransitionMs(0);
  // The start-up picture fades in as usual; tests begin once it is shown.
  if (!QTest::qWaitFor(
          [picture] { return !picture->Running() && picture->PendingPath().isEmpty(); }))
    return nullptr;
  return fixture;
}

void OrganiseWindowTest::Select(test::SessionWindow& w, const std::vector<int>& rows) {
  QTableView* list = w.window.Media().pnlListViewClient->ListView1;
  list->clearSelection();
  for (int row : rows)
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void OrganiseWindowTest::MovingBetweenCategoriesRefreshesTheWindow() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  MediaPage& page = w->window.Media();
  QCOMPARE(Tabs(page.TabControlTreeView), (QStringList{"すべて", "CD", "HD"}));
  WithDialog<TfrmDivision>(
      [&] { page.ToolButton52->click(); },
      [](TfrmDivision& d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("メディアの分類変更"));
        QCOMPARE(Tabs(d.TabControl1), (QStringList{"すべて", "CD", "HD"}));
        QCOMPARE(Tabs(d.TabControl2), (QStringList{"CD", "HD"}));
        QCOMPARE(d.ListView1->headerItem()->text(1), QStringLiteral("保管場所"));
        SelectTab(d.TabControl1, "HD");
        SelectTab(d.TabControl2, "CD");
        QCOMPARE(Column(d.ListView1, 0), QStringList{"Disk0"});
        QVERIFY(!d.cmdMove->isEnabled());
        QVERIFY(d.cmdMoveAll->isEnabled());
        d.ListView1->topLevelItem(0)->setCheckState(0, Qt::Checked);
        QVERIFY(d.cmdMove->isEnabled());
        QCOMPARE(d.pnlBefore->text(), QStringLiteral("変更前 [HD] (1/1)"));
        QCOMPARE(d.cmdMove->toolTip(), QStringLiteral("HD → CD\r1件の分類を移動"));
        d.cmdMove->click();
        // The emptied category is gone from both strips at once.
        QCOMPARE(Tabs(d.TabControl1), (QStringList{"すべて", "CD"}));
        QCOMPARE(Tabs(d.TabControl2), QStringList{"CD"});
        QCOMPARE(d.TabControl1->tabText(d.TabControl1->currentIndex()),
                 QStringLiteral("すべて"));  // its tab is gone
        QCOMPARE(d.pnlAfter->text(), QStringLiteral("変更後 [CD] (3)"));
        QVERIFY(d.MediaMoved());
        d.cmdClose->click();
      });
  QCOMPARE(Tabs(page.TabControlTreeView), (QStringList{"すべて", "CD"}));
  QCOMPARE(page.TopNode()->childCount(), 3);
  QCOMPARE(w->session.GetCatalog().CategoryFilter(), std::string());
  Catalog reopened;
  QVERIFY(reopened.OpenCatalog(CatalogPath()));
  QCOMPARE(reopened.Slot(0).Category(), std::string("CD"));
  QVERIFY(prompter.Messages().isEmpty());
}

void OrganiseWindowTest::LocationModeMovesDetailsAndCancel() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  Catalog& catalog = w->session.GetCatalog();
  TfrmDivision d(w->session, DivMode::Location);
  d.show();
  QCOMPARE(d.windowTitle(), QStringLiteral("メディアの保管場所変更"));
  QCOMPARE(Tabs(d.TabControl1), (QStringList{"すべて", "保管場所未登録", "棚A", "棚B"}));
  QCOMPARE(Tabs(d.TabControl2), (QStringList{"棚A", "棚B"}));
  QVERIFY(d.txtAreaSub->isVisible());
  SelectTab(d.TabControl1, "保管場所未登録");
  QCOMPARE(Column(d.ListView1, 0), QStringList{"Disk1"});
  QCOMPARE(Column(d.ListView1, 1), QStringList{"CD"});
  SelectTab(d.TabControl2, "棚A");
  d.cmdMoveAll->click();
  QCOMPARE(catalog.Slot(1).Location(), test::Sj("棚A"));
  QCOMPARE(Tabs(d.TabControl1), (QStringList{"すべて", "保管場所未登録", "棚A", "棚B"}));
  QCOMPARE(d.TabControl1->tabText(d.TabControl1->currentIndex()),
           QStringLiteral("保管場所未登録"));  // the left tab stays where it was
  QCOMPARE(d.ListView1->topLevelItemCount(), 0);

  // A storage detail, cut to its 10 bytes on a character boundary.
  SelectTab(d.TabControl2, "棚A");
  QVERIFY(!d.cmdAreaSub->isEnabled());
  d.ListView2->setCurrentItem(RowNamed(d.ListView2, "Disk1"));
  QVERIFY(d.cmdAreaSub->isEnabled());
  d.txtAreaSub->setText(QStringLiteral("二段目の棚の奥"));
  // The user is asked before a cut text is stored; declining stores nothing.
  prompter.answers = {PromptResult::Cancel};
  d.cmdAreaSub->click();
  QCOMPARE(catalog.Slot(1).LocationDetail(), std::string());
  QCOMPARE(prompter.Messages(),
           QStringList{"入力された文字列は長すぎるため、「二段目の棚」に切り詰めて保存します。"});
  prompter.prompts.clear();
  prompter.answers = {PromptResult::Ok};
  d.cmdAreaSub->click();
  QCOMPARE(catalog.Slot(1).LocationDetail(), test::Sj("二段目の棚"));
  QCOMPARE(RowNamed(d.ListView2, "Disk1")->text(2), QStringLiteral("二段目の棚"));
  QVERIFY(!d.cmdAreaSub->isEnabled());
  prompter.prompts.clear();

  // Cancel asks because media were moved; No keeps the dialog, Yes reloads.
  prompter.answers = {PromptResult::No, PromptResult::Yes};
  d.cmdCancel->click();
  QVERIFY(d.isVisible());
  d.cmdCancel->click();
  QVERIFY(!d.isVisible());
  QCOMPARE(prompter.Messages(),
           (QStringList{"変更内容を取り消しますか？", "変更内容を取り消しますか？"}));
  QCOMPARE(catalog.Slot(1).Location(), std::string());
  QCOMPARE(catalog.Slot(1).LocationDetail(), std::string());

  // A detail alone is discarded without a question.
  prompter.prompts.clear();
  TfrmDivision again(w->session, DivMode::Location);
  again.show();
  SelectTab(again.TabControl2, "棚B");
  again.ListView2->setCurrentItem(again.ListView2->topLevelItem(0));
  again.txtAreaSub->setText("X");
  again.cmdAreaSub->click();
  again.cmdCancel->click();
  QVERIFY(prompter.prompts.empty());
  QCOMPARE(catalog.Slot(2).LocationDetail(), std::string());
}

void OrganiseWindowTest::NewNamesAndImpossibleMoves() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  TfrmDivision d(w->session, DivMode::Category);
  d.show();
  for (const QString& name :
       {QString(), QStringLiteral("すべて"), QStringLiteral("デフォルト"), QStringLiteral("HD")}) {
    d.txtNewDivision->setText(name);
    d.cmdAddNew->click();
  }
  QCOMPARE(prompter.Messages(),
           (QStringList{"新規分類の名称が未入力です。",
                        "すべては、新規分類の名称に指定するこは出来ません。",
                        "デフォルトは、新規分類の名称に指定するこは出来ません。",
                        "指定された名称は既に登録済みです。"}));
  QCOMPARE(d.TabControl2->tabText(d.TabControl2->currentIndex()), QStringLiteral("HD"));
  d.txtNewDivision->setText(QStringLiteral("写真"));
  d.cmdAddNew->click();
  QCOMPARE(Tabs(d.TabControl2), (QStringList{"CD", "HD", "写真"}));
  QCOMPARE(d.TabControl2->currentIndex(), 2);
  QCOMPARE(d.ListView2->topLevelItemCount(), 0);
  QVERIFY(d.txtNewDivision->text().isEmpty());
  // Left and right the same: nothing can move.
  SelectTab(d.TabControl1, "CD");
  SelectTab(d.TabControl2, "CD");
  QVERIFY(!d.cmdMove->isEnabled());
  QVERIFY(!d.cmdMoveAll->isEnabled());
  // A name that no media received is dropped at the next rebuild.
  SelectTab(d.TabControl1, "HD");
  d.cmdMoveAll->click();
  QCOMPARE(Tabs(d.TabControl2), QStringList{"CD"});
  // The first header click sorts descending, the next ascending.
  SelectTab(d.TabControl1, "すべて");
  d.ListView1->header()->sectionClicked(0);
  QCOMPARE(Column(d.ListView1, 0), (QStringList{"Disk2", "Disk1", "Disk0"}));
  d.ListView1->header()->sectionClicked(0);
  QCOMPARE(Column(d.ListView1, 0), (QStringList{"Disk0", "Disk1", "Disk2"}));
  prompter.answers = {PromptResult::Yes};
  d.reject();
}

void OrganiseWindowTest::NumberingStorageDetails() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  Catalog& catalog = w->session.GetCatalog();
  TfrmAreaSubList d(w->session);
  d.show();
  QCOMPARE(d.txtPrefix->text(), QStringLiteral("あそこ_"));
  QCOMPARE(d.lblExample->text(), QStringLiteral("例：あそこ_001"));
  QCOMPARE(Tabs(d.TabControl1), (QStringList{"すべて", "棚A", "棚B"}));
  // Disk2 is moved to the top before numbering.
  d.ListView2->topLevelItem(2)->setSelected(true);
  d.SpinButton1Up->click();
  d.SpinButton1Up->click();
  QCOMPARE(Column(d.ListView2, 0), (QStringList{"Disk2", "Disk0", "Disk1"}));
  d.cmdAllOn->click();
  d.txtPrefix->setText("P");
  d.txtNo->setText("9");
  QCOMPARE(d.lblExample->text(), QStringLiteral("例：P9"));
  d.cmdSetName->click();
  QCOMPARE(Column(d.ListView2, 2), (QStringList{"P9", "P0", "P1"}));
  QCOMPARE(catalog.Slot(2).LocationDetail(), std::string("P9"));
  QCOMPARE(catalog.Slot(1).LocationDetail(), std::string("P1"));
  // An empty start number is refused.
  d.txtNo->clear();
  d.cmdSetName->click();
  QCOMPARE(prompter.Messages(), QStringList{"連番の開始番号が未入力です。"});
  d.cmdClose->click();
  QVERIFY(!d.isVisible());
  QCOMPARE(w->session.GetSettings().GetString(REG_PrefixAreaSub), QStringLiteral("P"));
  Catalog reopened;
  QVERIFY(reopened.OpenCatalog(CatalogPath()));
  QCOMPARE(reopened.Slot(0).LocationDetail(), std::string("P0"));
}

void OrganiseWindowTest::CommentsFromTheDialogAndThePanel() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  MediaPage& page = w->window.Media();
  FileListPanel& list = *page.pnlListViewClient;
  Catalog& catalog = w->session.GetCatalog();
  page.GoToPath("Disk1");
  QCOMPARE(page.ListModel().RowCount(), 3);

  Select(*w, {});
  list.ToolButton37->click();
  Select(*w, {0, 1});
  list.ToolButton37->click();
  QCOMPARE(prompter.Messages(), (QStringList{"コメントを書込むファイルが不明です",
                                             "複数ファイルにコメントは登録出来ません"}));
  QCOMPARE(prompter.prompts[0].icon, PromptIcon::Warning);

  Select(*w, {0});
  WithDialog<TfrmComment>([&] { list.ToolButton37->click(); },
                          [](TfrmComment& d) {
                            QCOMPARE(d.windowTitle(), QStringLiteral("コメント文"));
                            QVERIFY(d.Memo1->toPlainText().isEmpty());
                            d.cmdSet->click();  // empty on an entry without comment: stays open
                            QVERIFY(d.isVisible());
                            d.Memo1->setPlainText(QStringLiteral("一行目\n二行目"));
                            d.cmdSet->click();
                            QVERIFY(!d.isVisible());
                          });
  const TRecord& row = page.ListModel().Row(0);
  QVERIFY(row.CommentNo >= 0);
  QCOMPARE(catalog.CommentText(row.CommentNo), test::Sj("一行目\r\n二行目"));
  QCOMPARE(list.txtComment->toPlainText(), QStringLiteral("一行目\n二行目"));

  // Changed from the panel, then removed.
  list.txtComment->setPlainText(QStringLiteral("変更"));
  list.cmdComment->click();
  QCOMPARE(catalog.CommentText(row.CommentNo), test::Sj("変更"));
  const int slot = row.CommentNo;
  list.txtComment->clear();
  list.cmdComment->click();
  QCOMPARE(row.CommentNo, -1);
  QCOMPARE(catalog.CommentSlot(slot).Key(), -1);

  // The panel holds at most 255 characters.
  list.txtComment->setPlainText(QString(300, 'z'));
  QCOMPARE(list.txtComment->toPlainText().size(), 255);

  // The dialog's list of every comment, sorted by a header click.
  for (int i = 0; i < 3; ++i) {
    Select(*w, {i});
    list.txtComment->setPlainText(QString(QChar('c' - i)));
    list.cmdComment->click();
  }
  // The panel follows the selection, never keeping a previous entry's text.
  for (const int i : {2, 0, 1}) {
    Select(*w, {i});
    QCOMPARE(list.txtComment->toPlainText(), QString(QChar('c' - i)));
  }
  Select(*w, {0});
  TfrmComment d(w->session, page.ListModel().MutableRow(0));
  QCOMPARE(d.ListView1->model()->rowCount(), 3);
  QCOMPARE(d.ListView1->model()->index(0, 0).data().toString(), QStringLiteral("a"));
  d.ListView1->horizontalHeader()->sectionClicked(0);
  QCOMPARE(d.ListView1->model()->index(0, 0).data().toString(), QStringLiteral("c"));
  d.ListView1->horizontalHeader()->sectionClicked(3);
  QCOMPARE(CommentListSort().column, 3);
  QVERIFY(!CommentListSort().ascending);
  CommentListSort() = {};
}

void OrganiseWindowTest::FullCommentTable() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  Catalog& catalog = w->session.GetCatalog();
  for (int i = 0; i < kMaxComments; ++i)
    QVERIFY(catalog.AddComment(2000000 + i, "x", 10, "n") >= 0);
  MediaPage& page = w->window.Media();
  page.GoToPath("Disk0");
  Select(*w, {1});
  page.pnlListViewClient->txtComment->setPlainText("lost");
  page.pnlListViewClient->cmdComment->click();
  QCOMPARE(prompter.Messages().size(), 1);
  QCOMPARE(page.ListModel().Row(1).CommentNo, -1);
  page.GoToPath("Disk0");
  QCOMPARE(page.ListModel().Row(1).CommentNo, -1);
  QCOMPARE(page.ListModel().Row(1).Texts.at(8), std::string());
}

void OrganiseWindowTest::MarksToggleEachRow() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  MediaPage& page = w->window.Media();
  Catalog& catalog = w->session.GetCatalog();
  page.GoToPath("Disk2");
  const int32_t first = page.ListModel().Row(0).Key;
  QCOMPARE(catalog.SetMark(Catalog::MarkChange::Set, first), 1);
  page.GoToPath("Disk2");
  const QIcon plain = qvariant_cast<QIcon>(page.ListModel().index(1, 0).data(Qt::DecorationRole));
  Select(*w, {0, 1});
  page.pnlListViewClient->ToolButton4->click();
  QCOMPARE(page.ListModel().Row(0).MarkImage, -1);
  QCOMPARE(page.ListModel().Row(1).MarkImage, 0);
  const QIcon marked = qvariant_cast<QIcon>(page.ListModel().index(1, 0).data(Qt::DecorationRole));
  QVERIFY(marked.pixmap(16).toImage() != plain.pixmap(16).toImage());
  // Written at once: a fresh catalogue sees the flipped marks.
  Catalog reopened;
  QVERIFY(reopened.OpenCatalog(CatalogPath()));
  QVERIFY(reopened.LoadMedia(2));
  QCOMPARE(int(reopened.LoadedRec(RecordOfKey(first)).Mark()), 0);
  QCOMPARE(int(reopened.LoadedRec(RecordOfKey(page.ListModel().Row(1).Key)).Mark()), 1);
  // The context menu item does the same.
  Select(*w, {1});
  page.pnlListViewClient->N2->trigger();
  QCOMPARE(page.ListModel().Row(1).Mark, 0);

  // Search hits are copies of entries: marking them changes the catalogue
  // and the copies; the file list shows it after its next fill.
  std::vector<TRecord> hits{page.ListModel().Row(1), page.ListModel().Row(2)};
  QVERIFY(MarkCommand(w->session, {&hits[0], &hits[1]}));
  QCOMPARE(int(hits[0].Mark), 1);
  QCOMPARE(hits[1].MarkImage, 0);
  QCOMPARE(page.ListModel().Row(1).Mark, 0);
  page.GoToPath("Disk2");
  QCOMPARE(page.ListModel().Row(1).MarkImage, 0);
  QCOMPARE(page.ListModel().Row(2).MarkImage, 0);
  QVERIFY(MarkCommand(w->session, {&hits[0]}));
  QCOMPARE(hits[0].MarkImage, -1);
  // A list refilled meanwhile stops the command after the row in hand.
  QVERIFY(!MarkCommand(w->session, {&hits[0], &hits[1]}, [] { return false; }));
  QCOMPARE(int(hits[0].Mark), 1);
  QCOMPARE(int(hits[1].Mark), 1);

  // マーク pressed while a list fills (nothing selected yet) is harmless: the
  // fill goes on to its end and nothing is marked.
  page.GoToPath("Disk1");
  QTimer::singleShot(0, page.pnlListViewClient->ToolButton4, &QToolButton::click);
  page.GoToPath("Disk2");
  QCOMPARE(page.ListModel().RowCount(), 3);
  QCOMPARE(page.ListModel().Row(0).Mark, 0);
}

void OrganiseWindowTest::LinkChangeAndRemovePictures() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  MediaPage& page = w->window.Media();
  PropertyPanel& panel = *page.pnlListViewLeft;
  Catalog& catalog = w->session.GetCatalog();
  const QString first = Path("first.png"), second = Path("second.jpg");
  QVERIFY(SavePicture(first, 640, 480));
  QVERIFY(SavePicture(second, 3000, 2000));

  // Top node: no linking, the wallpaper is unset so the default shows.
  QVERIFY(!panel.ToolButton70->isEnabled());
  QCOMPARE(panel.PicShow1->ShownPath(), kDefaultPicture);
  page.GoToPath("Disk1");
  QVERIFY(panel.ToolButton70->isEnabled());
  prompter.paths = {first};
  panel.ToolButton70->click();
  QCOMPARE(prompter.prompts.back().text, QStringLiteral("メディアにリンクする画像ファイルを指定"));
  QCOMPARE(catalog.MediaPicture(1), first.toStdString());
  QCOMPARE(panel.PicShow1->ShownPath(), first);
  QVERIFY(!panel.PicShow1->Picture().isNull());
  // Never kept larger than the control.
  QVERIFY(panel.PicShow1->Picture().width() <= std::max(panel.PicShow1->width(), 640));

  // Changed by a double-click on the picture; the large photo is decoded small.
  prompter.paths = {second};
  QTest::mouseDClick(panel.PicShow1, Qt::LeftButton);
  QCOMPARE(panel.PicShow1->ShownPath(), second);
  QVERIFY(panel.PicShow1->Picture().width() < 3000);

  // The dialog lists the link, removes it, and the window follows.
  TfrmMediaImage d(w->session);
  d.PicShow1->SetTransitionMs(0);
  d.show();
  QCOMPARE(d.windowTitle(), QStringLiteral("メディアにリンクされた画像一覧"));
  QCOMPARE(Column(d.ListView1, TfrmMediaImage::kLinkColumn),
           (QStringList{"未登録", second, "未登録"}));
  d.ListView1->setCurrentItem(d.ListView1->topLevelItem(1));
  QCOMPARE(d.PicShow1->ShownPath(), second);
  prompter.paths = {first};
  d.cmdUpdate->click();
  QCOMPARE(d.ListView1->topLevelItem(1)->text(1), first);
  QCOMPARE(catalog.MediaPicture(1), first.toStdString());
  d.cmdDelete->click();
  QCOMPARE(d.ListView1->topLevelItem(1)->text(1), QStringLiteral("未登録"));
  QCOMPARE(d.PicShow1->ShownPath(), kDefaultPicture);
  // Cancelling the file dialog changes nothing.
  prompter.paths.clear();
  d.cmdUpdate->click();
  QCOMPARE(catalog.MediaPicture(1), std::string());
  d.close();
  page.GoToPath("Disk0");
  page.GoToPath("Disk1");
  QCOMPARE(panel.PicShow1->ShownPath(), kDefaultPicture);
}

void OrganiseWindowTest::MissingAndUnreadablePictures() {
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  Catalog& catalog = w->session.GetCatalog();
  const QString gone = Path("gone.png");
  QVERIFY(SavePicture(gone, 10, 10));
  catalog.SetMediaPicture(0, gone.toStdString());
  QFile::remove(gone);
  TfrmMediaImage d(w->session);
  d.PicShow1->SetTransitionMs(0);
  d.show();
  QCOMPARE(d.ListView1->topLevelItem(0)->text(1), QStringLiteral("削除?[") + gone + "]");
  QCOMPARE(d.PicShow1->ShownPath(), kDefaultPicture);
  QVERIFY(!d.PicShow1->Picture().isNull());
  d.close();

  // Files that are no picture, cut short, or claim a huge size: a reason,
  // never a crash and never the full size in memory.
  const QString text = Path("notes.png"), cut = Path("cut.jpg"), huge = Path("huge.bmp");
  {
    QFile f(text);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("this is not a picture");
  }
  QVERIFY(SavePicture(cut, 800, 600));
  QFile::resize(cut, QFileInfo(cut).size() / 3);
  {
    // A bitmap header claiming 50,000 × 50,000 pixels with no pixels after it.
    QByteArray bmp(54, '\0');
    auto put32 = [&](int at, quint32 v) {
      for (int i = 0; i < 4; ++i) bmp[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, 50000);
    put32(22, 50000);
    bmp[26] = 1;
    bmp[28] = 24;
    QFile f(huge);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bmp);
  }
  QString problem;
  QVERIFY(LoadPicture(text, QSize(200, 200), &problem).isNull());
  QVERIFY(!problem.isEmpty());
  QVERIFY(LoadPicture(huge, QSize(200, 200), &problem).isNull());
  QVERIFY(!problem.isEmpty());
  const QImage partial = LoadPicture(cut, QSize(200, 200), &problem);
  QVERIFY(partial.isNull() || partial.width() <= 200);
  // Shown in the window, an unreadable link says why instead of a picture.
  catalog.SetMediaPicture(2, text.toStdString());
  MediaPage& page = w->window.Media();
  page.GoToPath("Disk2");
  // The window's first picture may still be fading in: this one waits for it.
  QTRY_COMPARE(page.pnlListViewLeft->PicShow1->ShownPath(), text);
  QVERIFY(!page.pnlListViewLeft->PicShow1->Problem().isEmpty());
}

void OrganiseWindowTest::PicturesWaitForTheRunningTransition() {
  const QString a = Path("a.png"), b = Path("b.png");
  QVERIFY(SavePicture(a, 50, 50));
  QVERIFY(SavePicture(b, 60, 40));
  PictureShow show;
  show.resize(100, 100);
  show.SetTransitionMs(150);
  int finished = 0;
  connect(&show, &PictureShow::TransitionFinished, [&] { ++finished; });
  show.ShowPath(a);
  QVERIFY(show.Running());
  show.ShowPath(b);  // waits for a's transition
  QCOMPARE(show.ShownPath(), a);
  QCOMPARE(show.PendingPath(), b);
  QTRY_COMPARE(show.ShownPath(), b);
  QTRY_COMPARE(finished, 2);
  show.ShowPath(b);  // the same picture again: no new transition
  QVERIFY(!show.Running());
  // Back to the shown one while another waits: the waiting one is dropped.
  show.ShowPath(a);
  show.ShowPath(b);
  show.ShowPath(a);
  QTRY_VERIFY(!show.Running());
  QTest::qWait(100);
  QCOMPARE(show.ShownPath(), a);
  QVERIFY(show.PendingPath().isEmpty());
}

QTEST_MAIN(OrganiseWindowTest)
void OrganiseWindowTest::RestartInsideACategorisedMediaKeepsEveryTab() {
  {
    AskLog prompter;
    auto w = Window(prompter);
    QVERIFY(w);
    MediaPage& page = w->window.Media();
    w->window.show();
    page.GoToPath("Disk1");  // category CD
    page.pnlListViewClient->ListView1->selectRow(0);
    QVERIFY(w->window.close());
  }
  AskLog prompter;
  auto w = Window(prompter);
  QVERIFY(w);
  MediaPage& page = w->window.Media();
  w->window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w->window));
  // The remembered entry is shown, and the tab strip is whole: すべて stays
  // chosen because the entry is visible there, and the tree holds every media.
  QCOMPARE(page.ListModel().Row(0).Name, std::string("f0"));
  QVERIFY(page.TabControlTreeView->isVisible());
  QCOMPARE(Tabs(page.TabControlTreeView), (QStringList{"すべて", "CD", "HD"}));
  QCOMPARE(page.TabControlTreeView->currentIndex(), 0);
  QCOMPARE(page.TreeView1->topLevelItem(0)->childCount(), 3);

  // Under another category's tab the entry is hidden: the jump switches to
  // its media's tab and says so.
  const int32_t key = page.ListModel().Row(0).Key;
  page.TabControlTreeView->setCurrentIndex(2);  // HD
  QSignalSpy status(&page, &Page::StatusText);
  page.ShowEntry(key);
  QCOMPARE(page.TabControlTreeView->tabText(page.TabControlTreeView->currentIndex()),
           QStringLiteral("CD"));
  QCOMPARE(page.ListModel().Row(0).Key, key);
  QVERIFY(!status.isEmpty());
  QCOMPARE(status.last().at(1).toString(), QStringLiteral("「CD」のタブに切り替えました"));
}

#include "OrganiseWindowTest.moc"
