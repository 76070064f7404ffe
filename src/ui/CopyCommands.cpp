#include "ui/CopyCommands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <exception>

#include "browse/EntryRows.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "ui/ErrorMessage.h"

namespace plomix {

void QtClipboard::SetText(const QString& text) {
  QGuiApplication::clipboard()->setText(text);
}

CopyForm DefaultCopyForm(int stored) {
  switch (stored) {
    case 1:
      return {ExportMode::FullPath, false};
    case 2:
      return {ExportMode::FolderContents, false};
    case 3:
      return {ExportMode::MediaDump, false};
    case 5:
      return {ExportMode::FileName, true};
    case 6:
      return {ExportMode::FullPath, true};
    default:
      return {ExportMode::FileName, false};
  }
}

QString CopyButtonHint(int stored) {
  QString form;
  switch (stored) {
    case 1:
      form = QStringLiteral("(フルパス名)");
      break;
    case 2:
      form = QStringLiteral("(フォルダ配下すべて)");
      break;
    case 3:
      form = QStringLiteral("(カレントのメディア情報すべて)");
      break;
    case 5:
      form = QStringLiteral("(ファイル名（シンプル）)");
      break;
    case 6:
      form = QStringLiteral("(フルパス名（シンプル）)");
      break;
    default:
      form = QStringLiteral("(ファイル名)");
  }
  return QStringLiteral("クリップボードへコピー") + form;
}

ExportSelectionInput FileListSelection(const ShownEntry& shown,
                                       const std::vector<const TRecord*>& selected) {
  ExportSelectionInput input;
  input.mediaRows = shown.kind == ShownKind::Catalogue;
  input.shownSlot = shown.kind == ShownKind::Catalogue ? -1 : SlotOfKey(shown.key);
  for (const TRecord* row : selected) {
    if (!IsEntryKey(row->Key)) continue;
    input.entries.push_back(input.mediaRows ? SlotOfKey(row->Key) : RecordOfKey(row->Key));
  }
  return input;
}

ExportOutcome CopyFileListEntries(Catalog& catalog, const Settings& settings, Prompter& prompter,
                                  Clipboard& clipboard, CopyForm form,
                                  const ExportSelectionInput& input) {
  try {
    return ExportSelection(catalog, settings, form.mode, form.simple, input, clipboard, prompter);
  } catch (const std::exception& e) {
    prompter.Message(ErrorMessage(e), PromptIcon::Error, PromptButtons::Ok);
    return ExportOutcome::Failed;
  }
}

void CopySearchHits(const std::vector<const TRecord*>& hits, HitExportFormat format,
                    Catalog& catalog, TypeNames& typeNames, const Settings& settings,
                    Clipboard& clipboard) {
  ExportSearchHits(hits, format, catalog, typeNames, settings, clipboard);
}

}  // namespace plomix
