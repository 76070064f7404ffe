#include "ui/AnalysisUi.h"

#include <QCoreApplication>
#include <QDialog>
#include <QTabWidget>
#include <QTableView>
#include <QWidget>

#include "analysis/AnalysisControl.h"
#include "analysis/ResultStore.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "ui/DetailPanel.h"
#include "ui/ErrorMessage.h"
#include "ui/ResultGrid.h"
#include "ui/ResultMemberModel.h"
#include "ui/ResultPage.h"
#include "ui/ShownNames.h"
#include "ui/analysis/PxDupSearch.h"
#include "ui/analysis/PxDupSubClipbord.h"

namespace plomix {

namespace {

int Index(AnalysisMode mode) {
  return mode == AnalysisMode::Duplicate ? 0 : 1;
}

}  // namespace

AnalysisUi::AnalysisUi(Catalog& catalog, Settings& settings, Prompter& prompter,
                       AnalysisControl& analysis, DupResultStore& dup, LikeResultStore& like,
                       QWidget* window)
    : QObject(window),
      catalog_(catalog),
      settings_(settings),
      prompter_(prompter),
      analysis_(analysis),
      dup_(dup),
      like_(like),
      window_(window),
      showDialog_([](QDialog& dialog) { dialog.exec(); }) {
  // Searches that follow a media change run under the dialog like any other.
  analysis_.SetSearchRunner([this](AnalysisMode mode) { RunAnalysis(mode); });
}

AnalysisUi::~AnalysisUi() {
  analysis_.SetSearchRunner({});
}

void AnalysisUi::SetViews(ResultPage* dupPage, ResultPage* likePage, DetailPanel* detail) {
  SetResultPage(AnalysisMode::Duplicate, dupPage);
  SetResultPage(AnalysisMode::Similar, likePage);
  SetDetailPanel(detail);
}

void AnalysisUi::SetResultPage(AnalysisMode mode, ResultPage* page) {
  if (mode == AnalysisMode::Similar) {
    likePage_ = page;
    if (likePage_ != nullptr) {
      connect(likePage_, &ResultPage::JumpRequested, this, [this](int row) { Jump(12, row); });
      connect(likePage_, &ResultPage::CopyRequested, this,
              [this] { CopyDetails(DetailSource::LikeMembers); });
    }
    return;
  }
  dupPage_ = page;
  if (dupPage_ != nullptr) {
    connect(dupPage_, &ResultPage::JumpRequested, this, [this](int row) { Jump(2, row); });
    connect(dupPage_, &ResultPage::CopyRequested, this,
            [this] { CopyDetails(DetailSource::DupMembers); });
    connect(dupPage_, &ResultPage::ContentModeChanged, this,
            [this] { PageShown(AnalysisMode::Duplicate); });
  }
}

void AnalysisUi::SetDetailPanel(DetailPanel* detail) {
  detail_ = detail;
  if (detail_ != nullptr) {
    connect(detail_, &DetailPanel::JumpRequested, this, &AnalysisUi::Jump);
    connect(detail_, &DetailPanel::CopyRequested, this,
            [this] { CopyDetails(DetailSource::LikeWord); });
  }
}

ResultPage* AnalysisUi::Page(AnalysisMode mode) const {
  return mode == AnalysisMode::Duplicate ? dupPage_ : likePage_;
}

void AnalysisUi::SetClipboard(Clipboard* clipboard) {
  clipboard_ = clipboard;
  copyDialog_.reset();
}

TfrmDupSubClipbord& AnalysisUi::CopyDialog() {
  if (!copyDialog_)
    copyDialog_ = std::make_unique<TfrmDupSubClipbord>(settings_, prompter_, clipboard_, window_);
  return *copyDialog_;
}

bool AnalysisUi::RunAnalysis(AnalysisMode mode) {
  if (running_ || analysis_.IsLoading(mode)) return false;
  if (catalog_.FilteredMediaCount() == 0) {
    Q_EMIT AnalysisCommandsChanged(true);
    return false;
  }
  if (detail_ != nullptr) detail_->ResetLikeWords();
  const QString caption = window_ != nullptr ? window_->windowTitle() : QString();
  if (window_ != nullptr) {
    window_->setWindowTitle(caption + (mode == AnalysisMode::Duplicate
                                           ? QStringLiteral(" [重複ファイル検索中...]")
                                           : QStringLiteral(" [似たようなファイル検索中...]")));
  }
  QCoreApplication::processEvents();
  if (ResultPage* page = Page(mode)) page->ClearResults();
  RunInDialog(mode, true);
  Q_EMIT AnalysisCommandsChanged(false);
  if (window_ != nullptr) window_->setWindowTitle(caption);
  // A page out of sight is filled when it is next shown (PageShown).
  ResultPage* page = Page(mode);
  if (page != nullptr && page->isVisible()) FillPage(mode);
  return true;
}

void AnalysisUi::RunInDialog(AnalysisMode mode, bool prepared) {
  const BusyScope busy = markBusy_ ? markBusy_() : BusyScope();
  running_ = true;
  Q_EMIT RunningChanged(true);
  incomplete_[Index(mode)] = false;
  TfrmDupSearch dialog(window_);
  dialog.Prepare(mode);
  try {
    dialog.RunModal([this, mode, prepared](const AnalysisProgress& progress) {
      if (prepared)
        analysis_.RunAnalysis(mode, progress);
      else
        analysis_.RunSearchInDialog(mode, progress);
    });
  } catch (const std::exception& error) {
    prompter_.Message(ErrorMessage(error), PromptIcon::Error, PromptButtons::Ok);
  }
  running_ = false;
  Q_EMIT RunningChanged(false);
}

bool AnalysisUi::RunAgain(AnalysisMode mode) {
  if (running_ || analysis_.IsLoading(mode)) return false;
  const QString question = mode == AnalysisMode::Duplicate
                               ? QStringLiteral("重複ファイルの再検索処理を行いますか？")
                               : QStringLiteral("似たようなファイルの再検索処理を行いますか？");
  if (prompter_.Message(question, PromptIcon::Question, PromptButtons::YesNo) != PromptResult::Yes)
    return false;
  return RunAnalysis(mode);
}

void AnalysisUi::AfterMediaChange() {
  if (running_) return;
  bool ran = false;
  try {
    ran = analysis_.AfterMediaChange();
  } catch (const std::exception& error) {
    prompter_.Message(ErrorMessage(error), PromptIcon::Error, PromptButtons::Ok);
  }
  if (!ran) {
    for (ResultPage* page : {dupPage_, likePage_})
      if (page != nullptr) page->ClearResults();
    if (detail_ != nullptr) detail_->ClearPanel();
  }
  if (dupPage_ != nullptr) dupPage_->ClearContent();
  RefillShownContent();
  Q_EMIT AnalysisCommandsChanged(false);
}

void AnalysisUi::RefillShownContent() {
  // Groups by content are found again from the media as they are now.
  if (dupPage_ != nullptr && dupPage_->ContentMode() && dupPage_->isVisible() &&
      !dupPage_->HasContentGroups())
    dupPage_->FillContentGroups();
}

void AnalysisUi::PageShown(AnalysisMode mode) {
  ResultPage* page = Page(mode);
  if (page == nullptr || running_) return;
  // Content groups come from the fingerprints, not from a name search.
  if (page->ContentMode()) {
    if (!page->HasContentGroups()) page->FillContentGroups();
    return;
  }
  if (analysis_.IsLoading(mode) || page->HasGroups()) return;
  if (!analysis_.Store(mode).ResultsExist()) {
    RunInDialog(mode, false);
    Q_EMIT AnalysisCommandsChanged(false);
  }
  FillPage(mode);
}

void AnalysisUi::ResultLoaded(AnalysisMode mode, bool complete) {
  ResultStore& store = analysis_.Store(mode);
  incomplete_[Index(mode)] = !complete;
  // A file of a later program may lay its records out otherwise: nothing of
  // it is shown or used, and the file itself stays as it is.
  const int32_t known = mode == AnalysisMode::Duplicate ? kDupFileVersion : kLikeFileVersion;
  if (store.FileVersion() > known) store.ClearGroups();
}

void AnalysisUi::FillPage(AnalysisMode mode) {
  ResultPage* page = Page(mode);
  if (page == nullptr) return;
  page->ClearResults();
  ResultStore& store = analysis_.Store(mode);
  const int32_t known = mode == AnalysisMode::Duplicate ? kDupFileVersion : kLikeFileVersion;
  if (store.FileVersion() > known) {
    page->SetResultNote(QStringLiteral("結果ファイルが新しい版の形式のため表示できません"));
    return;
  }
  if (incomplete_[Index(mode)])
    page->SetResultNote(QStringLiteral("（結果ファイルの一部が読めません）"));
  page->FillGroupGrid();
}

void AnalysisUi::ClearAll() {
  for (ResultPage* page : {dupPage_, likePage_})
    if (page != nullptr) page->ClearResults();
  if (dupPage_ != nullptr) dupPage_->ClearContent();
  if (detail_ != nullptr) detail_->ClearPanel();
  incomplete_[0] = incomplete_[1] = false;
}

void AnalysisUi::CopyDetails(DetailSource mode) {
  ResultMemberModel* model = nullptr;
  QTableView* grid = nullptr;
  if (mode == DetailSource::DupMembers && dupPage_ != nullptr) {
    model = &dupPage_->Members();
    grid = dupPage_->MemberGrid;
  } else if (mode == DetailSource::LikeMembers && likePage_ != nullptr) {
    model = &likePage_->Members();
    grid = likePage_->MemberGrid;
  } else if (mode == DetailSource::LikeWord && detail_ != nullptr) {
    model = &detail_->LikeMembers();
    grid = detail_->GridView4;
  }
  if (model == nullptr) return;
  TfrmDupSubClipbord& dialog = CopyDialog();
  dialog.SetSource(mode, model->Rows(), !grid->isColumnHidden(kDetailPathColumn));
  showDialog_(dialog);
}

void AnalysisUi::Jump(int grid, int row) {
  ResultMemberModel* model = grid == 2    ? (dupPage_ ? &dupPage_->Members() : nullptr)
                             : grid == 12 ? (likePage_ ? &likePage_->Members() : nullptr)
                             : grid == 3  ? (detail_ ? &detail_->DupMembers() : nullptr)
                             : grid == 5  ? (detail_ ? &detail_->ContentMembers() : nullptr)
                                          : (detail_ ? &detail_->LikeMembers() : nullptr);
  if (model == nullptr || row < 0 || row >= model->RowCount()) return;
  const DetailRow member = model->Row(row);
  MemberJump jump;
  jump.grid = grid;
  jump.key = member.key;
  jump.name = model->data(model->index(row, 2), Qt::DisplayRole).toString();
  jump.category = text::Cp932ToQString(member.category);
  if (grid == 4) detail_->RememberLikeKey(detail_->CurrentLikeWord());
  int slot = -1;
  int32_t record = 0;
  const bool live =
      SplitResultKey(member.key, slot, record) && slot < kMaxMedia && catalog_.Slot(slot).IsLive();
  if (live && (grid == 2 || grid == 12))
    Page(grid == 2 ? AnalysisMode::Duplicate : AnalysisMode::Similar)->FillPathsOfMedia(slot);
  if (live && catalog_.LoadMedia(slot) && record > 0 && record < catalog_.LoadedCount()) {
    jump.found = SameMember(catalog_, record, member);
    jump.folderPath = ShownFolderPath(catalog_, slot, record);
  }
  Q_EMIT JumpToMember(jump);
  if (detail_ == nullptr) return;
  if (grid == 2) detail_->PageControl3->setCurrentWidget(detail_->TabSheet10);
  if (grid == 12) detail_->PageControl3->setCurrentWidget(detail_->TabSheet11);
  if (grid == 3) SelectGridRow(detail_->GridView3, detail_->DupMembers().RowOfKey(jump.key));
  if (grid == 4) SelectGridRow(detail_->GridView4, detail_->LikeMembers().RowOfKey(jump.key));
  if (grid == 5)
    SelectGridRow(detail_->ContentGridView, detail_->ContentMembers().RowOfKey(jump.key));
}

}  // namespace plomix
