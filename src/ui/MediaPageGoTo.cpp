// The media page going to an entry: from the history, from another page, or
// keeping the open nodes over a rebuild of the tree.
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
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "browse/BrowseHistory.h"
#include "browse/MediaPath.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "organise/Comments.h"
#include "organise/MediaPictures.h"
#include "ui/AnalysisUi.h"
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

// ---------------------------------------------------------------- history

void MediaPage::ResetHistory() {
  history_->Reset();
}

void MediaPage::ShowHistoryPosition() {
  history_->ShowPosition();
}

// ---------------------------------------------------------------- going to an entry

void MediaPage::RebuildTreeKeepingOpenNodes() {
  std::vector<int32_t> open;  // parents before their children
  for (QTreeWidgetItemIterator it(TreeView1); *it != nullptr; ++it)
    if ((*it)->isExpanded() && *it != TopNode()) open.push_back(KeyOf(*it));
  const int32_t selected = TreeView1->currentItem() == nullptr ? -1 : CurrentKey();
  BrowseHistory& history = session_.History();
  const bool wasSuppressed = history.Suppressed();
  history.SetSuppressed(true);
  RebuildTree(TreeRebuild::TabChange);
  std::unordered_map<int32_t, QTreeWidgetItem*> nodes;
  const auto addChildren = [&nodes](QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i)
      nodes.emplace(KeyOf(item->child(i)), item->child(i));
  };
  addChildren(TopNode());
  for (const int32_t key : open) {
    const auto found = nodes.find(key);
    if (found == nodes.end()) continue;
    ExpandNode(found->second);
    addChildren(found->second);
  }
  if (const auto found = nodes.find(selected); found != nodes.end())
    TreeView1->setCurrentItem(found->second);
  history.SetSuppressed(wasSuppressed);
}

void MediaPage::ShowEntry(int32_t key) {
  Catalog& catalog = session_.GetCatalog();
  const int slot = SlotOfKey(key);
  const std::string category =
      slot < kMaxMedia && catalog.Slot(slot).IsLive() ? catalog.Slot(slot).Category() : "";
  // The user's tab stays while it shows the entry (すべて shows every media);
  // only an entry hidden by it moves to its media's tab, and the status bar
  // says so.
  const bool hidden = slot < kMaxMedia && catalog.Slot(slot).IsLive() &&
                      !catalog.CategoryFilter().empty() && catalog.CategoryFilter() != category;
  QString switchedTo;
  if (hidden) {
    const QString wanted = text::Cp932ToQString(category);
    {
      const QSignalBlocker quiet(TabControlTreeView);
      TabControlTreeView->setCurrentIndex(0);
      for (int i = 0; i < TabControlTreeView->count(); ++i)
        if (i > 0 && TabControlTreeView->tabText(i) == wanted)
          TabControlTreeView->setCurrentIndex(i);
    }
    catalog.SetCategoryFilter(TabControlTreeView->currentIndex() == 0 ? std::string() : category);
    RebuildTree(TreeRebuild::FromHistory);
    switchedTo = TabControlTreeView->tabText(TabControlTreeView->currentIndex());
  }
  const RecordPathResult where = catalog.RecordPath(key);
  const std::string exact(
      IsEntryKey(key) && slot < kMaxMedia ? catalog.ExactNameOfRecord(slot, RecordOfKey(key)) : "");
  if (IsEntryKey(key) && slot < kMaxMedia && catalog.ExactNamesOf(slot)) {
    // Names CP932 cannot hold may look alike in their CP932 form: the tree
    // is walked by the records themselves.
    GoToFolderOf(key);
  } else {
    QString folder = text::Cp932ToQString(where.folder);
    if (folder.endsWith('\\')) folder.chop(1);
    GoToPath(folder);
  }
  pnlListViewClient->ClearSelection();
  pnlListViewClient->SelectListRowByName(where.name, exact);
  if (!switchedTo.isEmpty())
    Q_EMIT StatusText(1, QStringLiteral("「%1」のタブに切り替えました").arg(switchedTo));
}

void MediaPage::GoToFolderOf(int32_t key) {
  Catalog& catalog = session_.GetCatalog();
  QTreeWidgetItem* node = TopNode();
  if (node == nullptr || !IsEntryKey(key) || !catalog.LoadMedia(SlotOfKey(key))) return;
  const int slot = SlotOfKey(key);
  const int32_t record = RecordOfKey(key);
  if (record >= catalog.LoadedCount()) return;
  std::vector<int32_t> keys;
  if (record > 0) {
    for (int32_t x = catalog.LoadedRec(record).Parent(); x > 0; x = catalog.LoadedRec(x).Parent())
      keys.insert(keys.begin(), MakeKey(slot, x));
    keys.insert(keys.begin(), MakeKey(slot, 0));
  }
  for (int32_t k : keys) {
    ExpandNode(node);
    node = ChildByKey(node, k);
    if (node == nullptr) return;
  }
  if (TreeView1->currentItem() == node)
    TreeView1Change(node);
  else
    TreeView1->setCurrentItem(node);
}

void MediaPage::ShowCategory(const QString& category) {
  // A tree already showing that category is left as the user opened it, and
  // one built for another keeps open what it still shows.
  int index = 0;
  for (int i = 1; i < TabControlTreeView->count() && !category.isEmpty(); ++i)
    if (TabControlTreeView->tabText(i) == category) index = i;
  if (index == TabControlTreeView->currentIndex()) return;
  {
    const QSignalBlocker quiet(TabControlTreeView);
    TabControlTreeView->setCurrentIndex(index);
  }
  RebuildTreeKeepingOpenNodes();
}

void MediaPage::FocusFileList(bool clear) {
  if (clear) pnlListViewClient->ClearSelection();
  pnlListViewClient->FocusList();
}

int MediaPage::ListToolbarShortfall() const {
  const QToolBar* bar = pnlListViewClient->ToolBar3;
  return std::max(0, bar->sizeHint().width() - bar->width());
}

void MediaPage::ResetLikeWords() {
  Panel24->ResetLikeWords();
}

void MediaPage::ConnectAnalyses(AnalysisUi& analyses) {
  analyses.SetDetailPanel(Panel24);
}

}  // namespace plomix
