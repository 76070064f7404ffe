#pragma once
// The detail panel under the file list: for the one file selected there,
// the other members of its duplicate group (tab TabSheet10, GridView3) and,
// per word of its name, the members of that word's similar-name group (tab
// TabSheet11: the word tabs TabControl1, GridView4 and the count Panel38)
// and, when the file has a content fingerprint, every file of the same
// content on any media (tab TabSheetContent, ContentGridView; filled only
// while that tab is shown, since it may load other media).
// Jumping from a row and copying the word's members are the owner's; the
// panel asks for them through signals.

#include <QWidget>
#include <string>
#include <vector>

#include "core/Records.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTabBar;
class QTabWidget;
class QTableView;

namespace plomix {

class AnalysisControl;
class Catalog;
class DupResultStore;
class ImageList;
class LikeResultStore;
class ResultMemberModel;
class Session;
class Settings;

class DetailPanel : public QWidget {
  Q_OBJECT

 public:
  DetailPanel(Catalog& catalog, Settings& settings, AnalysisControl& analysis, DupResultStore& dup,
              LikeResultStore& like, ImageList& images, QWidget* parent = nullptr);
  explicit DetailPanel(Session& session, QWidget* parent = nullptr);

  // Detail panel update for the rows selected in the file list.
  void UpdateFromSelection(const std::vector<const TRecord*>& selected);
  // After a tree selection: both grids emptied, the word tabs reset.
  void ClearPanel();
  // The word part only (the read command does this after every read).
  void ResetLikeWords();
  // The word whose tab is selected on the next update (set by a jump from
  // GridView4), empty for none.
  void RememberLikeKey(const QString& word) { rememberedLikeKey_ = word; }
  QString RememberedLikeKey() const { return rememberedLikeKey_; }
  QString CurrentLikeWord() const;
  // Fills the path column of GridView4.
  void FillLikePaths();

  ResultMemberModel& DupMembers() { return *dupMembers_; }
  ResultMemberModel& LikeMembers() { return *likeMembers_; }
  ResultMemberModel& ContentMembers() { return *contentMembers_; }

  QTabWidget* PageControl3;
  QWidget *TabSheet10, *TabSheet11;
  QTableView *GridView3, *GridView4;
  QTabBar* TabControl1;
  QLabel* Panel38;
  QWidget* TabSheetContent;
  QTableView* ContentGridView;
  QLabel* lblContentCount;  // "指紋なし", "カレントのみ" or "n 件（指紋：...）"
  QPushButton *cmdShowLikePath, *cmdLikeClipbord;
  QMenu *PopupMenuGridView3, *PopupMenuGridView4;
  QAction *PopupGridView3Show, *PopupGridView4Show;

 Q_SIGNALS:
  // A jump from GridView3 (grid 3), GridView4 (grid 4) or ContentGridView (grid 5).
  void JumpRequested(int grid, int row);
  void CopyRequested();

 private:
  void TabControl1Change();
  void FillLikeWord(std::size_t tab);  // the group of the word of tab `tab`
  void FillContent();                  // the copies of the selected file, when due
  void Fill(ResultMemberModel& model, QTableView* grid, int list, bool like, int32_t first,
            int32_t count);

  Catalog& catalog_;
  Settings& settings_;
  AnalysisControl& analysis_;
  DupResultStore& dup_;
  LikeResultStore& like_;
  ResultMemberModel* dupMembers_;
  ResultMemberModel* likeMembers_;
  ResultMemberModel* contentMembers_;
  bool contentDue_ = false;              // the content tab waits to be filled for selectedKey_
  std::vector<std::string> words_;       // CP932, one per tab
  std::vector<std::string> exactWords_;  // the shown exact word, "" where CP932 holds it
  int32_t selectedKey_ = -1;
  int selectedImage_ = -1;
  QString rememberedLikeKey_;
  bool rebuildingTabs_ = false;
};

}  // namespace plomix
