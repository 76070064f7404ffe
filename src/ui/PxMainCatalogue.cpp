// The main window's catalogue commands: open, create, read, delete, compact.
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
#include "ui/ErrorMessage.h"
#include "ui/FileListPanel.h"
#include "ui/ImageList.h"
#include "ui/LikePage.h"
#include "ui/MediaPage.h"
#include "ui/NameIndexStatus.h"
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

// ---------------------------------------------------------------- catalogue commands

void TfrmMain::ToolButton1Click() {
  if (!session_.ReadyToChangeCatalogue()) return;
  Catalog& catalog = session_.GetCatalog();
  const QString path = ChooseToOpen();
  if (path.isEmpty()) {
    TabSheet1->ResetHistory();
    return;
  }
  TabSheet1->SelectAllCategories();
  analysisUi_->ClearAll();
  if (!catalog.OpenCatalog(text::NativePath(path))) {
    session_.Ask().Message(QStringLiteral("Max"), PromptIcon::None, PromptButtons::Ok);
    return;
  }
  catalog.ReadLongNames();
  session_.Analysis().CatalogOpened();
  RefreshCompactButton();
  TabSheet1->RebuildTree(TreeRebuild::Full);
  Safely(session_.Ask(), [&] { AddToOpenHistory(path); });
  RefreshAnalysisCommands();
  StartResultLoaders();
  analysisUi_->RefillShownContent();
  StatusPanel2->Follow(catalog.CatalogPath());
  TabSheet1->ResetHistory();
}

void TfrmMain::ToolButton2Click() {
  if (!session_.ReadyToChangeCatalogue()) return;
  CreateCatalogue(QString());
  RefreshAnalysisCommands();
}

void TfrmMain::AfterMediaChange() {
  StatusPanel2->Recheck();
  analysisUi_->AfterMediaChange();
  RefreshAnalysisCommands();
}

bool TfrmMain::ReloadIfChangedOnDisk() {
  if (session_.Busy()) return false;
  bool changed = false;
  Safely(session_.Ask(), [&] { changed = session_.GetCatalog().RefreshFromDisk(); });
  StatusPanel2->Recheck();
  if (!changed) return false;
  TabSheet1->RebuildTree(TreeRebuild::Full);
  RefreshCompactButton();
  TabSheet1->ResetHistory();
  return true;
}

void TfrmMain::changeEvent(QEvent* event) {
  // Coming back to the window is when another program's writes show up.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) ReloadIfChangedOnDisk();
  QMainWindow::changeEvent(event);
}

void TfrmMain::ToolButton3Click() {
  if (!session_.ReadyToChangeCatalogue()) return;
  ReloadIfChangedOnDisk();
  Catalog& catalog = session_.GetCatalog();
  const BusyScope busy = session_.MarkBusy();
  CompactResult result = CompactResult::NothingToDo;
  {
    WaitCursor wait;
    Safely(session_.Ask(), [&] {
      result = catalog.CompactCatalog([this](const QString& text) {
        SetStatus(0, text);
        Pump();
      });
    });
  }
  TabSheet1->RebuildTree(TreeRebuild::Full);
  if (result == CompactResult::CopyFailed)
    ShowError(session_.Ask(), ErrorMessage(catalog.LastFailure()));
  if (result == CompactResult::Done) AfterMediaChange();
  RefreshCompactButton();
  TabSheet1->ResetHistory();
}

bool TfrmMain::ReadMedia(const std::function<bool(ReadWorkflow&)>& dialog) {
  if (!session_.ReadyToChangeCatalogue()) return false;
  ReloadIfChangedOnDisk();
  session_.GetScanner().SetProgress([this](int64_t stored, const std::string& folder) {
    SetStatus(0, QStringLiteral("メディア情報読込中...") + CountText(stored));
    SetStatus(1, QString::fromStdString(folder));
    Pump();
  });
  session_.Reader().SetBeforeStore([this] {
    SetStatus(0, QStringLiteral("メディア情報書込み中..."));
    SetStatus(1, QString());
    Pump();
  });
  // The walk runs on a worker thread behind a progress dialog that can stop it.
  session_.Reader().SetScanRunner(TfrmReadProgress::Runner(session_.GetScanner(), this));
  session_.Reader().SetOfferUpdate(true);
  const BusyScope busy = session_.MarkBusy();
  bool added = false;
  Safely(session_.Ask(), [&] { added = session_.Reader().ReadMediaCommand(dialog); });
  SetStatus(0, QString());
  TabSheet1->ResetLikeWords();
  if (!added) return false;
  TabSheet1->RebuildTree(TreeRebuild::Full);
  AfterMediaChange();
  RefreshCompactButton();
  // A read that updated the media of its name tells what it could not carry.
  if (session_.Reader().LastUpdate()) ShowUpdateReport(*session_.Reader().LastUpdate());
  return true;
}

void TfrmMain::ToolButton6Click() {
  ReadMedia([this](ReadWorkflow& workflow) {
    return TfrmDrive::Run(workflow, session_.GetCatalog(), session_.GetDrives(), session_.Ask(),
                          this);
  });
}

void TfrmMain::ToolButton7Click() {
  if (!session_.ReadyToChangeCatalogue()) return;
  // The selected media may be another one once the catalogue is read again:
  // the user chooses again rather than deleting what the tree showed before.
  if (ReloadIfChangedOnDisk()) return;
  Catalog& catalog = session_.GetCatalog();
  Prompter& prompter = session_.Ask();
  const int32_t key = TabSheet1->CurrentKey();
  if (!IsEntryKey(key)) {
    prompter.Message(QStringLiteral("削除するメディアが不明です"), PromptIcon::Warning,
                     PromptButtons::Ok);
    return;
  }
  const QString name = text::Cp932ToQString(catalog.MediaNameOf(key));
  // The media asked about; the catalogue may be read again while the question
  // is open (coming back to the window), and its slot then hold another media.
  const MediaIdentity shown = catalog.IdentityOf(SlotOfKey(key));
  if (prompter.Message(QStringLiteral("下記のメディア情報を削除しますか？\r\n\r\n") + name,
                       PromptIcon::Question, PromptButtons::YesNo) != PromptResult::Yes)
    return;
  const BusyScope busy = session_.MarkBusy();
  {
    WaitCursor wait;
    Safely(prompter, [&] { catalog.DeleteMedia(SlotOfKey(key), &shown); });
  }
  TabSheet1->RebuildTree(TreeRebuild::Full);
  if (catalog.FilteredMediaCount() < 1) {
    session_.Analysis().DiscardResults();
    analysisUi_->ClearAll();
  } else {
    AfterMediaChange();
  }
  RefreshAnalysisCommands();
  RefreshCompactButton();
  TabSheet1->ResetHistory();
}

}  // namespace plomix
