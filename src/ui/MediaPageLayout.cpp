// Building the media page: the tree area, the sub-pages, the list panel's
// connections, the copy commands and the tree's menu.
#include <QActionGroup>
#include <QBoxLayout>
#include <QCheckBox>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

#include "analysis/ContentCopies.h"
#include "browse/BrowseHistory.h"
#include "browse/MediaPath.h"
#include "browse/NameOrder.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "organise/Comments.h"
#include "organise/MediaPictures.h"
#include "ui/CopyCommands.h"
#include "ui/DatePage.h"
#include "ui/DetailPanel.h"
#include "ui/FileCommands.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/HistoryController.h"
#include "ui/ImageList.h"
#include "ui/MediaPage.h"
#include "ui/PageSupport.h"
#include "ui/PropertyPanel.h"
#include "ui/Session.h"
#include "ui/ShownNames.h"
#include "ui/SizeChartPage.h"
#include "ui/SizeChartState.h"
#include "ui/TopNPage.h"
#include "ui/export/PxEnvClipbord.h"
#include "ui/organise/MarkCommand.h"
#include "ui/organise/PxAreaSubList.h"
#include "ui/organise/PxComment.h"
#include "ui/organise/PxDivision.h"
#include "ui/organise/PxMediaImage.h"
#include "ui/reading/PxDriveChange.h"
#include "ui/widgets/PictureShow.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

QWidget* MediaPage::BuildTreeArea() {
  // The category tabs around the tree toolbar and the tree.
  treeArea_ = new QWidget(Splitter1);
  treeArea_->setObjectName(QStringLiteral("TreeArea"));
  treeAreaLayout_ = new QBoxLayout(QBoxLayout::TopToBottom, treeArea_);
  treeAreaLayout_->setContentsMargins(0, 0, 0, 0);
  treeAreaLayout_->setSpacing(0);
  TabControlTreeView = new QTabBar(treeArea_);
  TabControlTreeView->setObjectName(QStringLiteral("TabControlTreeView"));
  TabControlTreeView->setUsesScrollButtons(false);
  TabControlTreeView->setExpanding(false);
  TabControlTreeView->setElideMode(Qt::ElideNone);
  auto* treeBox = new QWidget(treeArea_);
  auto* treeBoxLayout = new QVBoxLayout(treeBox);
  treeBoxLayout->setContentsMargins(0, 0, 0, 0);
  treeBoxLayout->setSpacing(0);
  ToolBar4 = new QToolBar(treeBox);
  ToolBar4->setObjectName(QStringLiteral("ToolBar4"));
  ToolBar4->setIconSize(QSize(16, 16));
  auto add = [this](const char* name, const char* hint, int image) {
    return AddToolButton(ToolBar4, images_, name, QString::fromUtf8(hint), image);
  };
  ToolButton6 = add("ToolButton6", "メディア情報の追加/更新", 4);
  ToolButton7 = add("ToolButton7", "カレントのメディア情報を削除", 11);
  ToolButton52 = add("ToolButton52", "メディアの分類を変更...", 7);
  ToolButton53 = add("ToolButton53", "メディアの保管場所を変更...", 7);
  ToolButton55 = add("ToolButton55", "メディア名称の変更", 10);
  ToolButton63 = add("ToolButton63", "メディアにリンクされた画像一覧", 10);
  connect(ToolButton55, &QToolButton::clicked, this, &MediaPage::ToolButton55Click);
  TreeView1 = new QTreeWidget(treeBox);
  TreeView1->setObjectName(QStringLiteral("TreeView1"));
  TreeView1->setHeaderHidden(true);
  TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
  TabControlTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
  treeBoxLayout->addWidget(ToolBar4);
  treeBoxLayout->addWidget(TreeView1, 1);
  treeAreaLayout_->addWidget(TabControlTreeView);
  treeAreaLayout_->addWidget(treeBox, 1);
  connect(TreeView1, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { TreeView1Change(current); });
  connect(TreeView1, &QTreeWidget::itemExpanded, this, &MediaPage::TreeView1Expanding);
  connect(TreeView1, &QTreeWidget::itemChanged, this, &MediaPage::TreeView1Edited);
  connect(TabControlTreeView, &QTabBar::currentChanged, this, &MediaPage::TabControlTreeViewChange);
  return treeArea_;
}

void MediaPage::BuildSubPages() {
  PageControl2 = new QTabWidget(Splitter1);
  PageControl2->setObjectName(QStringLiteral("PageControl2"));
  TabSheet3 = new QWidget;
  TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
  TabSheet5 = new DatePage(session_);
  TabSheet4 = new QWidget;
  TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
  sizeCharts_ = new SizeChartState(session_.GetSettings(), session_.Ask(), this);
  TabSheet6 = new SizeChartPage(session_, *sizeCharts_);
  TabSheet7 = new TopNPage(session_, *sizeCharts_);
  PageControl2->addTab(TabSheet3, QStringLiteral("標準"));
  PageControl2->addTab(TabSheet5, QStringLiteral("更新日時"));
  PageControl2->addTab(TabSheet4, QStringLiteral("プロパティ"));
  PageControl2->addTab(TabSheet6, QStringLiteral("サイズ順"));
  PageControl2->addTab(TabSheet7, TabSheet7->Caption());
  PageControl2->setTabVisible(2, false);
  connect(TabSheet6, &SizeChartPage::UpRequested, this, &MediaPage::ToolButton40Click);
  connect(TabSheet7, &TopNPage::UpRequested, this, &MediaPage::ToolButton40Click);
  connect(TabSheet6, &SizeChartPage::OpenRowByKey, this, &MediaPage::OpenRow);
  connect(TabSheet7, &TopNPage::CaptionChanged, this, [this](const QString& caption) {
    PageControl2->setTabText(PageControl2->indexOf(TabSheet7), caption);
  });
  for (Page* sub : std::initializer_list<Page*>{TabSheet5, TabSheet6, TabSheet7}) {
    connect(sub, &Page::StatusText, this, &Page::StatusText);
    connect(sub, &Page::GoToEntry, this, &Page::GoToEntry);
  }

  auto* standard = new QVBoxLayout(TabSheet3);
  standard->setContentsMargins(0, 0, 0, 0);
  Splitter6 = new QSplitter(Qt::Vertical, TabSheet3);
  Splitter6->setObjectName(QStringLiteral("Splitter6"));
  Splitter3 = new QSplitter(Qt::Horizontal, Splitter6);
  Splitter3->setObjectName(QStringLiteral("Splitter3"));
  Splitter3->setHandleWidth(3);
  pnlListViewLeft = new PropertyPanel(images_);
  Splitter3->addWidget(pnlListViewLeft);
  pnlListViewClient = new FileListPanel(session_);
  Splitter3->addWidget(pnlListViewClient);
  Splitter3->setStretchFactor(1, 1);
  Splitter3->setSizes({280, 600});
  Splitter6->addWidget(Splitter3);
  Panel24 = new DetailPanel(session_);
  Splitter6->addWidget(Panel24);
  Splitter6->setStretchFactor(0, 1);
  standard->addWidget(Splitter6);
  connect(pnlListViewLeft, &PropertyPanel::StatusText, this,
          [this](const QString& text) { Q_EMIT StatusText(1, text); });
  // Checkable controls follow `toggled`, not `clicked`: the accessibility bus
  // toggles them without a click, and their handlers only apply the state.
  connect(pnlListViewLeft->ToolButton9, &QToolButton::toggled, this, [this](bool on) {
    if (on) ToolButton9Click();
  });
  connect(pnlListViewLeft->ToolButton10, &QToolButton::toggled, this, [this](bool on) {
    if (on) ToolButton10Click();
  });
}

void MediaPage::ConnectListPanel() {
  FileListPanel* list = pnlListViewClient;
  connect(list, &FileListPanel::StatusText, this,
          [this](const QString& text) { Q_EMIT StatusText(0, text); });
  connect(list->ToolButton61, &QToolButton::clicked, history_, &HistoryController::Back);
  connect(list->ToolButton62, &QToolButton::clicked, history_, &HistoryController::Forward);
  connect(list->ToolButton40, &QToolButton::clicked, this, &MediaPage::ToolButton40Click);
  connect(list->ToolButton14, &QToolButton::toggled, this, &MediaPage::ToolButton14Click);
  connect(list->chkDupInfoShow, &QCheckBox::toggled, this, &MediaPage::chkDupInfoShowClick);
  connect(list->ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MediaPage::ListView1SelectItem);
  connect(list->ListView1, &QAbstractItemView::doubleClicked, this, &MediaPage::ListView1DblClick);
  connect(list->ListView1Icons, &QAbstractItemView::doubleClicked, this,
          &MediaPage::ListView1DblClick);
  connect(list->N19, &QAction::triggered, this, &MediaPage::ToolButton40Click);
  connect(list->O1, &QAction::triggered, this, &MediaPage::ListView1DblClick);
  connect(list->ToolButton11, &QToolButton::clicked, this, &MediaPage::ToolButton11Click);
  connect(list->N4, &QAction::triggered, this, &MediaPage::ToolButton11Click);
  connect(list->N60, &QAction::triggered, this, &MediaPage::N60Click);
  connect(list->N10, &QAction::triggered, this, [this] {
    QToolButton* button = pnlListViewClient->ToolButton14;
    button->setChecked(!button->isChecked());
    ToolButton14Click();
  });
  list->PopupMenuListView->addSeparator();
  ListCompare =
      AddMenuAction(list->PopupMenuListView, "ListCompare", QStringLiteral("比較(&K)..."));
  connect(ListCompare, &QAction::triggered, this, [this] { CompareClick(true); });
  ListSameContent = AddMenuAction(list->PopupMenuListView, "ListSameContent",
                                  QStringLiteral("同じ内容のファイルを検索(&T)"));
  connect(ListSameContent, &QAction::triggered, this, [this] {
    const int32_t key = SelectedFileWithFingerprint();
    if (IsEntryKey(key)) Q_EMIT SameContentRequested(key);
  });
  auto showListMenu = [this](const QPoint& pos) {
    // The export of everything below a folder needs a folder: not at the top.
    pnlListViewClient->N9->setVisible(TreeView1->currentItem() != TopNode());
    ListSameContent->setEnabled(IsEntryKey(SelectedFileWithFingerprint()));
    auto* view = qobject_cast<QWidget*>(sender());
    pnlListViewClient->PopupMenuListView->popup(view->mapToGlobal(pos));
  };
  connect(list->ListView1, &QWidget::customContextMenuRequested, this, showListMenu);
  connect(list->ListView1Icons, &QWidget::customContextMenuRequested, this, showListMenu);
  ConnectCopyCommands();
}

void MediaPage::ConnectCopyCommands() {
  FileListPanel* list = pnlListViewClient;
  const auto byDefault = [this] {
    CopyListEntries(DefaultCopyForm(session_.GetSettings().GetInt(REG_ClipBordDefault)));
  };
  const std::pair<QAction*, CopyForm> forms[] = {{list->N63, {ExportMode::FileName, true}},
                                                 {list->N64, {ExportMode::FullPath, true}},
                                                 {list->N8, {ExportMode::FullPath, false}},
                                                 {list->N9, {ExportMode::FolderContents, false}},
                                                 {list->M1, {ExportMode::MediaDump, false}}};
  for (const auto& [action, form] : forms) {
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [this, form = form] { CopyListEntries(form); });
  }
  for (QAction* action : {list->N7, list->E1}) action->setEnabled(true);
  list->ToolButton12->setEnabled(true);
  connect(list->ToolButton12, &QToolButton::clicked, this, byDefault);
  connect(list->N7, &QAction::triggered, this, byDefault);
  // Ctrl+C in the list copies its selection as the copy button does; in a
  // text box it stays the box's own copy.
  AddListCopyKey({list->ListView1, list->ListView1Icons}, this, byDefault);
  list->E1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Y")));
  list->E1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  addAction(list->E1);
  connect(list->E1, &QAction::triggered, this, &MediaPage::E1Click);
}

int32_t MediaPage::SelectedFileWithFingerprint() const {
  const std::vector<int> rows = pnlListViewClient->SelectedRows();
  if (rows.size() != 1) return -1;
  const TRecord& row = pnlListViewClient->ListModel().Row(rows.front());
  if (row.Kind != kKindFile || !IsEntryKey(row.Key)) return -1;
  return FingerprintOfEntry(session_.GetCatalog(), SlotOfKey(row.Key), RecordOfKey(row.Key))
             ? row.Key
             : -1;
}

void MediaPage::CopyListEntries(CopyForm form) {
  const FileListModel& model = pnlListViewClient->ListModel();
  std::vector<const TRecord*> rows;
  for (int row : pnlListViewClient->SelectedRows()) rows.push_back(&model.Row(row));
  QtClipboard clipboard;
  CopyFileListEntries(session_.GetCatalog(), session_.GetSettings(), session_.Ask(), clipboard,
                      form, FileListSelection(shown_, rows));
}

void MediaPage::E1Click() {
  TfrmEnvClipbord dialog(session_.GetSettings(), session_.Ask(), window());
  dialog.exec();
  RefreshCopyHint();
}

void MediaPage::RefreshCopyHint() {
  pnlListViewClient->ToolButton12->setToolTip(
      CopyButtonHint(session_.GetSettings().GetInt(REG_ClipBordDefault)));
}

void MediaPage::BuildPopupMenu() {
  PopupMenuMediaType = new QMenu(this);
  PopupMenuMediaType->setObjectName(QStringLiteral("PopupMenuMediaType"));
  QMenu* m = PopupMenuMediaType;
  N39 = AddMenuAction(m, "N39", QStringLiteral("メディア情報の追加/更新(&R)"));
  N39->setShortcut(QKeySequence("Ctrl+R"));
  N40 = AddMenuAction(m, "N40", QStringLiteral("カレントのメディア情報を削除(&D)"));
  N40->setShortcut(QKeySequence("Ctrl+D"));
  N46 = AddMenuAction(m, "N46", QStringLiteral("メディアの更新(&U)..."));
  PopItemMediaTypeChange =
      AddMenuAction(m, "PopItemMediaTypeChange", QStringLiteral("メディアの分類を変更(&M)..."));
  S2 = AddMenuAction(m, "S2", QStringLiteral("メディアの分類をすべて表示(&S)"));
  S2->setCheckable(true);
  S2->setChecked(true);
  PopItemMediaAreaChange =
      AddMenuAction(m, "PopItemMediaAreaChange", QStringLiteral("メディアの保管場所を変更(&A)..."));
  N45 = AddMenuAction(m, "N45", QStringLiteral("メディアの保管場所詳細を変更(&B)..."));
  QMenu* pos = m->addMenu(QStringLiteral("タブ位置の変更(&T)"));
  PopItemMediaTypePos = pos->menuAction();
  PopItemMediaTypePos->setObjectName(QStringLiteral("PopItemMediaTypePos"));
  PopItemMediaTypePosTop = AddMenuAction(pos, "PopItemMediaTypePosTop", QStringLiteral("上(&U)"));
  PopItemMediaTypePosBottom =
      AddMenuAction(pos, "PopItemMediaTypePosBottom", QStringLiteral("下(&D)"));
  PopItemMediaTypePosLeft = AddMenuAction(pos, "PopItemMediaTypePosLeft", QStringLiteral("左(&L)"));
  PopItemMediaTypePosRight =
      AddMenuAction(pos, "PopItemMediaTypePosRight", QStringLiteral("右(&R)"));
  auto* sides = new QActionGroup(this);
  const std::pair<QAction*, TabSide> sideActions[] = {{PopItemMediaTypePosTop, TabSide::Top},
                                                      {PopItemMediaTypePosBottom, TabSide::Bottom},
                                                      {PopItemMediaTypePosLeft, TabSide::Left},
                                                      {PopItemMediaTypePosRight, TabSide::Right}};
  for (const auto& [action, side] : sideActions) {
    action->setCheckable(true);
    sides->addAction(action);
    connect(action, &QAction::triggered, this, [this, side = side] { SetTabSide(side); });
  }
  PopItemMediaTypePosTop->setChecked(true);
  N18 = AddMenuAction(m, "N18", QStringLiteral("メディア名称の変更(&N)"));
  N18->setShortcut(QKeySequence(Qt::Key_F2));
  N18->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  TreeView1->addAction(N18);
  C3 = AddMenuAction(m, "C3", QStringLiteral("読込みドライブ名変更(&C)"));
  connect(C3, &QAction::triggered, this, &MediaPage::C3Click);
  PopItemExportNcdu =
      AddMenuAction(m, "PopItemExportNcdu", QStringLiteral("ncdu 形式でエクスポート..."));
  connect(PopItemExportNcdu, &QAction::triggered, this, &MediaPage::PopItemExportNcduClick);
  m->addSeparator();
  PopItemCompare = AddMenuAction(m, "PopItemCompare", QStringLiteral("比較(&K)..."));
  connect(PopItemCompare, &QAction::triggered, this, [this] { CompareClick(false); });
  connect(S2, &QAction::triggered, this, &MediaPage::S2Click);
  connect(N18, &QAction::triggered, this, &MediaPage::ToolButton55Click);
  auto showTreeMenu = [this](const QPoint& p) {
    const bool horizontal = tabSide_ == TabSide::Top || tabSide_ == TabSide::Bottom;
    S2->setEnabled(horizontal);
    PopItemMediaTypePosLeft->setEnabled(S2->isChecked());
    PopItemMediaTypePosRight->setEnabled(S2->isChecked());
    auto* view = qobject_cast<QWidget*>(sender());
    PopupMenuMediaType->popup(view->mapToGlobal(p));
  };
  connect(TreeView1, &QWidget::customContextMenuRequested, this, showTreeMenu);
  connect(TabControlTreeView, &QWidget::customContextMenuRequested, this, showTreeMenu);
}

}  // namespace plomix
