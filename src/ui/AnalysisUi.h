#pragma once
// The window's side of the two analyses: running a search under its
// progress dialog (caption suffix, emptied views, the search command hidden
// afterwards), the re-run questions, the result pages' show handler, the
// copy dialog of the three member grids and the view part of a jump to a
// member. The window owns the pages and routes its commands here; the media
// page does the browsing part of a jump (JumpToMember).

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "analysis/NameAnalysis.h"
#include "core/BusyScope.h"

class QDialog;
class QWidget;

namespace plomix {

class AnalysisControl;
class Catalog;
class Clipboard;
class DetailPanel;
enum class DetailSource;
class DupResultStore;
class LikeResultStore;
class Prompter;
class ResultPage;
class Settings;
class TfrmDupSearch;
class TfrmDupSubClipbord;

// Where a jump goes: the member's name and key, its media's category and the
// folder that holds it ("Media\Folder", empty when its media is gone).
struct MemberJump {
  int grid = 0;  // 2, 12 (result pages), 3, 4, 5 (detail panel; 5: same content)
  int32_t key = -1;
  // The catalogue still holds the member under its name at that key; when
  // not, the jump goes as far as it can and selects no row.
  bool found = false;
  QString name;
  QString category;
  QString folderPath;
};

class AnalysisUi : public QObject {
  Q_OBJECT

 public:
  AnalysisUi(Catalog& catalog, Settings& settings, Prompter& prompter, AnalysisControl& analysis,
             DupResultStore& dup, LikeResultStore& like, QWidget* window);
  ~AnalysisUi() override;

  // The views this object drives (owned by the window's pages, which hand
  // them over themselves); SetViews sets all three at once.
  void SetResultPage(AnalysisMode mode, ResultPage* page);
  void SetDetailPanel(DetailPanel* detail);
  void SetViews(ResultPage* dupPage, ResultPage* likePage, DetailPanel* detail);
  ResultPage* Page(AnalysisMode mode) const;
  // Copy dialog output (null: the system clipboard); for tests.
  void SetClipboard(Clipboard* clipboard);
  // How the copy dialog is shown (exec by default); tests drive it instead.
  void SetDialogRunner(std::function<void(QDialog&)> runner) { showDialog_ = std::move(runner); }
  TfrmDupSubClipbord& CopyDialog();

  // True while a search runs under its dialog.
  bool Running() const { return running_; }
  // Marks the window busy while a search runs (which refuses closing and
  // every command that changes the catalogue).
  void SetBusyMarker(std::function<BusyScope()> mark) { markBusy_ = std::move(mark); }

  // RunAnalysis: false when nothing ran (no media passes the category filter,
  // a load still runs, or another search runs).
  bool RunAnalysis(AnalysisMode mode);
  // The re-search commands: ask, then RunAnalysis on Yes.
  bool RunAgain(AnalysisMode mode);
  // After media were added, deleted or compacted (the window's busy rules
  // apply before this is called).
  void AfterMediaChange();
  // The show handler of a result page.
  void PageShown(AnalysisMode mode);
  // A mode's stored result has been loaded (complete: the file was sound).
  void ResultLoaded(AnalysisMode mode, bool complete);
  // Both pages and the detail panel emptied (another catalogue, a discard).
  void ClearAll();
  // The content groups found again when the duplicate page shows them and
  // they were cleared (another catalogue is open now).
  void RefillShownContent();
  // The copy buttons: 0 duplicate page, 1 similar page, 2 the detail word grid.
  void CopyDetails(DetailSource mode);
  // A jump from a member grid (2, 12, 3, 4, 5) at a row.
  void Jump(int grid, int row);

 Q_SIGNALS:
  // The search commands may have to change visibility (a result appeared or
  // went, or no media passes the filter: `noMedia`).
  void AnalysisCommandsChanged(bool noMedia);
  void RunningChanged(bool running);
  // The browsing part of a jump: category tab, page switch, tree path and
  // list row. Connected directly; it has finished when emit returns.
  void JumpToMember(const MemberJump& jump);

 private:
  void RunInDialog(AnalysisMode mode, bool prepared);
  void FillPage(AnalysisMode mode);

  Catalog& catalog_;
  Settings& settings_;
  Prompter& prompter_;
  AnalysisControl& analysis_;
  DupResultStore& dup_;
  LikeResultStore& like_;
  QWidget* window_;
  ResultPage* dupPage_ = nullptr;
  ResultPage* likePage_ = nullptr;
  DetailPanel* detail_ = nullptr;
  Clipboard* clipboard_ = nullptr;
  std::unique_ptr<TfrmDupSubClipbord> copyDialog_;
  std::function<void(QDialog&)> showDialog_;
  bool running_ = false;
  std::function<BusyScope()> markBusy_;
  bool incomplete_[2] = {false, false};
};

}  // namespace plomix
