#pragma once
// The window's copy commands: the file list's exports (names, full paths,
// folder contents, media dumps) and the search list's hit copies, on the
// system clipboard or, with the write-to-file setting, in a file the user
// chooses. The text itself is the export engine's; this layer turns list
// selections into its input and its failures into messages.

#include <QString>
#include <vector>

#include "core/Records.h"
#include "export/Clipboard.h"
#include "export/TextExport.h"

namespace plomix {

class Catalog;
class Prompter;
class Settings;
struct ShownEntry;
class TypeNames;

// The desktop's clipboard, as text.
class QtClipboard : public Clipboard {
 public:
  void SetText(const QString& text) override;
};

// An export form of the file list.
struct CopyForm {
  ExportMode mode = ExportMode::FileName;
  bool simple = false;
};

// The form of the copy button (and of "ファイル名(&N)") for a stored
// REG_ClipBordDefault: 1 full path, 2 folder contents, 3 media dump, 5 file
// name simple, 6 full path simple, anything else file name.
CopyForm DefaultCopyForm(int stored);
// "クリップボードへコピー" and the name of that form in brackets.
QString CopyButtonHint(int stored);

// The engine's input for the selected rows of the file list (in list order)
// under the shown node: media slots when the node is the catalogue, else
// record indices of the node's media.
ExportSelectionInput FileListSelection(const ShownEntry& shown,
                                       const std::vector<const TRecord*>& selected);

// The file list's copy command in a form. A file that cannot be written is
// reported as an error message and nothing is presented as saved.
ExportOutcome CopyFileListEntries(Catalog& catalog, const Settings& settings, Prompter& prompter,
                                  Clipboard& clipboard, CopyForm form,
                                  const ExportSelectionInput& input);

// The search list's copy commands: the selected hits in list order, always to
// the clipboard (empty text without hits).
void CopySearchHits(const std::vector<const TRecord*>& hits, HitExportFormat format,
                    Catalog& catalog, TypeNames& typeNames, const Settings& settings,
                    Clipboard& clipboard);

}  // namespace plomix
