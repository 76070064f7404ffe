// The media tree's export of a media or folder as an ncdu listing.

#include <QFileInfo>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Records.h"
#include "core/Text.h"
#include "exchange/NcduExport.h"
#include "ui/ErrorMessage.h"
#include "ui/MediaPage.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

void MediaPage::PopItemExportNcduClick() {
  Catalog& catalog = session_.GetCatalog();
  Prompter& prompter = session_.Ask();
  const int32_t key = CurrentKey();
  if (!IsEntryKey(key)) {
    prompter.Message(QStringLiteral("エクスポートするメディアを選んでください"),
                     PromptIcon::Warning, PromptButtons::Ok);
    return;
  }
  const int slot = SlotOfKey(key);
  const int record = RecordOfKey(key);
  const QString suggested =
      text::NativeNameToQString(catalog.ShownName(slot, 0, catalog.Slot(slot).Name())) +
      QStringLiteral(".json");
  const QString path = prompter.SaveFile(
      QStringLiteral("ncdu 形式でエクスポート"), suggested,
      QStringLiteral("ncdu の出力 (*.json)|*.json|すべてのファイル|*"), QStringLiteral("json"));
  if (path.isEmpty()) return;
  WaitCursor wait;
  try {
    exchange::ExportNcduToFile(catalog, slot, record, text::NativePath(path));
  } catch (const exchange::ExchangeError& error) {
    ShowError(prompter, QStringLiteral("エクスポートできません\r\n") + ErrorMessage(error));
  }
}

}  // namespace plomix
