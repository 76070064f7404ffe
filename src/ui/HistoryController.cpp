#include "ui/HistoryController.h"

#include <QToolButton>
#include <QTreeWidget>

#include "browse/BrowseHistory.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "ui/FileListPanel.h"
#include "ui/MediaPage.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"

namespace plomix {

HistoryController::HistoryController(MediaPage& page, Session& session)
    : QObject(&page), page_(page), session_(session) {}

void HistoryController::Reset() {
  session_.History().Reset();
  UpdateHints();
}

void HistoryController::Record(int64_t number, const Cp932& name) {
  session_.History().Record(number, name);
  UpdateHints();
}

void HistoryController::Load() {
  Settings& settings = session_.GetSettings();
  if (settings.GetInt(REG_RefHistSave) == 1) {
    // The magnitude is restored even when the file is gone: it still keeps
    // the first record of this run from repeating the last one of the run before.
    // The setting holds the magnitude (below 2^32) as its 32-bit pattern.
    const int last = settings.GetInt(REG_HistListBefor);
    if (last != 0) session_.History().Load(HistoryFilePath(), static_cast<uint32_t>(last));
  }
  UpdateHints();
}

void HistoryController::Save() {
  Settings& settings = session_.GetSettings();
  if (settings.GetInt(REG_RefHistSave) != 1) {
    settings.SetInt(REG_HistListBefor, 0);
    return;
  }
  // A history that cannot be written costs only the next start's position.
  session_.History().Save(HistoryFilePath(), settings.GetInt(REG_RefHistSaveCount));
  settings.SetInt(REG_HistListBefor,
                  static_cast<int>(static_cast<uint32_t>(session_.History().LastMagnitude())));
}

void HistoryController::UpdateHints() {
  page_.pnlListViewClient->ToolButton61->setToolTip(session_.History().BackHint());
  page_.pnlListViewClient->ToolButton62->setToolTip(session_.History().ForwardHint());
}

void HistoryController::Back() {
  MoveGuarded(-1);
}

void HistoryController::Forward() {
  MoveGuarded(+1);
}

void HistoryController::ShowPosition() {
  MoveGuarded(0);
}

void HistoryController::MoveGuarded(int delta) {
  if (moving_) return;
  const BusyScope moving(moving_);
  // A move shows an entry that is in the history already: nothing it
  // selects on the way is recorded.
  session_.History().SetSuppressed(true);
  Move(delta);
  session_.History().SetSuppressed(false);
}

void HistoryController::Move(int delta) {
  Catalog& catalog = session_.GetCatalog();
  const HistoryMove move = session_.History().Move(delta);
  UpdateHints();
  // Keys 0 (the media of slot 0) and 1 (its first entry) share their numbers
  // with "nothing" and the top node; the entry's name tells them apart.
  bool treeEntry = move.number < 0;
  switch (move.kind) {
    case HistoryMove::Kind::Outside:
      return;
    case HistoryMove::Kind::Nothing:
      if (!catalog.Slot(0).IsLive() || catalog.Slot(0).Name() != move.name) return;
      treeEntry = true;
      break;
    case HistoryMove::Kind::NotInteger:
      ShowError(session_.Ask(), QStringLiteral("'%1' は整数ではありません").arg(move.badText));
      return;
    case HistoryMove::Kind::Top:
      if (move.name == "Plomix2" || !catalog.Slot(0).IsLive() ||
          catalog.RecordPath(1).name != move.name) {
        if (page_.TopNode() != nullptr) page_.TreeView1->setCurrentItem(page_.TopNode());
        page_.TreeView1->setFocus();
        return;
      }
      break;
    case HistoryMove::Kind::Entry:
      break;
  }
  page_.ShowEntry(KeyOfHistoryNumber(move.number));
  if (treeEntry) {
    page_.ListView1DblClick();
    page_.TreeView1->setFocus();
  }
}

}  // namespace plomix
