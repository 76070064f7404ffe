// The main window's update command: a media read again into its own slot.

#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "ui/MediaPage.h"
#include "ui/PageSupport.h"
#include "ui/PxMain.h"
#include "ui/Session.h"
#include "ui/compare/PxChangeReport.h"
#include "ui/reading/PxReadProgress.h"

namespace plomix {

bool TfrmMain::CanUpdateMedia() {
  if (session_.Busy()) return false;
  const int32_t key = TabSheet1->CurrentKey();
  if (!IsEntryKey(key)) return false;
  const int slot = SlotOfKey(key);
  return slot >= 0 && slot < kMaxMedia && session_.GetCatalog().Slot(slot).IsLive();
}

void TfrmMain::UpdateMediaClick() {
  if (!session_.CanChangeCatalogue()) return;
  // The selected media may be another one once the catalogue is read again.
  if (ReloadIfChangedOnDisk()) return;
  Catalog& catalog = session_.GetCatalog();
  Prompter& prompter = session_.Ask();
  if (!CanUpdateMedia()) {
    prompter.Message(QStringLiteral("更新するメディアが不明です"), PromptIcon::Warning,
                     PromptButtons::Ok);
    return;
  }
  const int slot = SlotOfKey(TabSheet1->CurrentKey());
  const MediaIdentity shown = catalog.IdentityOf(slot);
  const QString name = text::Cp932ToQString(catalog.Slot(slot).Name());
  ReadWorkflow& reader = session_.Reader();
  const UpdateSource source = reader.PrepareUpdate(slot);
  const QString where = QString::fromStdString(reader.UpdateSourceText());
  switch (source) {
    case UpdateSource::Ready:
      break;
    case UpdateSource::OtherVolume:
      if (prompter.Message(QStringLiteral("読込み元に別のメディアが入っています。更新しますか？"
                                          "\r\n\r\n") +
                               name + QStringLiteral("\r\n読込み元：") + where,
                           PromptIcon::Warning, PromptButtons::OkCancel) != PromptResult::Ok)
        return;
      break;
    case UpdateSource::NoMedia:
    case UpdateSource::NoSource:
      prompter.Message(QStringLiteral("メディアの読込み元が不明です\r\n\r\n") + name,
                       PromptIcon::Error, PromptButtons::Ok);
      return;
    case UpdateSource::OriginMissing:
      prompter.Message(QStringLiteral("読込み元フォルダが見つかりません\r\n\r\n") + where,
                       PromptIcon::Error, PromptButtons::Ok);
      return;
    case UpdateSource::NotReady:
      prompter.Message(
          QString::fromUtf8(ReadWorkflow::NotReadyMessage()) + QStringLiteral("\r\n\r\n") + where,
          PromptIcon::Error, PromptButtons::Ok);
      return;
  }
  session_.GetScanner().SetProgress([this](int64_t stored, const std::string& folder) {
    SetStatus(0, QStringLiteral("メディア情報読込中...") + CountText(stored));
    SetStatus(1, QString::fromStdString(folder));
    Pump();
  });
  reader.SetBeforeStore([this] {
    SetStatus(0, QStringLiteral("メディア情報書込み中..."));
    SetStatus(1, QString());
    Pump();
  });
  reader.SetScanRunner(TfrmReadProgress::Runner(session_.GetScanner(), this));
  bool updated = false;
  {
    const BusyScope busy = session_.MarkBusy();
    Safely(prompter, [&] { updated = reader.UpdateMediaCommand(slot, shown); });
  }
  SetStatus(0, QString());
  SetStatus(1, QString());
  if (!updated) {
    // Another program's change may have been taken in on the way.
    TabSheet1->RebuildTree(TreeRebuild::Full);
    return;
  }
  TabSheet1->RebuildTree(TreeRebuild::Full);
  AfterMediaChange();
  RefreshCompactButton();
  TabSheet1->ResetHistory();
  if (reader.LastUpdate()) ShowUpdateReport(*reader.LastUpdate());
}

void TfrmMain::ShowUpdateReport(const UpdateOutcome& outcome) {
  TfrmChangeReport dialog(outcome.changes, session_.Ask(),
                          QStringLiteral("メディアの更新 - 変更の一覧"), this);
  dialog.setObjectName(QStringLiteral("UpdateReport"));
  dialog.exec();
}

}  // namespace plomix
