#include "ui/MediaPage.h"

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
#include "ui/ImageList.h"
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

namespace {

const QString kAllTab = QStringLiteral("すべて");
constexpr int kKeyRole = Qt::UserRole + 1;
// The node's CP932 name, which the history records: the shown text is the
// exact name where CP932 cannot hold it.
constexpr int kCp932NameRole = Qt::UserRole + 2;

}  // namespace

// ---------------------------------------------------------------- construction

MediaPage::MediaPage(Session& session, QWidget* parent)
    : Page(parent), session_(session), images_(session.Images()) {
  setObjectName(QStringLiteral("TabSheet1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  layout->addWidget(Splitter1);
  Splitter1->addWidget(BuildTreeArea());
  BuildSubPages();
  Splitter1->addWidget(PageControl2);
  Splitter1->setStretchFactor(1, 1);
  BuildPopupMenu();
  fileCommands_ = new FileCommands(session.GetCatalog(), session.GetDrives(), session.GetSettings(),
                                   session.Ask(), this);
  fileCommands_->SetBusyFlag(session.BusyFlag());
  ConnectListPanel();
  ConnectOrganising();
}

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
  connect(list->ToolButton61, &QToolButton::clicked, this, &MediaPage::ToolButton61Click);
  connect(list->ToolButton62, &QToolButton::clicked, this, &MediaPage::ToolButton62Click);
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
  auto showListMenu = [this](const QPoint& pos) {
    // The export of everything below a folder needs a folder: not at the top.
    pnlListViewClient->N9->setVisible(TreeView1->currentItem() != TopNode());
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

// ---------------------------------------------------------------- window state

void MediaPage::LoadSettings() {
  Settings& settings = session_.GetSettings();
  pnlListViewClient->LoadSettings();
  ApplyPropertyShow(settings.GetInt(REG_ListViewPropertyShow) == 1);
  if (settings.GetInt(REG_ListViewPropertyPos) == 1) {
    pnlListViewLeft->ToolButton10->setChecked(true);
    Splitter3->insertWidget(1, pnlListViewLeft);
    propertySide_ = 1;
  }
  const bool dupShown = settings.GetInt(REG_ShowDupInfo) == 1;
  pnlListViewClient->chkDupInfoShow->setChecked(dupShown);
  Panel24->setVisible(dupShown);
  RefreshCopyHint();
  LoadHistory();
}

void MediaPage::RestoreSizes(const QSize& size) {
  Settings& settings = session_.GetSettings();
  const int treeWidth = std::max(200, settings.GetInt(REG_MainTreeViewWidth));
  Splitter1->setSizes({treeWidth, std::max(100, size.width() - treeWidth)});
  const int dupHeight = std::max(103, settings.GetInt(REG_MainDupPanelHeight));
  Splitter6->setSizes({std::max(100, size.height() - dupHeight), dupHeight});
}

void MediaPage::SaveState() {
  Settings& settings = session_.GetSettings();
  settings.SetInt(REG_MainTreeViewWidth, Splitter1->sizes().value(0));
  // A hidden detail panel has no height worth keeping; a panel merely on a
  // page that is not in front still has its own.
  if (!Panel24->isHidden()) settings.SetInt(REG_MainDupPanelHeight, Splitter6->sizes().value(1));
  pnlListViewClient->SaveLayout();
  SaveHistory();
}

void MediaPage::ShowStandardPage() {
  PageControl2->setCurrentWidget(TabSheet3);
}

void MediaPage::ApplySubPageRules(bool mediaShown) {
  for (int i = 1; i < PageControl2->count(); ++i) PageControl2->setTabVisible(i, mediaShown);
  PageControl2->setTabVisible(PageControl2->indexOf(TabSheet4), false);
}

FileListModel& MediaPage::ListModel() {
  return pnlListViewClient->ListModel();
}

const PropertySheet& MediaPage::Properties() const {
  return pnlListViewLeft->Properties();
}

void MediaPage::SetDuplicateColour(int bgr) {
  pnlListViewClient->SetDuplicateColour(bgr);
}

// ---------------------------------------------------------------- tree

QTreeWidgetItem* MediaPage::TopNode() const {
  return TreeView1->topLevelItem(0);
}

int32_t MediaPage::KeyOf(const QTreeWidgetItem* item) {
  return item == nullptr ? -1 : item->data(0, kKeyRole).toInt();
}

int32_t MediaPage::CurrentKey() const {
  return KeyOf(TreeView1->currentItem());
}

QTreeWidgetItem* MediaPage::AddNode(QTreeWidgetItem* parent, const TRecord& record, bool top) {
  auto* item = parent == nullptr ? new QTreeWidgetItem(TreeView1) : new QTreeWidgetItem(parent);
  std::string_view exact = record.ExactName;
  // A media shows its name as the user gave it.
  std::string mediaName;
  if (!top && exact.empty() && KeyIsMedia(record.Key) &&
      session_.GetCatalog().HasExactSlotText(SlotOfKey(record.Key), SlotText::Name)) {
    mediaName = session_.GetCatalog().ExactSlotText(SlotOfKey(record.Key), SlotText::Name);
    exact = mediaName;
  }
  item->setText(0, top ? QStringLiteral("Plomix2") : ShownQName(record.Name, exact));
  item->setData(0, kKeyRole, top ? -1 : record.Key);
  item->setData(0, kCp932NameRole, QByteArray::fromStdString(top ? "Plomix2" : record.Name));
  if (IsFolderKind(record.Kind)) {
    QIcon icon;
    icon.addPixmap(images_.Icon(8).pixmap(16), QIcon::Normal);
    icon.addPixmap(images_.Icon(9).pixmap(16), QIcon::Selected);
    item->setIcon(0, icon);
  } else {
    item->setIcon(0, images_.Icon(top ? 0 : record.Kind));
  }
  if (!top)
    item->setChildIndicatorPolicy(record.DirFolders > 0
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  return item;
}

EntryRows MediaPage::SelectNodeRows(QTreeWidgetItem* item, bool selection) {
  WaitCursor wait;
  Catalog& catalog = session_.GetCatalog();
  const int32_t key = KeyOf(item);
  session_.History().Record(HistoryNumber(key, true),
                            item->data(0, kCp932NameRole).toByteArray().toStdString());
  UpdateHistoryHints();
  EntryRows rows = BuildEntryRows(catalog, key);
  if (selection) {
    shown_ = rows.shown;
    const std::string format =
        text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
    pnlListViewLeft->ShowProperties(
        BuildNodeProperties(catalog, shown_, format),
        !IsEntryKey(key) ? 0 : (shown_.kind == ShownKind::Media ? shown_.mediaRoot.Kind : 9));
    ShowNodePicture(!IsEntryKey(key) ? -1 : SlotOfKey(key));
  }
  if (item->childCount() == 0) AddChildNodes(item, rows);
  return rows;
}

void MediaPage::AddChildNodes(QTreeWidgetItem* item, const EntryRows& rows) {
  std::vector<const TRecord*> children;
  for (const TRecord& row : rows.rows)
    if (row.Kind != kKindFile) children.push_back(&row);
  std::sort(children.begin(), children.end(), [](const TRecord* a, const TRecord* b) {
    const int c =
        text::CompareAnsi(NameOrderKey(a->Name, a->ExactName), NameOrderKey(b->Name, b->ExactName));
    return c != 0 ? c < 0 : a->ExactName < b->ExactName;
  });
  const QSignalBlocker block(TreeView1);
  for (const TRecord* row : children) AddNode(item, *row);
}

void MediaPage::ExpandNode(QTreeWidgetItem* item) {
  if (item->childCount() == 0) SelectNodeRows(item, false);
  const QSignalBlocker block(TreeView1);
  item->setExpanded(true);
}

QTreeWidgetItem* MediaPage::ChildByKey(QTreeWidgetItem* item, int32_t key) {
  for (int i = 0; i < item->childCount(); ++i)
    if (KeyOf(item->child(i)) == key) return item->child(i);
  return nullptr;
}

void MediaPage::RebuildTree(TreeRebuild mode) {
  QTreeWidgetItem* topNode = nullptr;
  {
    const QSignalBlocker block(TreeView1);
    TreeView1->clear();
    TRecord top;
    top.Kind = kKindCatalog;
    topNode = AddNode(nullptr, top, true);
  }
  if (mode != TreeRebuild::FromHistory) Q_EMIT PageRulesNeeded();
  // The first item of an emptied tree may have become current unannounced.
  if (TreeView1->currentItem() == topNode)
    TreeView1Change(topNode);
  else
    TreeView1->setCurrentItem(topNode);
  {
    const QSignalBlocker block(TreeView1);
    topNode->setExpanded(true);
  }
  if (mode == TreeRebuild::Full) RebuildCategoryTabs();
}

void MediaPage::RebuildCategoryTabs() {
  Catalog& catalog = session_.GetCatalog();
  const QSignalBlocker quiet(TabControlTreeView);
  const QString selected = TabControlTreeView->tabText(TabControlTreeView->currentIndex());
  while (TabControlTreeView->count() > 0) TabControlTreeView->removeTab(0);
  catalog.RebuildNameLists();
  TabControlTreeView->addTab(kAllTab);
  for (const std::string& name : catalog.CategoryNames().Names())
    TabControlTreeView->addTab(text::Cp932ToQString(name));
  int index = 0;
  for (int i = 0; i < TabControlTreeView->count(); ++i)
    if (TabControlTreeView->tabText(i) == selected) index = i;
  TabControlTreeView->setCurrentIndex(index);
}

void MediaPage::SelectAllCategories() {
  {
    const QSignalBlocker quiet(TabControlTreeView);
    TabControlTreeView->setCurrentIndex(0);
  }
  session_.GetCatalog().SetCategoryFilter("");
}

void MediaPage::TabControlTreeViewChange(int index) {
  if (index < 0) return;
  const QSignalBlocker quiet(TabControlTreeView);
  session_.GetCatalog().SetCategoryFilter(
      index == 0 ? std::string() : text::QStringToCp932(TabControlTreeView->tabText(index)));
  RebuildTree(TreeRebuild::TabChange);
}

void MediaPage::TreeView1Change(QTreeWidgetItem* current) {
  if (current == nullptr) return;
  Panel24->ClearPanel();
  const int generation = pnlListViewClient->StartFill();
  EntryRows rows = SelectNodeRows(current, true);
  if (!pnlListViewClient->FillIsCurrent(generation)) return;
  pnlListViewClient->FillList(std::move(rows));
  if (!pnlListViewClient->FillIsCurrent(generation)) return;
  sizeCharts_->Fill(ListModel().Rows(), shown_.kind == ShownKind::Catalogue, session_.GetCatalog());
  TabSheet5->ShowDistribution(KeyOf(current));
}

void MediaPage::TreeView1Expanding(QTreeWidgetItem* item) {
  if (item != nullptr && item->childCount() == 0) SelectNodeRows(item, false);
}

void MediaPage::GoToPath(const QString& path) {
  QTreeWidgetItem* node = TopNode();
  if (node == nullptr) return;
  if (!path.isEmpty()) {
    const MediaPath where = ResolveMediaPath(session_.GetCatalog(), text::QStringToCp932(path));
    if (where.slot < 0) return;
    // Down the tree as far as the path was found: the nodes on the way are
    // expanded even when a later part names nothing.
    std::vector<int32_t> keys{MakeKey(where.slot, 0)};
    for (int32_t record : where.records) keys.push_back(MakeKey(where.slot, record));
    for (int32_t key : keys) {
      ExpandNode(node);
      node = ChildByKey(node, key);
      if (node == nullptr) return;
    }
    if (!where.Found()) return;
  }
  if (TreeView1->currentItem() == node)
    TreeView1Change(node);
  else
    TreeView1->setCurrentItem(node);
}

void MediaPage::OpenRow(int32_t key) {
  QTreeWidgetItem* current = TreeView1->currentItem();
  if (current == nullptr) return;
  if (current->childCount() == 0) ExpandNode(current);
  QTreeWidgetItem* child = ChildByKey(current, key);
  if (child == nullptr) return;
  TreeView1->setCurrentItem(child);
  child->setExpanded(true);
}

void MediaPage::ToolButton40Click() {
  QTreeWidgetItem* current = TreeView1->currentItem();
  if (current != nullptr && current->parent() != nullptr)
    TreeView1->setCurrentItem(current->parent());
}

void MediaPage::SetTabSide(TabSide side) {
  tabSide_ = side;
  static constexpr struct {
    QBoxLayout::Direction direction;
    QTabBar::Shape shape;
  } kSides[] = {{QBoxLayout::TopToBottom, QTabBar::RoundedNorth},
                {QBoxLayout::BottomToTop, QTabBar::RoundedSouth},
                {QBoxLayout::LeftToRight, QTabBar::RoundedWest},
                {QBoxLayout::RightToLeft, QTabBar::RoundedEast}};
  const auto& chosen = kSides[static_cast<int>(side)];
  treeAreaLayout_->setDirection(chosen.direction);
  TabControlTreeView->setShape(chosen.shape);
  QAction* actions[] = {PopItemMediaTypePosTop, PopItemMediaTypePosBottom, PopItemMediaTypePosLeft,
                        PopItemMediaTypePosRight};
  actions[static_cast<int>(side)]->setChecked(true);
}

void MediaPage::S2Click() {
  // All tabs visible at once, or one strip that scrolls.
  TabControlTreeView->setUsesScrollButtons(!S2->isChecked());
}

void MediaPage::ToolButton55Click() {
  QTreeWidgetItem* item = TreeView1->currentItem();
  if (item == nullptr) {
    ShowError(session_.Ask(), QStringLiteral("ﾌｫﾙﾀﾞが選択されていません"));
    return;
  }
  if (session_.RefuseWhileBusy()) return;
  renaming_ = item;
  renameOldText_ = item->text(0);
  // The media as the tree shows it, checked when the new name is written.
  renamed_.reset();
  if (const int32_t key = KeyOf(item); KeyIsMedia(key)) {
    renamed_ = session_.GetCatalog().IdentityOf(SlotOfKey(key));
    renamed_->name = item->data(0, kCp932NameRole).toByteArray().toStdString();
  }
  {
    const QSignalBlocker block(TreeView1);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  TreeView1->editItem(item, 0);
}

void MediaPage::TreeView1Edited(QTreeWidgetItem* item, int column) {
  if (item == nullptr || item != renaming_ || column != 0) return;
  renaming_ = nullptr;
  Catalog& catalog = session_.GetCatalog();
  const QSignalBlocker block(TreeView1);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  const int32_t key = KeyOf(item);
  if (!KeyIsMedia(key) || !renamed_) {
    item->setText(0, renameOldText_);
    return;
  }
  const int slot = SlotOfKey(key);
  // The name as typed is kept; names are told apart by their CP932 form.
  const std::optional<std::string> typed =
      FitForField(session_.Ask(), item->text(0), TMediaSlot::kNameCap);
  if (!typed) {
    item->setText(0, renameOldText_);
    return;
  }
  const std::string name = text::Utf8ToCp932(*typed);
  if (name.empty() || (!catalog.IsMediaNameFree(name) && catalog.LastEqualNameSlot() != slot)) {
    ShowError(session_.Ask(), QStringLiteral("名前が重複します、上書きしますか"));
    item->setText(0, QString::fromStdString(catalog.ExactSlotText(slot, SlotText::Name)));
    return;
  }
  if (!Safely(session_.Ask(), [&] { catalog.RenameMediaText(slot, *typed, &*renamed_); })) {
    // The refused change read the catalogue again; the tree shows it once
    // this edit has ended.
    item->setText(0, renameOldText_);
    QTimer::singleShot(0, this, [this] { RebuildTree(TreeRebuild::Full); });
    return;
  }
  item->setText(0, QString::fromStdString(catalog.ExactSlotText(slot, SlotText::Name)));
  item->setData(0, kCp932NameRole, QByteArray::fromStdString(catalog.Slot(slot).Name()));
}

// ---------------------------------------------------------------- list and panels

void MediaPage::ListView1SelectItem() {
  pnlListViewClient->txtComment->clear();
  const std::vector<int> rows = pnlListViewClient->SelectedRows();
  if (rows.empty()) return;
  const FileListModel& model = ListModel();
  std::vector<const TRecord*> selected;
  for (int row : rows) selected.push_back(&model.Row(row));
  PropertySheet sheet = BuildRowProperties(session_.GetCatalog(), shown_, selected);
  if (selected.size() == 1) {
    const TRecord& row = *selected.front();
    pnlListViewLeft->ShowProperties(sheet, row.ImageIndex);
    if ((sheet.kind == PropertyKind::MediaRow || sheet.kind == PropertyKind::FileRow) &&
        sheet.pictureSlot >= 0)
      pnlListViewLeft->PicShow1->ShowPath(ResolveWindowPicture(
          text::Cp932ToQString(session_.GetCatalog().MediaPicture(sheet.pictureSlot)),
          DesktopWallpaperPath()));
    if (row.Texts.size() > 8)
      pnlListViewClient->txtComment->setPlainText(
          row.CommentNo >= 0
              ? CommentTextForEditor(session_.GetCatalog().ExactCommentText(row.CommentNo))
              : CommentForEditor(row.Texts[8]));
    session_.History().Record(HistoryNumber(row.Key, false), row.Name);
    UpdateHistoryHints();
  } else {
    pnlListViewLeft->ShowProperties(sheet, 7);
  }
  Panel24->UpdateFromSelection(selected);
  Q_EMIT SelectionChanged();
}

void MediaPage::ListView1DblClick() {
  const std::vector<int> rows = pnlListViewClient->SelectedRows();
  if (rows.empty()) return;
  const TRecord& row = ListModel().Row(rows.front());
  // Files open from their media; folders and media open their tree node.
  if (row.Kind == kKindFile) {
    fileCommands_->OpenFile(row.Key);
    return;
  }
  OpenRow(row.Key);
}

namespace {

std::vector<int32_t> SelectedKeys(FileListPanel& list) {
  std::vector<int32_t> keys;
  for (const int row : list.SelectedRows()) keys.push_back(list.ListModel().Row(row).Key);
  return keys;
}

}  // namespace

void MediaPage::ToolButton11Click() {
  fileCommands_->Explore(SelectedKeys(*pnlListViewClient), TreeView1->currentItem() == TopNode());
}

void MediaPage::N60Click() {
  fileCommands_->Copy(SelectedKeys(*pnlListViewClient), TreeView1->currentItem() == TopNode());
}

void MediaPage::C3Click() {
  // Leaving the dialog may read the catalogue again: not while anything runs.
  if (!session_.ReadyToChangeCatalogue()) return;
  {
    TfrmDriveChange dialog(session_.GetCatalog(), session_.GetSettings(), session_.Ask(), &images_,
                           this);
    dialog.exec();
  }
  RebuildTree(TreeRebuild::Full);
}

void MediaPage::chkDupInfoShowClick() {
  const bool on = pnlListViewClient->chkDupInfoShow->isChecked();
  Panel24->setVisible(on);
  Safely(session_.Ask(), [&] { session_.GetSettings().SetInt(REG_ShowDupInfo, on ? 1 : 0); });
}

void MediaPage::ApplyPropertyShow(bool shown) {
  pnlListViewLeft->setVisible(shown);
  pnlListViewClient->ToolButton14->setChecked(shown);
  pnlListViewClient->N10->setChecked(shown);
}

void MediaPage::ToolButton14Click() {
  const bool shown = pnlListViewClient->ToolButton14->isChecked();
  ApplyPropertyShow(shown);
  Safely(session_.Ask(),
         [&] { session_.GetSettings().SetInt(REG_ListViewPropertyShow, shown ? 1 : 0); });
}

void MediaPage::MovePropertyPanel(int side) {
  if (propertySide_ == side) return;
  propertySide_ = side;
  Splitter3->insertWidget(side, pnlListViewLeft);
  Safely(session_.Ask(), [&] { session_.GetSettings().SetInt(REG_ListViewPropertyPos, side); });
}

void MediaPage::ToolButton9Click() {
  MovePropertyPanel(0);
}

void MediaPage::ToolButton10Click() {
  MovePropertyPanel(1);
}

}  // namespace plomix
