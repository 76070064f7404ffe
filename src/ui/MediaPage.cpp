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
#include "ui/HistoryController.h"
#include "ui/ImageList.h"
#include "ui/OrganiseCommands.h"
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
  history_ = new HistoryController(*this, session);
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
  fileCommands_->SetBusyMarker([&session] { return session.MarkBusy(); });
  ConnectListPanel();
  organise_ = new OrganiseCommands(*this, session);
  organise_->Connect();
}

// ---------------------------------------------------------------- window state

void MediaPage::LoadSettings() {
  Settings& settings = session_.GetSettings();
  pnlListViewClient->LoadSettings();
  ApplyPropertyShow(settings.GetInt(REG_ListViewPropertyShow) == 1);
  // Any stored value but the right side's leaves the panel on the left.
  if (settings.GetInt(REG_ListViewPropertyPos) == static_cast<int>(PanelSide::Right)) {
    pnlListViewLeft->ToolButton10->setChecked(true);
    Splitter3->insertWidget(static_cast<int>(PanelSide::Right), pnlListViewLeft);
    propertySide_ = PanelSide::Right;
  }
  const bool dupShown = settings.GetInt(REG_ShowDupInfo) == 1;
  pnlListViewClient->chkDupInfoShow->setChecked(dupShown);
  Panel24->setVisible(dupShown);
  RefreshCopyHint();
  history_->Load();
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
  history_->Save();
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
  history_->Record(HistoryNumber(key, true),
                   item->data(0, kCp932NameRole).toByteArray().toStdString());
  EntryRows rows = BuildEntryRows(catalog, key);
  if (selection) {
    shown_ = rows.shown;
    const std::string format =
        text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
    pnlListViewLeft->ShowProperties(
        BuildNodeProperties(catalog, shown_, format),
        !IsEntryKey(key) ? 0 : (shown_.kind == ShownKind::Media ? shown_.mediaRoot.Kind : 9));
    organise_->ShowNodePicture(!IsEntryKey(key) ? -1 : SlotOfKey(key));
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
  if (name.empty() || catalog.FindMediaByName(name).value_or(slot) != slot) {
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
    history_->Record(HistoryNumber(row.Key, false), row.Name);
  } else {
    pnlListViewLeft->ShowProperties(sheet, 7);
  }
  Panel24->UpdateFromSelection(selected);
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
  pnlListViewClient->SetPropertyShown(shown);
}

void MediaPage::ToolButton14Click() {
  const bool shown = pnlListViewClient->ToolButton14->isChecked();
  ApplyPropertyShow(shown);
  Safely(session_.Ask(),
         [&] { session_.GetSettings().SetInt(REG_ListViewPropertyShow, shown ? 1 : 0); });
}

void MediaPage::MovePropertyPanel(PanelSide side) {
  if (propertySide_ == side) return;
  propertySide_ = side;
  Splitter3->insertWidget(static_cast<int>(side), pnlListViewLeft);
  Safely(session_.Ask(),
         [&] { session_.GetSettings().SetInt(REG_ListViewPropertyPos, static_cast<int>(side)); });
}

void MediaPage::ToolButton9Click() {
  MovePropertyPanel(PanelSide::Left);
}

void MediaPage::ToolButton10Click() {
  MovePropertyPanel(PanelSide::Right);
}

}  // namespace plomix
