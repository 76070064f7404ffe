#pragma once
// The main window as a shell: the menus, the main toolbar, the status bar,
// the page control with one page object per tab sheet, and the routing of
// commands with the rules of what shows and what may run when. The pages own
// their controls and handlers; the window owns the catalogue commands (open,
// create, compact, read, delete) because they change what every page shows.
// Every question goes through the Session's Prompter.
//
// Construction runs the whole start-up: when no catalogue is chosen, or the
// chosen one can be neither opened nor created, Started() is false and the
// window must not be shown. The Session must outlive the window.

#include <QMainWindow>
#include <functional>

class QAction;
class QLabel;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace plomix {

class AnalysisUi;
class DupPage;
struct MemberJump;
class LikePage;
class MediaPage;
class NameIndexStatus;
class Page;
class ReadWorkflow;
class SearchPage;
class Session;
struct UpdateOutcome;

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(Session& session, QWidget* parent = nullptr);
  ~TfrmMain() override;

  bool Started() const { return started_; }
  // "Plomix2  [Ver.a.b.c.d]".
  static QString CaptionText();

  Session& GetSession() { return session_; }
  MediaPage& Media() { return *TabSheet1; }
  AnalysisUi& Analyses() { return *analysisUi_; }

  // The read command with a given dialog step (the window's own uses the read
  // dialog). True when a media was added.
  bool ReadMedia(const std::function<bool(ReadWorkflow&)>& dialog);

  // ---- Controls ----
  QAction *N24, *N25, *DB1, *E2, *N28, *N30, *N31, *S1, *S3, *C1, *R1, *N44, *L2, *Plomix21, *N36;
  QAction* I1;             // インポート: an ncdu listing as a new media
  QAction* N32 = nullptr;  // メディアの更新
  QToolBar* ToolBar1;
  QToolButton *ToolButton1, *ToolButton2, *ToolButton3, *ToolButton46, *ToolButton60;
  QTabWidget* PageControl1;
  MediaPage* TabSheet1;
  SearchPage* TabSheet2;
  DupPage* TabSheet8;
  LikePage* TabSheet9;
  QLabel *StatusPanel0, *StatusPanel1;
  NameIndexStatus* StatusPanel2;  // the name index: current, being built, stale or absent

 public Q_SLOTS:
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton6Click();
  void ToolButton7Click();
  void I1Click();
  // Reads the selected media again into its own slot, keeping its comments
  // and marks (from its folder origin, else its drive with the volume check).
  void UpdateMediaClick();
  // Tells which comments an update could not carry over (none: nothing).
  void ShowUpdateReport(const UpdateOutcome& outcome);
  bool CanUpdateMedia();
  void C1Click();
  void N36Click();
  void Plomix21Click();
  void E2Click();
  // A page asks for entry `key` to be shown in the media page.
  void GoToEntry(int32_t key);
  // The analysis commands.
  void S3Click();
  void N44Click();
  void R1Click();
  void L2Click();
  // A member row of a result grid is shown in the media page.
  void JumpToMember(const MemberJump& jump);
  // 検索(&F)...: the search page and its dialog, when any media is shown.
  void S1Click();
  // The search dialog was confirmed: its category in the tree, the search page in front.
  void ShowSearchCategory();

  // Rebuilds what the window shows when another program wrote the catalogue
  // since it was read; true when it did.
  bool ReloadIfChangedOnDisk();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildWindow();
  void BuildMenus();
  void BuildPages();
  void ConnectPage(Page* page);
  void ConnectAnalyses();

  void FormCreate();
  void FormShow();
  QString ChooseAtStart();
  QString ChooseToOpen();
  bool CreateCatalogue(QString path);
  void AddToOpenHistory(const QString& path);
  void StartResultLoaders();
  void ApplyLoadingRules();
  void FitListToolbar();
  // Waits for the stored results still loading and shows them as loaded.
  void WaitForResultLoads();
  void ApplyPageRules();
  void RefreshCompactButton();
  // Tells once, through the prompter, that the exact-name file was found
  // damaged or gone; the window goes on with the CP932 names.
  void ShowSideFileWarning();
  void RefreshAnalysisCommands();
  void SwitchToMediaPage();
  // The analysis re-run offered after media were added, deleted or compacted;
  // the caller is still busy meanwhile.
  void AfterMediaChange();
  void SaveWindowState();
  void RestoreWindowState();
  void SetStatus(int panel, const QString& text);

  Session& session_;
  AnalysisUi* analysisUi_ = nullptr;
  QString displayedPath_;
  bool started_ = false;
  bool shownOnce_ = false;
  bool widenOnShow_ = false;  // no window size kept: FitListToolbar once shown
  // The frame's place and the inside size while neither maximised nor
  // minimised: what the next start restores.
  QRect normalFrame_;
};

}  // namespace plomix
