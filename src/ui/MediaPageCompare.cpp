// The media page's comparison: a node against a media or folder the user
// picks, reported in the change-report dialog.
#include <QTreeWidget>

#include "browse/TreeDiff.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "ui/ErrorMessage.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/MediaPage.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/compare/PxChangeReport.h"
#include "ui/compare/PxCompareWith.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

// "Media\A\B" for a folder, the media name for a whole media.
QString NodeText(Catalog& catalog, int slot, int32_t record) {
  const QString media = catalog.ShownQName(slot, 0, catalog.Slot(slot).Name());
  // The page's list keeps the media it shows loaded.
  const int loaded = catalog.LoadedMediaSlot();
  if (record == 0 || !catalog.LoadMedia(slot)) return media;
  const std::string folder = catalog.ShownFolderPath(slot, record);
  const std::string name = catalog.ShownRecordName(record);
  if (loaded >= 0 && loaded != slot) catalog.LoadMedia(loaded);
  return QString::fromStdString(folder.empty() ? name : folder + "\\" + name);
}

}  // namespace

void MediaPage::CompareClick(bool fromList) {
  if (session_.Busy()) return;
  Catalog& catalog = session_.GetCatalog();
  int32_t key = CurrentKey();
  if (fromList) {
    const std::vector<int> rows = pnlListViewClient->SelectedRows();
    if (rows.size() == 1) {
      const TRecord& row = ListModel().Row(rows.front());
      if (IsFolderKind(row.Kind) || KeyIsMedia(row.Key)) key = row.Key;
    }
  }
  if (!IsEntryKey(key)) {
    session_.Ask().Message(QStringLiteral("比較するメディアかフォルダを選んでください。"),
                           PromptIcon::Warning, PromptButtons::Ok);
    return;
  }
  const int slot = SlotOfKey(key);
  const int32_t record = RecordOfKey(key);
  TfrmCompareWith chooser(catalog, NodeText(catalog, slot, record), this);
  if (chooser.exec() != QDialog::Accepted || !chooser.Target()) return;
  const CompareTarget target = *chooser.Target();
  DiffReport report;
  bool ok = false;
  {
    WaitCursor wait;
    report = CompareTrees(catalog, slot, record, target.slot, target.record, &ok);
  }
  if (!ok) {
    session_.Ask().Message(ErrorMessage(catalog.LastFailure()), PromptIcon::Warning,
                           PromptButtons::Ok);
    return;
  }
  const QString caption =
      QStringLiteral("比較結果: %1 → %2")
          .arg(NodeText(catalog, slot, record), NodeText(catalog, target.slot, target.record));
  TfrmChangeReport dialog(std::move(report), session_.Ask(), caption, this);
  dialog.exec();
}

}  // namespace plomix
