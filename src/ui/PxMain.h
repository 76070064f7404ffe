#pragma once
// The main window: start-up and catalogue choice, the media tree with its
// category tabs and browse history, the file list, the property panel, and
// the commands of the menus, toolbars and context menus. Every control the
// user meets has the object name (and member name) that the rest of the
// program and the tests look it up by. Every question goes through the
// Prompter given at construction.
//
// Construction runs the whole start-up: when no catalogue is chosen, or the
// chosen one can be neither opened nor created, Started() is false and the
// window must not be shown.

#include <QMainWindow>
#include <functional>
#include <memory>

#include "core/Records.h"
#include "ui/EntryRows.h"
#include "ui/PropertySheet.h"

class QAction;
class QCheckBox;
class QLabel;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabBar;
class QTabWidget;
class QTableView;
class QToolBar;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QBoxLayout;

namespace plomix {

class AnalysisControl;
class BrowseHistory;
class Catalog;
class DupResultStore;
class Drives;
class FileListModel;
class ImageList;
class LikeResultStore;
class PieChart;
class Prompter;
class ReadWorkflow;
class Scanner;
class Settings;
class SizeBarDelegate;
class TypeNames;

enum class TabSide { Top, Bottom, Left, Right };

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  // `prompter` null: the window's own Qt dialogs. The prompter must outlive
  // the window.
  explicit TfrmMain(Prompter* prompter = nullptr, QWidget* parent = nullptr);
  ~TfrmMain() override;

  bool Started() const { return started_; }
  // "Plomix2  [Ver.a.b.c.d]".
  static QString CaptionText();

  Catalog& GetCatalog() { return *catalog_; }
  Settings& GetSettings() { return *settings_; }
  Drives& GetDrives() { return *drives_; }
  BrowseHistory& History() { return *history_; }
  FileListModel& ListModel() { return *listModel_; }
  const PropertySheet& Properties() const { return properties_; }
  const ShownEntry& Shown() const { return shown_; }

  // While set, closing and every command that reads, writes or replaces the
  // catalogue are refused.
  bool Busy() const { return busy_; }
  void SetBusy(bool on) { busy_ = on; }

  // ---- Tree and history ----
  // mode 0 full (also the category tabs), 1 after a tab change, 2 from a
  // history move.
  void RebuildTree(int mode);
  void GoToPath(const QString& path);  // "Media\Folder\Sub"
  void OpenRowByName(const QString& name);
  QTreeWidgetItem* TopNode() const;
  void SetTabSide(TabSide side);
  TabSide TabPosition() const { return tabSide_; }

  // The read command with a given dialog step (the window's own uses the read
  // dialog). True when a media was added.
  bool ReadMedia(const std::function<bool(ReadWorkflow&)>& dialog);

  // ---- Controls ----
  QAction *N24, *N25, *DB1, *E2, *N28, *N30, *N31, *S1, *S3, *C1, *R1, *N44, *L2, *Plomix21, *N36;
  QToolBar* ToolBar1;
  QToolButton *ToolButton1, *ToolButton2, *ToolButton3, *ToolButton46, *ToolButton60;
  QTabWidget* PageControl1;
  QWidget *TabSheet1, *TabSheet2, *TabSheet8, *TabSheet9;
  QTabBar* TabControlTreeView;
  QToolBar* ToolBar4;
  QToolButton *ToolButton6, *ToolButton7, *ToolButton52, *ToolButton53, *ToolButton55,
      *ToolButton63;
  QTreeWidget* TreeView1;
  QSplitter* Splitter1;
  QTabWidget* PageControl2;
  QWidget *TabSheet3, *TabSheet5, *TabSheet4, *TabSheet6, *TabSheet7;
  QLabel *StatusPanel0, *StatusPanel1;
  QWidget* pnlListViewLeft;
  QLabel *ImageListView, *lblListViewName, *pnlMediaReLoad;
  QToolBar* ToolBar5;
  QToolButton *ToolButton9, *ToolButton10, *ToolButton70, *ToolButton57;
  QTabWidget* PageControl4;
  QLabel* PicShow1;
  PieChart* Chart2;
  QWidget* Panel41;
  QLabel *lblListViewColor1, *lblListViewColor2, *lblListViewColor3;
  QLabel *pnlListViewColor1, *pnlListViewColor2, *pnlListViewColor3;
  QTreeWidget* ListView3;
  QSplitter* Splitter3;
  QWidget* pnlListViewClient;
  QToolBar* ToolBar3;
  QToolButton *ToolButton61, *ToolButton62, *ToolButton40, *ToolButton4, *ToolButton37,
      *ToolButton11, *ToolButton12, *ToolButton14, *ToolButton16, *ToolButton17, *ToolButton18,
      *ToolButton19;
  QCheckBox *chkCommentSetShow, *chkDupInfoShow;
  QTableView* ListView1;
  QListView* ListView1Icons;  // the icon and list styles of ListView1
  QWidget* Panel13;
  QPlainTextEdit* txtComment;
  QPushButton* cmdComment;
  QSplitter* Splitter6;
  QWidget* Panel24;
  QTabWidget* PageControl3;
  QWidget *TabSheet10, *TabSheet11;
  QTableView *GridView3, *GridView4;
  QTabBar* TabControl1;
  QLabel* Panel38;
  QPushButton *cmdShowLikePath, *cmdLikeClipbord;
  QToolBar* ToolBar2;
  QTreeView* ListView2;
  QLabel* StatusBar2Panel;
  QMenu *PopupMenuListView, *PopupMenuMediaType;
  QAction *N19, *O1, *N2, *N3, *N4, *N6, *N63, *N64, *N7, *N8, *N9, *M1, *E1, *N60, *N10, *N12,
      *N13, *N14, *N15, *N16, *N33, *N22, *saizu1, *N38;
  QAction *N39, *N40, *PopItemMediaTypeChange, *S2, *PopItemMediaAreaChange, *N45,
      *PopItemMediaTypePos, *PopItemMediaTypePosTop, *PopItemMediaTypePosBottom,
      *PopItemMediaTypePosLeft, *PopItemMediaTypePosRight, *N18, *C3;

 public Q_SLOTS:
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton6Click();
  void ToolButton7Click();
  void ToolButton9Click();
  void ToolButton10Click();
  void ToolButton14Click();
  void ToolButton40Click();
  void ToolButton55Click();
  void ToolButton57Click();
  void ToolButton61Click();
  void ToolButton62Click();
  void SetViewStyle(int style);  // 0 large icons, 1 small icons, 2 list, 3 details
  void N33Click();
  void N22Click();
  void C1Click();
  void saizu1Click();
  void N38Click();
  void N36Click();
  void Plomix21Click();
  void S2Click();
  void chkCommentSetShowClick();
  void chkDupInfoShowClick();
  void TreeView1Change(QTreeWidgetItem* current);
  void TreeView1Expanding(QTreeWidgetItem* item);
  void TreeView1Edited(QTreeWidgetItem* item, int column);
  void TabControlTreeViewChange(int index);
  void ListView1ColumnClick(int position);
  void ListView1SelectItem();
  void ListView1DblClick();
  void ListView1SectionResized(int position, int oldSize, int newSize);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  void BuildMenus();
  QWidget* BuildMediaPage();
  QWidget* BuildPropertyPanel();
  QWidget* BuildListArea();
  QWidget* BuildDetailPanel();
  void BuildPopupMenus();
  QToolButton* AddToolButton(QToolBar* bar, const char* name, const QString& hint, int image);
  QAction* AddMenuAction(QMenu* menu, const char* name, const QString& caption,
                         const QKeySequence& key = {});

  void FormCreate();
  void FormShow();
  QString ChooseAtStart();
  QString ChooseToOpen();
  bool CreateCatalogue(QString path);
  void AddToOpenHistory(const QString& path);
  void AfterCatalogueOpened();
  void StartResultLoaders();
  void ApplyLoadingRules();
  void ApplyPageRules();
  void RefreshCompactButton();
  void RefreshAnalysisCommands();
  void SwitchToMediaPage();
  void AfterMediaChange();
  void ResetHistory();
  void LoadHistory();
  void SaveHistory();
  void UpdateHistoryHints();
  void MoveHistory(int delta);
  void MoveHistoryGuarded(int delta);
  void SaveWindowState();
  void RestoreWindowState();
  void ApplyColumnLayout();
  void CaptureColumnWidths();
  void RebuildCategoryTabs();
  void ApplyPropertyShow(bool shown);

  // Tree nodes.
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const TRecord& record, bool top = false);
  static int32_t KeyOf(const QTreeWidgetItem* item);
  EntryRows SelectNodeRows(QTreeWidgetItem* item, bool selection);
  void AddChildNodes(QTreeWidgetItem* item, const EntryRows& rows);
  void ExpandNode(QTreeWidgetItem* item);
  QTreeWidgetItem* ChildByText(QTreeWidgetItem* item, const QString& text);

  // List and properties.
  void FillList(EntryRows&& rows);
  void ShowProperties(const PropertySheet& sheet, int image);
  std::vector<int> SelectedRows() const;
  void SelectListRowByName(const QString& name);
  void SetStatus0(const QString& text);
  void Pump();
  void ShowError(const QString& text);
  // Runs a command, turning a failed write into a message box.
  void Safely(const std::function<void()>& action);

  Prompter* prompter_ = nullptr;
  std::unique_ptr<Prompter> ownPrompter_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<Catalog> catalog_;
  std::unique_ptr<DupResultStore> dupStore_;
  std::unique_ptr<LikeResultStore> likeStore_;
  std::unique_ptr<AnalysisControl> analysis_;
  std::unique_ptr<Drives> drives_;
  std::unique_ptr<Scanner> scanner_;
  std::unique_ptr<ReadWorkflow> readWorkflow_;
  std::unique_ptr<BrowseHistory> history_;
  std::unique_ptr<ImageList> images_;
  std::unique_ptr<TypeNames> typeNames_;
  FileListModel* listModel_ = nullptr;
  SizeBarDelegate* sizeBar_ = nullptr;

  QWidget* treeArea_ = nullptr;
  QBoxLayout* treeAreaLayout_ = nullptr;
  ShownEntry shown_;
  PropertySheet properties_;
  TabSide tabSide_ = TabSide::Top;
  QString displayedPath_;
  bool started_ = false;
  bool busy_ = false;
  bool browseViewStale_ = false;
  bool shownOnce_ = false;
  bool moving_ = false;
  bool changingTab_ = false;
  bool rebuilding_ = false;
  bool fillingTree_ = false;
  int fillGeneration_ = 0;
  QTreeWidgetItem* renaming_ = nullptr;
  QString renameOldText_;
  int propertySide_ = 0;
  bool applyingLayout_ = false;
};

}  // namespace plomix
