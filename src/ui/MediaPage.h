#pragma once
// The メディア page (`TabSheet1`): the category tabs with the tree toolbar and
// the tree on the left, and on the right the sub-pages: 標準 (`TabSheet3`:
// property panel, file list, detail panel), 更新日時 (`TabSheet5`),
// プロパティ (`TabSheet4`, never shown), サイズ順 (`TabSheet6`) and トップ 10
// (`TabSheet7`). It owns browsing: the tree, the browse history (through its
// HistoryController), going to a path, and what a selection shows. The
// organising commands are its OrganiseCommands. The catalogue commands on its
// toolbar and tree menu (read, delete) are routed by the window shell, which
// owns the rules of what may run when.

#include <cstdint>
#include <functional>
#include <optional>

#include "browse/EntryRows.h"
#include "core/Catalog.h"
#include "ui/CopyCommands.h"
#include "ui/Page.h"
#include "ui/PropertySheet.h"

class QAction;
class QBoxLayout;
class QMenu;
class QSplitter;
class QTabBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace plomix {

class AnalysisUi;
class DatePage;
class DetailPanel;
class FileCommands;
class FileListModel;
class FileListPanel;
class HistoryController;
class ImageList;
class OrganiseCommands;
class PropertyPanel;
class Session;
class SizeChartPage;
class SizeChartState;
class TopNPage;

enum class TabSide { Top, Bottom, Left, Right };
// Which side of the file list the property panel stands on; the values are
// the stored ones (REG_ListViewPropertyPos) and the panel's place in its
// splitter.
enum class PanelSide { Left = 0, Right = 1 };

// How much of the tree a rebuild renews.
enum class TreeRebuild {
  Full,         // also the category tabs (a catalogue opened, media changed)
  TabChange,    // another category tab was chosen
  FromHistory,  // a history move switched the category; the page rules stay
};

class MediaPage : public Page {
  Q_OBJECT

 public:
  MediaPage(Session& session, QWidget* parent = nullptr);

  // ---- For the window shell ----
  // Applies the saved panel settings (property panel, its side, comment and
  // detail panels, the list's settings) and loads the browse history.
  void LoadSettings();
  // The splitter positions from the settings, for a window of `size`.
  void RestoreSizes(const QSize& size);
  // Keeps the splitter positions, the column layout and the history.
  void SaveState();
  void RebuildTree(TreeRebuild mode);
  // Rebuilds the tree for the category now chosen (as a tab change does) and
  // opens again the nodes that were open and are still shown, with the
  // selected one; none of this is recorded in the history.
  void RebuildTreeKeepingOpenNodes();
  // Selects "すべて" without a rebuild and clears the category filter.
  void SelectAllCategories();
  // Shows page 標準 in front.
  void ShowStandardPage();
  // The sub-pages other than 標準 are shown only while media are shown.
  void ApplySubPageRules(bool mediaShown);
  void ResetHistory();
  // Shows the history's current entry without recording it (at start).
  void ShowHistoryPosition();
  HistoryController& History() { return *history_; }
  // The key of the selected tree node; -1 for the top node or none.
  int32_t CurrentKey() const;
  void SetDuplicateColour(int bgr);
  // Shows entry `key` (GoToEntry of any page): its category tab, its folder
  // in the tree and its row selected in the list.
  void ShowEntry(int32_t key);
  // The key of the one file selected in the list when it has a content
  // fingerprint, else -1.
  int32_t SelectedFileWithFingerprint() const;
  // Shows the category tab named `category` ("" or an unknown name: すべて);
  // a tree built for another one is rebuilt keeping its open nodes.
  void ShowCategory(const QString& category);
  // Gives the file list the focus, without a selection with `clear`.
  void FocusFileList(bool clear);
  // Pixels the file list's toolbar lacks to be shown whole (0 if none).
  int ListToolbarShortfall() const;
  // Forgets the words of the detail panel's similar-name view.
  void ResetLikeWords();
  // Hands the detail panel's member grids to the window's analyses, which
  // fill them and answer their jump and copy requests.
  void ConnectAnalyses(AnalysisUi& analyses);
  // Whether メディアの更新 may run, asked when the tree's menu opens.
  void SetUpdateRule(std::function<bool()> canUpdate) { canUpdate_ = std::move(canUpdate); }

  // ---- Browsing ----
  // Selects the node of "Media\Folder\Sub" (as ResolveMediaPath reads it);
  // "" the top node.
  void GoToPath(const QString& path);
  // Shows the node holding the entry of `key` (the top node for a media).
  void GoToFolderOf(int32_t key);
  // Selects and expands the child node `key` of the selected node.
  void OpenRow(int32_t key);
  QTreeWidgetItem* TopNode() const;
  void SetTabSide(TabSide side);
  TabSide TabPosition() const { return tabSide_; }
  const PropertySheet& Properties() const;
  const ShownEntry& Shown() const { return shown_; }
  FileListModel& ListModel();
  FileCommands& Files() { return *fileCommands_; }
  OrganiseCommands& Organise() { return *organise_; }

  // ---- Controls ----
  QSplitter* Splitter1;
  QTabBar* TabControlTreeView;
  QToolBar* ToolBar4;
  QToolButton *ToolButton6, *ToolButton7, *ToolButton52, *ToolButton53, *ToolButton55,
      *ToolButton63;
  QTreeWidget* TreeView1;
  QTabWidget* PageControl2;
  QWidget* TabSheet3;
  DatePage* TabSheet5;
  QWidget* TabSheet4;
  SizeChartPage* TabSheet6;
  TopNPage* TabSheet7;
  QSplitter *Splitter3, *Splitter6;
  PropertyPanel* pnlListViewLeft;
  FileListPanel* pnlListViewClient;
  DetailPanel* Panel24;
  QMenu* PopupMenuMediaType;
  QAction* PopItemCompare = nullptr;  // "比較..." on the tree's menu
  QAction* ListCompare = nullptr;     // "比較..." on the list's menu
  // "同じ内容のファイルを検索": usable for one selected file with a fingerprint.
  QAction* ListSameContent = nullptr;
  QAction *N39, *N40, *PopItemMediaTypeChange, *S2, *PopItemMediaAreaChange, *N45,
      *PopItemMediaTypePos, *PopItemMediaTypePosTop, *PopItemMediaTypePosBottom,
      *PopItemMediaTypePosLeft, *PopItemMediaTypePosRight, *N18, *C3;
  QAction* PopItemExportNcdu = nullptr;
  QAction* N46 = nullptr;  // メディアの更新

 Q_SIGNALS:
  // The tree was rebuilt after a catalogue change: the window re-applies the
  // rules of which pages and commands show.
  void PageRulesNeeded();
  // The user asked for the files of the same content as the entry `key`.
  void SameContentRequested(int32_t key);
  // The catalogue commands of the tree's toolbar and menu, carried out by
  // the window: read (ToolButton6, N39), delete (ToolButton7, N40), update
  // (N46).
  void ReadRequested();
  void DeleteRequested();
  void UpdateRequested();
  // Another category tab was chosen.
  void CategoryTabChanged();

 public Q_SLOTS:
  void ToolButton9Click();
  void ToolButton10Click();
  void ToolButton14Click();
  void ToolButton40Click();
  void ToolButton55Click();
  void S2Click();
  void chkDupInfoShowClick();
  void TreeView1Change(QTreeWidgetItem* current);
  void TreeView1Expanding(QTreeWidgetItem* item);
  void TreeView1Edited(QTreeWidgetItem* item, int column);
  void TabControlTreeViewChange(int index);
  void ListView1SelectItem();
  void ListView1DblClick();
  // The export settings dialog; the copy button's hint follows its choice.
  void E1Click();
  void ToolButton11Click();
  void N60Click();
  void C3Click();
  // Writes the selected media or folder as an ncdu listing.
  void PopItemExportNcduClick();
  // Compares the tree's node (or the list's one selected folder) with a
  // media or folder chosen in a dialog and shows the report.
  void CompareClick(bool fromList);

 private:
  QWidget* BuildTreeArea();
  void BuildSubPages();
  void BuildPopupMenu();
  void ConnectListPanel();
  void ConnectCopyCommands();
  // The selected rows of the file list, in list order, as text.
  void CopyListEntries(CopyForm form);
  void RefreshCopyHint();
  void RebuildCategoryTabs();
  void ApplyPropertyShow(bool shown);
  void MovePropertyPanel(PanelSide side);

  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const TRecord& record, bool top = false);
  static int32_t KeyOf(const QTreeWidgetItem* item);
  EntryRows SelectNodeRows(QTreeWidgetItem* item, bool selection);
  void AddChildNodes(QTreeWidgetItem* item, const EntryRows& rows);
  void ExpandNode(QTreeWidgetItem* item);
  static QTreeWidgetItem* ChildByKey(QTreeWidgetItem* item, int32_t key);

  Session& session_;
  ImageList& images_;
  FileCommands* fileCommands_ = nullptr;
  HistoryController* history_ = nullptr;
  OrganiseCommands* organise_ = nullptr;  // categories, locations, pictures, comments, marks
  SizeChartState* sizeCharts_ = nullptr;  // rows and measure of the two size charts
  QWidget* treeArea_ = nullptr;
  QBoxLayout* treeAreaLayout_ = nullptr;
  ShownEntry shown_;
  TabSide tabSide_ = TabSide::Top;
  QTreeWidgetItem* renaming_ = nullptr;
  QString renameOldText_;
  std::optional<MediaIdentity> renamed_;  // the media being renamed, as shown
  PanelSide propertySide_ = PanelSide::Left;
  std::function<bool()> canUpdate_;
};

}  // namespace plomix
