// The window's import of ncdu listings.

#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "exchange/ByteInput.h"
#include "exchange/NcduImport.h"
#include "reading/ReadRequest.h"
#include "ui/ErrorMessage.h"
#include "ui/MediaPage.h"
#include "ui/PageSupport.h"
#include "ui/PxMain.h"
#include "ui/Session.h"
#include "ui/reading/PxImport.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

// As the read command: the dialog, the checks, one transaction, then the
// tree and the analyses as after a read.
void TfrmMain::I1Click() {
  if (!session_.CanChangeCatalogue()) return;
  ReloadIfChangedOnDisk();
  Catalog& catalog = session_.GetCatalog();
  Prompter& prompter = session_.Ask();
  if (!catalog.HasFreeSlot()) {
    prompter.Message(QString::fromUtf8(ReadWorkflow::SlotLimitMessage()), PromptIcon::Error,
                     PromptButtons::Ok);
    return;
  }
  ImportForm form;
  if (!TfrmImport::Run(catalog, prompter, this, form)) return;
  const BusyScope busy = session_.MarkBusy();
  exchange::NcduImport import;
  exchange::ImportRequest request{form.name, form.category, form.location, form.locationDetail};
  bool prepared = false;
  {
    WaitCursor wait;
    SetStatus(0, QStringLiteral("インポート中..."));
    Pump();
    try {
      const std::unique_ptr<exchange::ByteInput> input = exchange::ByteInput::Open(form.file);
      import.Read(*input);
      prepared = import.Prepare(request);
    } catch (const exchange::ExchangeError& error) {
      SetStatus(0, QString());
      ShowError(prompter, QStringLiteral("インポートできません\r\n") + ErrorMessage(error));
      return;
    }
  }
  if (!prepared) {
    SetStatus(0, QString());
    prompter.Message(QStringLiteral("インポートするフォルダ・ファイルがありません"),
                     PromptIcon::Warning, PromptButtons::Ok);
    return;
  }
  const std::string name = form.name.empty() ? import.DefaultMediaName() : form.name;
  bool replace = false;
  if (const std::optional<int> same = catalog.FindMediaByName(name)) {
    const std::string question =
        "名前が重複します、上書きしますか\r\n\r\n旧作成日時：" +
        text::Cp932ToUtf8(FormatDateTime(text::Utf8ToCp932("yyyy/mm/dd(aaa) hh:nn:ss"),
                                         catalog.SlotReadDate(*same)));
    if (prompter.Message(text::Utf8ToQString(question), PromptIcon::Warning,
                         PromptButtons::OkCancel) != PromptResult::Ok) {
      SetStatus(0, QString());
      return;
    }
    replace = true;
  }
  SetStatus(0, QStringLiteral("メディア情報書込み中..."));
  Pump();
  bool added = false;
  {
    WaitCursor wait;
    Safely(prompter,
           [&] { added = catalog.StoreMedia(import, import.CurrentMedia(), replace).has_value(); });
  }
  SetStatus(0, QString());
  if (!added) return;
  if (import.UnreadableCount() > 0) {
    std::string report = "除外された・読み込めなかったフォルダ・ファイル：" +
                         FormatNumber(static_cast<double>(import.UnreadableCount())) + " 件\r\n";
    for (const std::string& path : import.UnreadablePaths())
      report += "\r\n" + text::NativeNameToUtf8(path);
    if (import.UnreadableCount() > static_cast<int64_t>(import.UnreadablePaths().size()))
      report += "\r\n...";
    prompter.Message(text::Utf8ToQString(report), PromptIcon::Warning, PromptButtons::Ok);
  }
  TabSheet1->RebuildTree(TreeRebuild::Full);
  AfterMediaChange();
  RefreshCompactButton();
}

}  // namespace plomix
