#pragma once
// One result page ("重複ファイルの一覧" or "似たようなファイルの一覧"): the
// name search bar, the group grid, the member grid of the selected group
// with its three buttons, and the two-panel status bar. The page reads the
// result store of its mode; running a search, jumping to a member and the
// copy dialog are the owner's (the page asks for them through signals).
//
// The duplicate page also groups by content: the switch "名前が同じ /
// 内容が同じ" shows, in place of the name groups, the groups of files with
// equal content fingerprints across all media (ContentGrid). The member
// grid, its buttons and the jumps serve both; each mode keeps its own
// status texts, and the content groups are found again only after
// ClearContent (another catalogue, media added or removed).

#include <QWidget>

#include "analysis/NameAnalysis.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QStackedWidget;
class QLineEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTableView;
class QToolButton;

namespace plomix {

class Catalog;
class ContentGroupModel;
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

  // ---- Duplicates by content (duplicate page only) ----
  bool ContentMode() const;
  // Turns the switch; the member grid follows the selected group of the mode.
  void SetContentMode(bool content);
  ContentGroupModel& ContentGroups() { return *contentGroups_; }
  // Finds the content groups of the catalogue (loading every media) and
  // shows them, with the media read without fingerprints in the status.
  void FillContentGroups();
  bool HasContentGroups() const { return contentFilled_; }
  // Forgets the content groups (they are found again when next needed).
  void ClearContent();
  void FillContentMembers(int groupRow);

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
  // Duplicate page: "名前が同じ" / "内容が同じ" and the content group grid.
  QRadioButton *rdoDupByName = nullptr, *rdoDupByContent = nullptr;
  QTableView* ContentGrid = nullptr;

 Q_SIGNALS:
  // "表示" or a double click on a member row.
  void JumpRequested(int memberRow);
  // "コピー": the owner opens the copy dialog over the member grid.
  void CopyRequested();
  // The user turned the name/content switch.
  void ContentModeChanged(bool content);

 private:
  void GroupSelectionChanged();
  void ContentSelectionChanged();
  QString Number(double value) const;
  // A status text of one mode (names or content); shown when that mode is.
  void SetStatus(bool content, int panel, const QString& text);
  void ShowStatus();

  AnalysisMode mode_;
  ResultStore& store_;
  Catalog& catalog_;
  Settings& settings_;
  Prompter& prompter_;
  ResultGroupModel* groups_;
  ResultMemberModel* members_;
  bool filling_ = false;
  QString note_;
  ContentGroupModel* contentGroups_ = nullptr;
  QStackedWidget* groupStack_ = nullptr;
  bool contentFilled_ = false;
  QString status_[2][2];  // [content][panel]
  QString contentStatusTip_;
};

}  // namespace plomix
