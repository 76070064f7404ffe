#pragma once
// The list area of the 標準 page (`pnlListViewClient`): the list toolbar
// `ToolBar3`, the file list `ListView1` (details) with `ListView1Icons` (the
// icon and list styles over the same model and selection), the comment panel
// `Panel13` and the list's context menu `PopupMenuListView`. It fills the
// list from the engine's rows and keeps the list-only settings (grid lines,
// size bar, colours, column layout, view style). Its buttons and menu items
// each raise one command signal; the commands that reach beyond the list
// (history, going up, opening a row, marks, comments, copies, the property
// panel) are carried out by the media page.

#include <QWidget>
#include <string_view>
#include <vector>

#include "browse/EntryRows.h"
#include "ui/CopyCommands.h"
#include "ui/widgets/EntryListView.h"

class QAction;
class QCheckBox;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QToolBar;
class QToolButton;

namespace plomix {

class FileListModel;
class ImageList;
class Session;
class SizeBarDelegate;
class WholeNameDelegate;

class FileListPanel : public QWidget {
  Q_OBJECT

 public:
  FileListPanel(Session& session, QWidget* parent = nullptr);

  FileListModel& ListModel() { return *listModel_; }
  // Applies the saved list settings (grid lines, size bar and its colour,
  // duplicate colour, column layout, comment panel).
  void LoadSettings();
  // Keeps the column widths and order in the settings.
  void SaveLayout();

  // A fill that a newer one (started while this one let messages run) has
  // overtaken stops where it is. StartFill marks the newest.
  int StartFill() { return ++fillGeneration_; }
  // The newest fill, for a command that lets events run over the rows and must
  // notice a refill without stopping the one running.
  int FillGeneration() const { return fillGeneration_; }
  bool FillIsCurrent(int generation) const { return generation == fillGeneration_; }
  void FillList(EntryRows&& rows);
  std::vector<int> SelectedRows() const;
  // `exact`: the entry's exact name, empty when its CP932 name is exact.
  void SelectListRowByName(const std::string& cp932Name, std::string_view exact = {});
  void SetDuplicateColour(int bgr);
  ViewStyle CurrentViewStyle() const;
  WholeNameDelegate& IconNames();
  void ClearSelection();
  void FocusList();
  // Checks the property panel's button and menu item without a command.
  void SetPropertyShown(bool shown);

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
  QMenu* PopupMenuListView;
  QAction *N19, *O1, *N2, *N3, *N4, *N6, *N63, *N64, *N7, *N8, *N9, *M1, *E1, *N60, *N10, *N12,
      *N13, *N14, *N15, *N16, *N33, *N22, *saizu1, *N38;

 Q_SIGNALS:
  // Progress and result of a fill, for panel 0 of the window's status bar.
  void StatusText(const QString& text);
  // The list's commands (buttons, menu items, keys and double-clicks).
  void BackRequested();
  void ForwardRequested();
  void UpRequested();
  void OpenRequested();
  void MarkRequested();
  void CommentRequested();
  void CommentSaveRequested();
  void ExploreRequested();
  void FileCopyRequested();
  // Copies the selected rows in the form chosen in the settings.
  void CopyRequested();
  void CopyAsRequested(CopyForm form);
  void CopyOptionsRequested();
  void PropertyShowToggled(bool shown);
  void DupInfoShowToggled(bool shown);
  void RowsSelected();
  // The list's context menu is about to pop up.
  void MenuAboutToShow();

 public Q_SLOTS:
  void SetViewStyle(ViewStyle style);
  void N33Click();
  void N22Click();
  void saizu1Click();
  void N38Click();
  void chkCommentSetShowClick();
  void ListView1ColumnClick(int position, bool shift = false);
  void ListView1SectionResized(int position, int oldSize, int newSize);

 private:
  void BuildToolBar();
  void BuildViews();
  void BuildCommentPanel();
  void BuildPopupMenu();
  void ConnectCommands();
  void ApplyColumnLayout();
  void FitColumnWidths();
  void CaptureColumnWidths();

  Session& session_;
  ImageList& images_;
  FileListModel* listModel_ = nullptr;
  SizeBarDelegate* sizeBar_ = nullptr;
  EntryListView* entries_ = nullptr;
  int fillGeneration_ = 0;
  bool applyingLayout_ = false;
};

}  // namespace plomix
