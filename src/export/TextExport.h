#pragma once
// Text exports of the file list and the search result list: bare names, full
// paths, rows of chosen columns, and folder contents or whole media as lists
// or trees. Every line ends with CR LF. A text is built in one of two
// encodings: UTF-8, where every name is its exact name (the clipboard, the
// command line, files the user asks to have in UTF-8), or CP932, where a name
// CP932 cannot hold has '?' for each lost character and is counted.

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/Records.h"
#include "core/Text.h"

namespace plomix {

class Catalog;
class Clipboard;
class Prompter;
class Settings;
class TypeNames;

enum class ExportMode { FileName, FullPath, FolderContents, MediaDump };
enum class HitExportFormat { Name, FullPath, AllItems };

// How exported names are cased.
enum class NameCase { AsIs, Lower, Upper };

// The encoding of an export text.
enum class ExportEncoding { ShiftJis, Utf8 };  // ShiftJis: CP932
// The settings key (outside the numbered table) of the encoding of export
// files, and its values "cp932" and "utf-8".
inline constexpr char kExportEncodingKey[] = "Export/Encoding";
// "utf-8" in any letter case is UTF-8; anything else (missing, unknown) CP932.
ExportEncoding ExportEncodingOf(const QString& stored);
QString ExportEncodingValue(ExportEncoding encoding);
ExportEncoding StoredExportEncoding(const Settings& settings);
// "Shift_JIS" or "UTF-8", as the save dialog names it.
QString ExportEncodingName(ExportEncoding encoding);

// A name as a UTF-8 export writes it: the exact name when there is one (its
// bytes when they are UTF-8, else its shown form with \xHH for the bytes
// that are not), else the CP932 name converted.
std::string ExportNameUtf8(Cp932View cp932, std::string_view exact);

// The columns of an exported row, in their order; the settings switch each
// on or off with one character of REG_ClipBordPutItem.
enum class ExportItem {
  No,
  Name,
  Date,
  Size,
  Allocated,
  Gap,
  Attributes,
  DirFolders,
  DirFiles,
  AllFolders,
  AllFiles,
  Mark,
  Comment,
  Version,
};
inline constexpr int kExportItemCount = static_cast<int>(ExportItem::Version) + 1;
inline constexpr int kMaxTreeLevel = 50;
inline constexpr int kFolderMarkCount = 18;

// The header text of an item-mask position (UTF-8); "" outside 0..13.
const char* ExportItemCaption(int position);
// The folder mark of a setting value 1..18 (UTF-8); "" for any other value.
const char* FolderMarkSymbol(int value);

// The export settings, read afresh for every export.
struct ExportOptions {
  NameCase nameMode = NameCase::AsIs;
  int pathSeparator = 0;  // 0 "\", 1 "/", 2 ",", 3 TAB (others "\")
  bool tree = false;      // folder contents and media dumps as a tree
  int folderMark = 0;     // 1..18 a symbol before folder names in tree lines
  bool offsetNo = false;  // tree lines carry the number within the folder
  bool treeNo = false;    // tree lines carry level numbers instead of glyphs
  bool folderOnly = false;
  bool fileWrite = false;
  std::string putItem = "01000000000000";  // one character per column, "0" off
  int itemSep = 0;                         // 1 TAB, else ","
  std::string dateFormat;                  // CP932; "yyyy/mm/dd(aaa) hh:nn" when read
  int defaultFormat = 0;

  // A stored item text of 13 characters or fewer reads as the default.
  static ExportOptions FromSettings(const Settings& settings);
  std::string PathSeparator() const;
  std::string ItemSeparator() const;
  bool ItemOn(ExportItem item) const;
};

// The file list's rows and which of them are selected, in list order.
struct ExportSelectionInput {
  // True when the browse tree shows the root of all media: the rows are media
  // and `entries` holds media slots. Otherwise `entries` holds record indices
  // of the media in `shownSlot`.
  bool mediaRows = false;
  int shownSlot = -1;
  std::vector<int> entries;
};

// Builds export texts from the catalogue's loaded media. The builder keeps the
// tree-drawing state and the line counter of one export.
class TextExport {
 public:
  TextExport(Catalog& catalog, ExportOptions options,
             ExportEncoding encoding = ExportEncoding::ShiftJis);

  // How many different names of the CP932 texts built so far lost characters
  // (always 0 for UTF-8 texts).
  int LostNames() const { return static_cast<int>(lost_.size()); }

  // The whole text of an export of the selection (empty without entries).
  // Media are loaded as needed; a media that cannot be loaded adds nothing.
  std::string BuildSelectionText(ExportMode mode, bool simple, const ExportSelectionInput& input);

  // The header texts of the columns switched on, separated.
  std::string BuildExportHeader() const;
  // The values of the columns switched on for a record, separated (empty
  // values keep their separators).
  std::string BuildExportRow(const TFileRec& rec, int rowNo, std::string_view nameText,
                             bool simple = false) const;
  // Lines for the sibling run starting at `first` of the loaded media and
  // everything below it; `row` is the running row number. Without `unlimited`
  // nothing more is produced once the export holds as many lines as the
  // media has records.
  void WalkExportTree(bool unlimited, int first, int depth, int& row,
                      std::vector<std::string>& lines, const std::string& namePrefix);
  // The drawing in front of a tree line for record r at `level` (1-based).
  std::string BuildTreePrefix(int r, int level, bool folder, int siblingNo);
  // The folders from below the media root down to record r's container, each
  // followed by the path separator ("" for an entry of the root).
  std::string BuildExportPath(int r);

  // The label of the proposed file name of an export.
  static std::string ExportLabel(ExportMode mode, bool mediaRows);

 private:
  bool LineLimitReached(bool unlimited) const;
  bool InSiblingRun(int r, int parent) const;
  bool HasLaterSibling(int r) const;
  std::string FolderMarkText(bool folder) const;
  std::string ConvertName(std::string text) const;
  // Texts in the export's encoding: a fixed text (UTF-8 in the source), a
  // CP932 text of the catalogue, the name of record r of the loaded media,
  // and the name of media `slot`.
  const std::string& Literal(const char* utf8) const;
  std::string Text(Cp932View cp932) const;
  std::string Name(int r);
  std::string MediaName(int slot);
  void AppendEntry(ExportMode mode, bool simple, const ExportSelectionInput& input, int entry,
                   int& row, std::string& out);
  void AppendMediaDump(int slot, bool fromRoot, int& row, std::string& out);

  Catalog& catalog_;
  ExportOptions options_;
  bool utf8_ = false;
  std::unordered_set<int64_t> lost_;  // slot << 32 | record
  int lineCounter_ = 0;
  std::array<int, kMaxTreeLevel + 1> levelNumbers_{};
  std::array<std::string, kMaxTreeLevel + 1> levelPrefixes_;
};

// "yyyymmddhhnnss_" + label + ".txt" for the given DOS date-time.
std::string ProposeExportFileName(std::string_view labelCp932, int32_t now);
// The chosen name, with ".txt" appended unless it holds ".txt" in any case.
QString ApplyTextExtension(const QString& chosen);
// Writes the bytes to the file, replacing it whole or not at all; throws naming
// the file and the reason.
void SaveExportText(const QString& path, const std::string& text);
// The file-type filter of the save dialog for an export in `encoding`.
QString ExportFileFilter(ExportEncoding encoding);
// The question asked before a CP932 file would lose characters of `names`
// names: Yes writes UTF-8, No writes CP932 with '?', Cancel writes nothing.
QString LostCharactersQuestion(int names);

enum class ExportOutcome { NothingSelected, Copied, Saved, Cancelled, Failed };

// The file list's copy command: warns when nothing is selected, reads the
// options, builds the text and puts it on the clipboard (exact names) or,
// with the write-to-file option, saves it where the user chooses, in the
// encoding stored under kExportEncodingKey. When a CP932 file would lose characters
// of names, the user is told how many and offered UTF-8 instead.
ExportOutcome ExportSelection(Catalog& catalog, const Settings& settings, ExportMode mode,
                              bool simple, const ExportSelectionInput& input, Clipboard& clipboard,
                              Prompter& prompter);

// The search list's copy commands: one line per hit in the given order, the
// name conversion applied; `dateFormatCp932` formats the date field.
// Paths and names are exact in UTF-8.
std::string BuildSearchHitsText(const std::vector<const TRecord*>& hits, HitExportFormat format,
                                NameCase nameMode, Catalog& catalog, TypeNames& typeNames,
                                std::string_view dateFormatCp932,
                                ExportEncoding encoding = ExportEncoding::ShiftJis);
// Reads the options and puts the text, with exact names, on the clipboard
// (empty without hits).
void ExportSearchHits(const std::vector<const TRecord*>& hits, HitExportFormat format,
                      Catalog& catalog, TypeNames& typeNames, const Settings& settings,
                      Clipboard& clipboard);

}  // namespace plomix
