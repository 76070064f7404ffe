#include "export/TextExport.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <unordered_map>

#include "browse/FolderChildren.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "export/Clipboard.h"
#include "search/FileSearch.h"

namespace plomix {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kDefaultItems[] = "01000000000000";

// Fixed texts are written here in UTF-8 and exported as CP932.
const std::string& Cp932Literal(const char* utf8) {
  thread_local std::unordered_map<const char*, std::string> cache;
  auto it = cache.find(utf8);
  if (it == cache.end()) it = cache.emplace(utf8, text::Utf8ToCp932(utf8)).first;
  return it->second;
}

constexpr const char* kItemHeaders[kExportItemCount] = {"No",
                                                        "名前",
                                                        "更新日時",
                                                        "ファイルサイズ",
                                                        "クラスタサイズ",
                                                        "クラスタギャップ",
                                                        "属性",
                                                        "直下のフォルダ数",
                                                        "直下のファイル数",
                                                        "配下のフォルダ数",
                                                        "配下のファイル数",
                                                        "マーク",
                                                        "コメント",
                                                        "Version"};

constexpr const char* kFolderMarks[] = {"◇", "◆", "□", "■", "△", "▲",  "▽", "▼", "※",
                                        "☆", "★", "○", "●", "◎", "＞", "≫", "♪", "×"};

constexpr char kGlyphBranch[] = "  ├";
constexpr char kGlyphLast[] = "  └";
constexpr char kGlyphThrough[] = "  │   ";
constexpr char kGlyphBlank[] = "       ";

std::string Quoted(std::string_view value) {
  return CsvQuoted(value);
}

std::string Numbered(const char* format, int value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string Attributes(int16_t attr) {
  std::string letters;
  if (attr & kAttrReadOnly) letters += 'R';
  if (attr & kAttrHidden) letters += 'H';
  if (attr & kAttrSystem) letters += 'S';
  if (attr & kAttrArchive) letters += 'A';
  return letters;
}

bool IsFolderRecord(const TFileRec& rec) {
  return (rec.Attr() & kAttrDirectory) != 0;
}

std::string ConvertCase(NameCase nameMode, std::string text, bool utf8 = false) {
  if (nameMode == NameCase::AsIs) return text;
  if (utf8) {
    const QString unicode = QString::fromStdString(text);
    return (nameMode == NameCase::Lower ? unicode.toLower() : unicode.toUpper()).toStdString();
  }
  return nameMode == NameCase::Lower ? text::AnsiLower(text) : text::AnsiUpper(text);
}

// The key of a name in the count of names that lost characters.
int64_t NameKey(int slot, int32_t record) {
  return (static_cast<int64_t>(slot) << 32) | static_cast<uint32_t>(record);
}

// The stored number of REG_ClipBordNameMode: 1 lower, 2 upper, else as is.
NameCase NameCaseOf(int stored) {
  return stored == 1 ? NameCase::Lower : stored == 2 ? NameCase::Upper : NameCase::AsIs;
}

}  // namespace

ExportEncoding ExportEncodingOf(const QString& stored) {
  return stored.compare(QStringLiteral("utf-8"), Qt::CaseInsensitive) == 0
             ? ExportEncoding::Utf8
             : ExportEncoding::ShiftJis;
}

QString ExportEncodingValue(ExportEncoding encoding) {
  return encoding == ExportEncoding::Utf8 ? QStringLiteral("utf-8") : QStringLiteral("cp932");
}

ExportEncoding StoredExportEncoding(const Settings& settings) {
  return ExportEncodingOf(settings.GetRaw(QString::fromLatin1(kExportEncodingKey)).trimmed());
}

QString ExportEncodingName(ExportEncoding encoding) {
  return encoding == ExportEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift_JIS");
}

std::string ExportNameUtf8(Cp932View cp932, std::string_view exact) {
  if (exact.empty()) return text::Cp932ToUtf8(cp932);
  return text::IsValidUtf8(exact) ? std::string(exact) : text::NativeNameToUtf8(exact);
}

const char* ExportItemCaption(int position) {
  return position >= 0 && position < kExportItemCount ? kItemHeaders[position] : "";
}

const char* FolderMarkSymbol(int value) {
  return value >= 1 && value <= kFolderMarkCount ? kFolderMarks[value - 1] : "";
}

// ------------------------------------------------------------------ options

ExportOptions ExportOptions::FromSettings(const Settings& settings) {
  ExportOptions o;
  o.nameMode = NameCaseOf(settings.GetInt(REG_ClipBordNameMode));
  o.pathSeparator = settings.GetInt(REG_ClipBordFolder);
  o.tree = settings.GetInt(REG_ClipBordTree) != 0;
  o.folderMark = settings.GetInt(REG_ClipBordFolderMark);
  o.offsetNo = settings.GetInt(REG_ClipBordOffsetNo) != 0;
  o.treeNo = settings.GetInt(REG_ClipBordTreeNo) != 0;
  o.folderOnly = settings.GetInt(REG_ClipBordFolderOnly) != 0;
  o.fileWrite = settings.GetInt(REG_ClipBordFileWrite) != 0;
  o.putItem = settings.GetString(REG_ClipBordPutItem).toStdString();
  if (o.putItem.size() <= kExportItemCount - 1) o.putItem = kDefaultItems;
  o.itemSep = settings.GetInt(REG_ClipBordItemSep);
  o.dateFormat = text::QStringToCp932(settings.GetString(REG_FormatUpdateDateTime));
  o.defaultFormat = settings.GetInt(REG_ClipBordDefault);
  return o;
}

std::string ExportOptions::PathSeparator() const {
  switch (pathSeparator) {
    case 1:
      return "/";
    case 2:
      return ",";
    case 3:
      return "\t";
    default:
      return "\\";
  }
}

std::string ExportOptions::ItemSeparator() const {
  return itemSep == 1 ? "\t" : ",";
}

bool ExportOptions::ItemOn(ExportItem item) const {
  const auto position = static_cast<std::size_t>(item);
  return position < putItem.size() && putItem[position] != '0';
}

// ------------------------------------------------------------------ builder

TextExport::TextExport(Catalog& catalog, ExportOptions options, ExportEncoding encoding)
    : catalog_(catalog), options_(std::move(options)), utf8_(encoding == ExportEncoding::Utf8) {
  // The date format is kept in CP932 and formats CP932 texts; a UTF-8 export
  // converts each formatted date (Text).
}

const std::string& TextExport::Literal(const char* utf8) const {
  if (utf8_) {
    thread_local std::unordered_map<const char*, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end()) it = cache.emplace(utf8, utf8).first;
    return it->second;
  }
  return Cp932Literal(utf8);
}

std::string TextExport::Text(Cp932View cp932) const {
  return utf8_ ? text::Cp932ToUtf8(cp932) : std::string(cp932);
}

std::string TextExport::Name(int r) {
  const std::string_view exact = catalog_.ExactName(r);
  if (utf8_) return ExportNameUtf8(catalog_.RecordName(r), exact);
  if (!exact.empty()) lost_.insert(NameKey(catalog_.LoadedMediaSlot(), r));
  return catalog_.RecordName(r);
}

std::string TextExport::MediaName(int slot) {
  const std::string_view exact = catalog_.ExactNameOfRecord(slot, 0);
  if (utf8_) return ExportNameUtf8(catalog_.Slot(slot).Name(), exact);
  if (!exact.empty()) lost_.insert(NameKey(slot, 0));
  return catalog_.Slot(slot).Name();
}

std::string TextExport::BuildExportHeader() const {
  const bool comma = options_.ItemSeparator() == ",";
  std::string out;
  bool first = true;
  for (int i = 0; i < kExportItemCount; ++i) {
    const auto item = static_cast<ExportItem>(i);
    if (!options_.ItemOn(item)) continue;
    if (!first) out += options_.ItemSeparator();
    first = false;
    const std::string& header = Literal(kItemHeaders[i]);
    const bool quoted = item == ExportItem::Name || item == ExportItem::Comment;
    out += comma && quoted ? Quoted(header) : header;
  }
  return out;
}

std::string TextExport::BuildExportRow(const TFileRec& rec, int rowNo, std::string_view nameText,
                                       bool simple) const {
  const bool comma = options_.ItemSeparator() == ",";
  std::string out;
  bool first = true;
  for (int i = 0; i < kExportItemCount; ++i) {
    const auto item = static_cast<ExportItem>(i);
    if (!options_.ItemOn(item)) continue;
    if (!first) out += options_.ItemSeparator();
    first = false;
    switch (item) {
      case ExportItem::No:
        out += std::to_string(rowNo);
        break;
      case ExportItem::Name:
        out += comma && !simple ? Quoted(nameText) : std::string(nameText);
        break;
      case ExportItem::Date:
        out += Text(FormatDateTime(options_.dateFormat, rec.FileDate()));
        break;
      case ExportItem::Size:
        out += FormatPlain(rec.Size());
        break;
      case ExportItem::Allocated:
        out += FormatPlain(rec.Allocated());
        break;
      case ExportItem::Gap:
        out += FormatPlain(rec.Allocated() - rec.Size());
        break;
      case ExportItem::Attributes:
        out += Attributes(rec.Attr());
        break;
      case ExportItem::DirFolders:
        out += std::to_string(rec.DirFolders());
        break;
      case ExportItem::DirFiles:
        out += std::to_string(rec.DirFiles());
        break;
      case ExportItem::AllFolders:
        out += std::to_string(rec.AllFolders());
        break;
      case ExportItem::AllFiles:
        out += std::to_string(rec.AllFiles());
        break;
      case ExportItem::Mark:
        if (rec.Mark() == 1) out += Literal("有");
        break;
      case ExportItem::Comment: {
        const std::string comment = Text(catalog_.CommentText(rec.CommentNo()));
        out += comma ? Quoted(comment) : comment;
        break;
      }
      case ExportItem::Version:
        out += Text(rec.Version());
        break;
    }
  }
  return out;
}

std::string TextExport::BuildExportPath(int r) {
  std::string path;
  for (int p = catalog_.LoadedRec(r).Parent(); p > 0; p = catalog_.LoadedRec(p).Parent())
    path.insert(0, Name(p) + options_.PathSeparator());
  return path;
}

std::string TextExport::FolderMarkText(bool folder) const {
  if (folder && options_.folderMark >= 1 && options_.folderMark <= 18)
    return Literal(kFolderMarks[options_.folderMark - 1]);
  return "  ";
}

bool TextExport::InSiblingRun(int r, int parent) const {
  return InChildRun(catalog_, r, parent);
}

bool TextExport::HasLaterSibling(int r) const {
  const int parent = catalog_.LoadedRec(r).Parent();
  if (!options_.folderOnly) return InSiblingRun(r + 1, parent);
  for (int next = r + 1; InSiblingRun(next, parent); ++next)
    if (IsFolderRecord(catalog_.LoadedRec(next))) return true;
  return false;
}

std::string TextExport::BuildTreePrefix(int r, int level, bool folder, int siblingNo) {
  if (level < 1 || level > kMaxTreeLevel) return {};
  levelNumbers_[level] = siblingNo;
  if (options_.treeNo) {
    std::string prefix;
    for (int i = 1; i <= level; ++i) {
      if (i > 1) prefix += '-';
      prefix += Numbered("[%.4d]", levelNumbers_[i]);
    }
    return prefix + FolderMarkText(folder);
  }
  levelPrefixes_[level] =
      Literal(HasLaterSibling(r) ? kGlyphBranch : kGlyphLast) + FolderMarkText(folder);
  if (level > 1) {
    // The parent's line is drawn; below it only its vertical line (when
    // more siblings follow it) or blank space remains.
    std::string& above = levelPrefixes_[level - 1];
    if (above.starts_with(Literal(kGlyphLast)))
      above = kGlyphBlank;
    else if (above.starts_with(Literal(kGlyphBranch)))
      above = Literal(kGlyphThrough);
  }
  std::string prefix;
  for (int i = 1; i <= level; ++i) prefix += levelPrefixes_[i];
  if (options_.offsetNo) prefix += Numbered("[%.4d] ", siblingNo);
  return prefix;
}

bool TextExport::LineLimitReached(bool unlimited) const {
  return !unlimited && lineCounter_ >= catalog_.LoadedCount();
}

void TextExport::WalkExportTree(bool unlimited, int first, int depth, int& row,
                                std::vector<std::string>& lines, const std::string& namePrefix) {
  if (LineLimitReached(unlimited)) return;
  if (depth == 0 && options_.tree) lines.push_back(namePrefix);
  if (first < 0 || first >= catalog_.LoadedCount()) return;
  const std::string sep = options_.PathSeparator();

  // An explicit stack instead of recursion: folder depth is bounded only by
  // the record count.
  struct Run {
    int next;
    int parent;
    int depth;
    int siblingNo;
    std::string pathPrefix;
  };
  std::vector<Run> runs;
  runs.push_back({first, catalog_.LoadedRec(first).Parent(), depth, 0,
                  namePrefix.empty() ? std::string() : namePrefix + sep});
  while (!runs.empty()) {
    Run& run = runs.back();
    if (LineLimitReached(unlimited) || !InSiblingRun(run.next, run.parent)) {
      runs.pop_back();
      continue;
    }
    const int r = run.next++;
    const TFileRec& rec = catalog_.LoadedRec(r);
    const bool folder = IsFolderRecord(rec);
    if (!options_.folderOnly || folder) ++run.siblingNo;
    const std::string name = Name(r);
    const std::string pathText = run.pathPrefix + name;
    const int level = run.depth + 1;
    if (folder) {
      const bool hasChildren = rec.FirstChild() >= 0;
      if (options_.tree) {
        lines.push_back(BuildTreePrefix(r, level, true, run.siblingNo) + name);
        ++lineCounter_;
      } else if (!hasChildren || options_.folderOnly) {
        lines.push_back(BuildExportRow(rec, row++, pathText + sep));
        ++lineCounter_;
      }
      if (hasChildren) {
        const int child = rec.FirstChild();
        runs.push_back({child, r, level, 0, pathText.empty() ? std::string() : pathText + sep});
      }
    } else if (!options_.folderOnly) {
      if (options_.tree)
        lines.push_back(BuildTreePrefix(r, level, false, run.siblingNo) + name);
      else
        lines.push_back(BuildExportRow(rec, row++, pathText));
      ++lineCounter_;
    }
  }
}

std::string TextExport::ConvertName(std::string text) const {
  return ConvertCase(options_.nameMode, std::move(text), utf8_);
}

void TextExport::AppendMediaDump(int slot, bool fromRoot, int& row, std::string& out) {
  if (slot < 0 || slot >= catalog_.SlotsUsed() || !catalog_.Slot(slot).IsLive()) return;
  if (!catalog_.LoadMedia(slot)) return;
  const std::string name = MediaName(slot);
  std::vector<std::string> lines;
  lines.push_back(fromRoot ? Literal("【メディア名：") + name + Literal("】")
                           : Literal("[メディア名：") + name + Literal("]"));
  const int first = catalog_.LoadedCount() > 1 ? 1 : -1;
  WalkExportTree(fromRoot, first, 0, row, lines, std::string());
  std::string entry;
  for (const std::string& line : lines) entry += line + kCrLf;
  out += ConvertName(std::move(entry)) + kCrLf;
}

void TextExport::AppendEntry(ExportMode mode, bool simple, const ExportSelectionInput& input,
                             int entry, int& row, std::string& out) {
  // A media row stands for its media: its root record, its name and its walk.
  const int slot = input.mediaRows ? entry : input.shownSlot;
  if (input.mediaRows &&
      (slot < 0 || slot >= catalog_.SlotsUsed() || !catalog_.Slot(slot).IsLive()))
    return;
  if (!catalog_.LoadMedia(slot)) return;
  const int r = input.mediaRows ? 0 : entry;
  const TFileRec& rec = catalog_.LoadedRec(r);
  const std::string name = input.mediaRows ? MediaName(slot) : Name(r);
  std::string text;
  switch (mode) {
    case ExportMode::FileName:
      text = BuildExportRow(rec, row++, name, simple) + kCrLf;
      break;
    case ExportMode::FullPath:
      text =
          BuildExportRow(rec, row++, (r > 0 ? BuildExportPath(r) : std::string()) + name, simple) +
          kCrLf;
      break;
    case ExportMode::FolderContents: {
      std::vector<std::string> lines;
      WalkExportTree(false, rec.FirstChild(), 0, row, lines, name);
      for (const std::string& line : lines) text += line + kCrLf;
      break;
    }
    case ExportMode::MediaDump:
      return;
  }
  out += ConvertName(std::move(text));
}

std::string TextExport::BuildSelectionText(ExportMode mode, bool simple,
                                           const ExportSelectionInput& input) {
  lineCounter_ = 0;
  if (input.entries.empty()) return {};
  std::string out;
  if (!options_.tree && !simple) out = BuildExportHeader() + kCrLf;
  int row = 1;
  if (mode == ExportMode::MediaDump && !input.mediaRows) {
    AppendMediaDump(input.shownSlot, false, row, out);
    return out;
  }
  for (int entry : input.entries) {
    if (mode == ExportMode::MediaDump)
      AppendMediaDump(entry, true, row, out);
    else
      AppendEntry(mode, simple, input, entry, row, out);
  }
  return out;
}

std::string TextExport::ExportLabel(ExportMode mode, bool mediaRows) {
  switch (mode) {
    case ExportMode::FileName:
      return Cp932Literal("ファイル名");
    case ExportMode::FullPath:
      return Cp932Literal("フルパス名");
    case ExportMode::FolderContents:
      return Cp932Literal("フォルダ配下すべて");
    case ExportMode::MediaDump:
      break;
  }
  return mediaRows ? Cp932Literal("メディア情報すべて")
                   : Cp932Literal("カレントのメディア情報すべて");
}

// ------------------------------------------------------------------ delivery

std::string ProposeExportFileName(std::string_view labelCp932, int32_t now) {
  return FormatDateTime("yyyymmddhhnnss", now) + "_" + std::string(labelCp932) + ".txt";
}

QString ApplyTextExtension(const QString& chosen) {
  return chosen.contains(QStringLiteral(".txt"), Qt::CaseInsensitive) ? chosen : chosen + ".txt";
}

void SaveExportText(const QString& path, const std::string& text) {
  // Written beside the target and renamed over it: a write that fails half-way
  // leaves neither a cut export nor a damaged earlier file behind.
  const std::string target = path.toStdString();
  const std::string part = target + ".part";
  try {
    BinaryFile file(part, BinaryFile::Mode::Create, target);
    if (!text.empty()) file.WriteAt(0, text.data(), text.size());
    file.Close();
  } catch (...) {
    std::remove(part.c_str());
    throw;
  }
  if (std::rename(part.c_str(), target.c_str()) != 0) {
    const int err = errno;
    std::remove(part.c_str());
    throw CatalogError(ErrorCode::FileWrite, target, err);
  }
}

QString ExportFileFilter(ExportEncoding encoding) {
  return QStringLiteral("テキスト (%1) (*.txt)|*.txt|すべてのファイル(*.*)|*.*")
      .arg(ExportEncodingName(encoding));
}

QString LostCharactersQuestion(int names) {
  return QStringLiteral(
             "Shift_JIS で表せない文字を含む名前が %1 件あります。\n"
             "Shift_JIS のまま出力すると、それらの文字は「?」になります。\n\n"
             "UTF-8 で出力しますか？\n"
             "（はい：UTF-8 で出力　いいえ：Shift_JIS で出力　キャンセル：出力しない）")
      .arg(names);
}

ExportOutcome ExportSelection(Catalog& catalog, const Settings& settings, ExportMode mode,
                              bool simple, const ExportSelectionInput& input, Clipboard& clipboard,
                              Prompter& prompter) {
  if (input.entries.empty()) {
    prompter.Message(
        QString::fromUtf8("クリップボードにコピーするファイル名、またはフォルダ名が不明です"),
        PromptIcon::Warning, PromptButtons::Ok);
    return ExportOutcome::NothingSelected;
  }
  const ExportOptions options = ExportOptions::FromSettings(settings);
  if (!options.fileWrite) {
    TextExport exporter(catalog, options, ExportEncoding::Utf8);
    clipboard.SetText(QString::fromStdString(exporter.BuildSelectionText(mode, simple, input)));
    return ExportOutcome::Copied;
  }
  const ExportEncoding stored = StoredExportEncoding(settings);
  ExportEncoding encoding = stored;
  TextExport exporter(catalog, options, stored);
  std::string text = exporter.BuildSelectionText(mode, simple, input);
  if (exporter.LostNames() > 0) {
    const PromptResult answer = prompter.Message(LostCharactersQuestion(exporter.LostNames()),
                                                 PromptIcon::Question, PromptButtons::YesNoCancel);
    if (answer != PromptResult::Yes && answer != PromptResult::No) return ExportOutcome::Cancelled;
    // Only a CP932 text that would lose characters is built a second time.
    if (answer == PromptResult::Yes) {
      encoding = ExportEncoding::Utf8;
      text = TextExport(catalog, options, encoding).BuildSelectionText(mode, simple, input);
    }
  }
  const std::string proposal =
      ProposeExportFileName(TextExport::ExportLabel(mode, input.mediaRows), DosNow());
  const QString chosen = prompter.SaveFile(QString(), text::Cp932ToQString(proposal),
                                           ExportFileFilter(encoding), QString());
  if (chosen.isEmpty()) return ExportOutcome::Cancelled;
  SaveExportText(ApplyTextExtension(chosen), text);
  return ExportOutcome::Saved;
}

// ------------------------------------------------------------------ search hits

namespace {

// The folder path of a hit ("Media\A\B") with every folder's exact name, in
// UTF-8. A media without exact names keeps the hit's path, converted.
std::string HitFolderUtf8(const TRecord& hit, Catalog& catalog) {
  const int slot = SlotOfKey(hit.Key);
  const int32_t record = RecordOfKey(hit.Key);
  if (hit.Key < 0 || slot >= catalog.SlotsUsed() || !catalog.Slot(slot).IsLive() ||
      !catalog.ExactNamesOf(slot) || !catalog.LoadMedia(slot) || record <= 0 ||
      record >= catalog.LoadedCount())
    return text::Cp932ToUtf8(hit.Path);
  std::string path;
  for (int32_t x = catalog.LoadedRec(record).Parent(); x > 0; x = catalog.LoadedRec(x).Parent())
    path.insert(0, "\\" + ExportNameUtf8(catalog.RecordName(x), catalog.ExactName(x)));
  return ExportNameUtf8(catalog.Slot(slot).Name(), catalog.ExactNameOfRecord(slot, 0)) + path;
}

}  // namespace

std::string BuildSearchHitsText(const std::vector<const TRecord*>& hits, HitExportFormat format,
                                NameCase nameMode, Catalog& catalog, TypeNames& typeNames,
                                std::string_view dateFormatCp932, ExportEncoding encoding) {
  const bool utf8 = encoding == ExportEncoding::Utf8;
  const auto convert = [utf8](Cp932View cp932) {
    return utf8 ? text::Cp932ToUtf8(cp932) : std::string(cp932);
  };
  std::string out;
  for (const TRecord* hit : hits) {
    const std::string name = utf8 ? ExportNameUtf8(hit->Name, hit->ExactName) : hit->Name;
    std::string line;
    switch (format) {
      case HitExportFormat::Name:
        line = name;
        break;
      case HitExportFormat::FullPath:
        line = (utf8 ? HitFolderUtf8(*hit, catalog) : hit->Path) + "\\" + name;
        break;
      case HitExportFormat::AllItems: {
        const SearchHitFields f = DescribeSearchHit(*hit, catalog, typeNames, dateFormatCp932);
        const std::string parts[] = {Quoted(name),
                                     FormatPlain(f.count),
                                     Quoted(utf8 ? HitFolderUtf8(*hit, catalog) : f.path),
                                     Quoted(convert(f.category)),
                                     Quoted(convert(f.location)),
                                     Quoted(convert(f.locationDetail)),
                                     FormatPlain(f.size),
                                     Quoted(convert(f.typeName)),
                                     Quoted(convert(f.dateText)),
                                     FormatPlain(f.allocated),
                                     FormatPlain(f.allocated - f.size),
                                     Quoted(convert(f.version)),
                                     Quoted(convert(f.comment))};
        for (std::size_t i = 0; i < std::size(parts); ++i) line += (i ? "," : "") + parts[i];
        break;
      }
    }
    out += ConvertCase(nameMode, std::move(line), utf8) + kCrLf;
  }
  return out;
}

void ExportSearchHits(const std::vector<const TRecord*>& hits, HitExportFormat format,
                      Catalog& catalog, TypeNames& typeNames, const Settings& settings,
                      Clipboard& clipboard) {
  const std::string dateFormat = text::QStringToCp932(settings.GetString(REG_FormatUpdateDateTime));
  clipboard.SetText(QString::fromStdString(
      BuildSearchHitsText(hits, format, NameCaseOf(settings.GetInt(REG_ClipBordNameMode)), catalog,
                          typeNames, dateFormat, ExportEncoding::Utf8)));
}

}  // namespace plomix
