#pragma once
// The search page of the main window: the toolbar, the result list in four
// view styles over one model, the two-panel status bar and the context menu.
// It runs the search command (dialog, run, list fill, sort), copies hits to
// the clipboard and asks the window to go to a hit's entry.
//
// A search runs on the window's thread and lets pending events run between
// blocks of records, so the window stays responsive; Esc or the 中止 button
// stops it, keeping the hits found so far. A second search is not started
// while one runs.

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "core/Records.h"
#include "export/TextExport.h"
#include "search/FileSearch.h"
#include "ui/Page.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace plomix {

class Clipboard;
class SearchHitModel;
class Session;
class TfrmFileSearch;
class WholeNameDelegate;
class TypeAheadListView;
class TypeAheadTableView;

class SearchPage : public Page {
  Q_OBJECT

 public:
  // Hits are copied to the desktop's clipboard unless `clipboard` is given;
  // the session and the clipboard outlive the page.
  explicit SearchPage(Session& session, QWidget* parent = nullptr, Clipboard* clipboard = nullptr);
  ~SearchPage() override;

  SearchHitModel& Model() { return *model_; }
  FileSearch& Search() { return search_; }
  TfrmFileSearch& Dialog();
  bool Running() const { return running_; }

  // The dialog step of the search command: true when the user confirmed
  // conditions and media. The page's own shows the dialog modally.
  using DialogStep = std::function<bool(TfrmFileSearch&)>;
  // The whole search command with a given dialog step (tests script it).
  void RunSearchCommand(const DialogStep& dialogStep);
  // Runs the search with the dialog's last conditions and fills the list.
  void RunSearch(const SearchConditions& conditions, const std::vector<int>& media);
  // Empties the list and both status panels (a new category tab in the tree).
  void Clear();
  // Lists the files of the same content as the catalogue entry `key` (by
  // their fingerprints, on every media) in place of a search's hits; false,
  // with the list left alone, when the entry has no fingerprint.
  bool ShowContentCopies(int32_t key);

  // The selected hits, in the order the list shows them.
  std::vector<const TRecord*> SelectedHits() const;
  // Current view style: 0 large icons, 1 small icons, 2 list, 3 details.
  int ViewStyle() const { return viewStyle_; }
  QString StatusText(int panel) const;

  // ---- Controls (object names equal the member names) ----
  QToolBar* ToolBar2 = nullptr;
  QToolButton *ToolButton5 = nullptr, *ToolButton21 = nullptr, *ToolButton23 = nullptr,
              *ToolButton31 = nullptr, *ToolButton33 = nullptr, *ToolButton34 = nullptr,
              *ToolButton35 = nullptr, *ToolButton36 = nullptr;
  QToolButton* cmdSearchStop = nullptr;  // "中止", shown while a search runs
  TypeAheadTableView* ListView2 = nullptr;
  TypeAheadListView* ListView2Icons = nullptr;  // the icon and list styles of ListView2
  QStatusBar* StatusBar2 = nullptr;
  QLabel *StatusBar2Panel0 = nullptr, *StatusBar2Panel1 = nullptr;
  QMenu* PopupMenuSearch = nullptr;
  QAction *F1 = nullptr, *M2 = nullptr, *M3 = nullptr, *N59 = nullptr, *C2 = nullptr, *A1 = nullptr,
          *B1 = nullptr, *S5 = nullptr, *L1 = nullptr, *R2 = nullptr;

 Q_SIGNALS:
  // The dialog was confirmed: the window selects the category tab of the
  // filter, rebuilds its tree and brings this page to front.
  void SearchAccepted();
  // A search started (true) or ended (false).
  void RunningChanged(bool running);
  // A panel of StatusBar2 got a new text.
  void StatusChanged(int panel, const QString& text);

 public Q_SLOTS:
  void ToolButton5Click();
  void ToolButton21Click();
  // Marks or unmarks the selected hits, each on its own.
  void ToolButton23Click();
  void ListView2DblClick();
  void ListView2ColumnClick(int column);
  void N59Click();
  void C2Click();
  void A1Click();
  void SetViewStyle(int style);
  void cmdSearchStopClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolBar();
  void BuildList();
  void BuildPopupMenu();
  void FitColumnWidths();
  void SetStatus(int panel, const QString& text);
  void FillResultList(std::vector<TRecord>&& hits);
  void SortWithStatus(int column, bool shift);
  void CopyHits(HitExportFormat format);
  bool KeepGoing();
  void PumpIfDue();

  Session& session_;
  std::unique_ptr<Clipboard> ownClipboard_;
  Clipboard& clipboard_;
  FileSearch search_;
  SearchHitModel* model_ = nullptr;
  std::unique_ptr<TfrmFileSearch> dialog_;
  int viewStyle_ = 3;
  WholeNameDelegate* iconNames_ = nullptr;
  bool running_ = false;
  bool stopRequested_ = false;
  QElapsedTimer sincePump_;
};

}  // namespace plomix
