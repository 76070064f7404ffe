// The main window's search and analysis commands and the jump to a result's entry.
#include <QCloseEvent>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "analysis/AnalysisControl.h"
#include "analysis/ResultStore.h"
#include "browse/BrowseHistory.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Compaction.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "ui/AnalysisUi.h"
#include "ui/DetailPanel.h"
#include "ui/DupPage.h"
#include "ui/ImageList.h"
#include "ui/LikePage.h"
#include "ui/MediaPage.h"
#include "ui/PageSupport.h"
#include "ui/PxAbout.h"
#include "ui/PxHelp.h"
#include "ui/PxMain.h"
#include "ui/SearchPage.h"
#include "ui/Session.h"
#include "ui/options/PxEnv.h"
#include "ui/reading/PxDrive.h"
#include "ui/reading/PxReadProgress.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

// Suppresses the browse history's recording for the lifetime of a scope.
class HistoryPause {
 public:
  explicit HistoryPause(BrowseHistory& history) : history_(history), was_(history.Suppressed()) {
    history_.SetSuppressed(true);
  }
  ~HistoryPause() { history_.SetSuppressed(was_); }
  HistoryPause(const HistoryPause&) = delete;
  HistoryPause& operator=(const HistoryPause&) = delete;

 private:
  BrowseHistory& history_;
  bool was_;
};

}  // namespace

void TfrmMain::ConnectAnalyses() {
  analysisUi_ =
      new AnalysisUi(session_.GetCatalog(), session_.GetSettings(), session_.Ask(),
                     session_.Analysis(), session_.DupStore(), session_.LikeStore(), this);
  TabSheet8->ConnectAnalyses(*analysisUi_);
  TabSheet9->ConnectAnalyses(*analysisUi_);
  TabSheet1->ConnectAnalyses(*analysisUi_);
  analysisUi_->SetBusyMarker([this] { return session_.MarkBusy(); });
  connect(ToolButton46, &QToolButton::clicked, this, &TfrmMain::S3Click);
  connect(ToolButton60, &QToolButton::clicked, this, &TfrmMain::N44Click);
  connect(analysisUi_, &AnalysisUi::AnalysisCommandsChanged, this, [this](bool noMedia) {
    RefreshAnalysisCommands();
    if (!noMedia) return;
    for (QAction* a : {S3, N44}) a->setVisible(false);
    for (QToolButton* b : {ToolButton46, ToolButton60}) b->setVisible(false);
  });
  connect(analysisUi_, &AnalysisUi::JumpToMember, this, &TfrmMain::JumpToMember);
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
    if (PageControl1->currentWidget() == TabSheet8) analysisUi_->PageShown(AnalysisMode::Duplicate);
    if (PageControl1->currentWidget() == TabSheet9) analysisUi_->PageShown(AnalysisMode::Similar);
  });
}

void TfrmMain::S3Click() {
  analysisUi_->RunAnalysis(AnalysisMode::Duplicate);
}

void TfrmMain::N44Click() {
  analysisUi_->RunAnalysis(AnalysisMode::Similar);
}

void TfrmMain::R1Click() {
  analysisUi_->RunAgain(AnalysisMode::Duplicate);
}

void TfrmMain::L2Click() {
  analysisUi_->RunAgain(AnalysisMode::Similar);
}

void TfrmMain::JumpToMember(const MemberJump& jump) {
  // The steps of a jump are not places the user chose to visit.
  const HistoryPause pause(session_.History());
  GoToEntry(jump.key);
  TabSheet1->FocusFileList(!jump.found);
}

void TfrmMain::S1Click() {
  if (session_.GetCatalog().FilteredMediaCount() <= 0) return;
  PageControl1->setCurrentWidget(TabSheet2);
  TabSheet2->ToolButton5Click();
}

void TfrmMain::ShowSearchCategory() {
  // The tree shows the category the search was asked for, then the hits come;
  // coming back to the tree finds the same folders expanded and the same
  // selection.
  TabSheet1->ShowCategory(text::Cp932ToQString(session_.GetCatalog().CategoryFilter()));
  PageControl1->setCurrentWidget(TabSheet2);
}

}  // namespace plomix
