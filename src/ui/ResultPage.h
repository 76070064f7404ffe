#pragma once
// One result page ("重複ファイルの一覧" or "似たようなファイルの一覧"): the
// name search bar, the group grid, the member grid of the selected group
// with its three buttons, and the two-panel status bar. The page reads the
// result store of its mode; running a search, jumping to a member and the
// copy dialog are the owner's (the page asks for them through signals).

#include <QWidget>

#include "analysis/NameAnalysis.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTableView;
class QToolButton;

namespace plomix {

class Catalog;
class ImageList;
class Prompter;
class ResultGroupModel;
class ResultMemberModel;
class ResultStore;
class Settings;

class ResultPage : public QWidget {
  Q_OBJECT

 public:
  ResultPage(AnalysisMode mode, ResultStore& store, Catalog& catalog, Settings& settings,
             Prompter& prompter, ImageList& images, QWidget* parent = nullptr);

  AnalysisMode Mode() const { return mode_; }
  ResultGroupModel& Groups() { return *groups_; }
  ResultMemberModel& Members() { return *members_; }

  // Fill group grid: every head of the store, with the status texts.
  void FillGroupGrid();
  // Fill member grid for a row of the group grid.
  void FillMemberGrid(int groupRow);
  // Clear results: both grids (or only the member grid) and the status texts.
  void ClearResults(bool membersOnly = false);
  // Find name downwards or upwards from the selected group row.
  void FindName(bool down);
  // Fill paths: completes the path column of every member row.
  void FillPaths();
  // Fills the path cells of one media's rows (the jump does this); the
  // similar page only when it shows fewer than 100 rows.
  void FillPathsOfMedia(int slot);
  bool HasGroups() const;
  // An extra note after the status texts (a damaged or foreign result file);
  // stays until the next ClearResults.
  void SetResultNote(const QString& note);

  QLineEdit* txtSearchStr;  // txtDupSearchStr / txtLikeSearchStr
  // Similar names only: "数字だけの語を隠す" (on by default, remembered).
  QCheckBox* chkHideDigitWords = nullptr;
  QToolButton *cmdSearchDown, *cmdSearchUp;
  QTableView* GroupGrid;   // GridView1 / GridView11
  QTableView* MemberGrid;  // GridView2 / GridView12
  QLabel* MemberCaption;
  QPushButton *cmdShowPath, *cmdCopy, *cmdShow;
  QStatusBar* StatusBar;  // StatusBar3 / StatusBar4
  QLabel *StatusPanel0, *StatusPanel1;
  QSplitter* Splitter;

 Q_SIGNALS:
  // "表示" or a double click on a member row.
  void JumpRequested(int memberRow);
  // "コピー": the owner opens the copy dialog over the member grid.
  void CopyRequested();

 private:
  void GroupSelectionChanged();
  QString Number(double value) const;

  AnalysisMode mode_;
  ResultStore& store_;
  Catalog& catalog_;
  Settings& settings_;
  Prompter& prompter_;
  ResultGroupModel* groups_;
  ResultMemberModel* members_;
  bool filling_ = false;
  QString note_;
};

}  // namespace plomix
