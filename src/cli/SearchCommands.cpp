// Search and text-export commands: search, export.

#include <unistd.h>

#include <QJsonArray>
#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <ostream>

#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "export/TextExport.h"
#include "search/FileSearch.h"

namespace plomix::cli {

namespace {

std::pair<std::string, std::string> SplitRange(const std::string& text, const char* what) {
  const auto colon = text.find(':');
  if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos)
    throw CliError(std::string("invalid ") + what + " range \"" + text + "\" (expected FROM:TO)");
  return {text.substr(0, colon), text.substr(colon + 1)};
}

double ParseBytes(const std::string& text, const char* what) {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !(value >= 0) || std::isinf(value))
    throw CliError(std::string("invalid ") + what + ": " + text);
  return value;
}

// A byte count the search takes: a whole number below 2^63, read exactly
// (a double would round the largest ones); "1e9" is taken too.
int64_t WholeBytes(const std::string& text, const char* what) {
  int64_t exact = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), exact);
  if (ec == std::errc() && end == text.data() + text.size() && exact >= 0) return exact;
  const double value = ParseBytes(text, what);
  if (value == std::floor(value) && value < 9223372036854775808.0)
    return static_cast<int64_t>(value);
  throw CliError(std::string("the ") + what + " must be a whole number up to " +
                 std::to_string(std::numeric_limits<int64_t>::max()));
}

// YYYY-MM-DD or YYYY-MM-DDThh.mm[.ss] (no colons: they separate the bounds).
// A bare date means its first moment as a lower bound, its last as an upper.
uint32_t ParseDate(const std::string& text, bool upper) {
  DateTimeParts p;
  char tail = 0;
  int fields = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d.%2d.%2d%c", &p.year, &p.month, &p.day,
                           &p.hour, &p.minute, &p.second, &tail);
  if (fields == 3 && upper) {
    p.hour = 23;
    p.minute = 59;
    p.second = 58;
  }
  const int32_t packed = (fields == 3 || fields == 5 || fields == 6) ? PackDosDateTime(p) : 0;
  if (packed == 0)
    throw CliError("invalid date \"" + text +
                   "\" (expected YYYY-MM-DD or YYYY-MM-DDThh.mm.ss, "
                   "1980 to 2107)");
  return static_cast<uint32_t>(packed);
}

// A pattern as typed. A character Shift_JIS lacks can only match the names
// kept exactly (SetNamePatterns); a byte that is not UTF-8 could match no
// name at all (bytes that are no UTF-8 are written \xHH in a pattern, as
// names show them).
std::string PatternArg(const std::string& utf8, const char* what) {
  if (!text::IsValidUtf8(utf8))
    throw CliError(std::string("the ") + what +
                   " has a byte that is not UTF-8 (write such bytes as \\xHH)");
  return utf8;
}

SearchConditions ConditionsFromArgs(const Args& args) {
  SearchConditions c;
  if (args.Has("--name")) {
    c.nameEnabled = true;
    const std::string first = PatternArg(args.Value("--name"), "name pattern");
    const std::string second =
        args.Has("--name2") ? PatternArg(args.Value("--name2"), "second name pattern") : "";
    SetNamePatterns(c, first, second);
    c.namePartial = args.Has("--partial");
    c.nameCaseSensitive = args.Has("--case");
    c.nameCombineAnd = args.Has("--and");
    if (first.empty()) throw CliError("the name pattern is empty");
    if (c.namePartial && first.find_first_of("*?") != std::string::npos)
      throw CliError("wildcards cannot be used with --partial");
    if (args.Has("--name2") && !c.namePartial) throw CliError("--name2 needs --partial");
  } else if (args.Has("--name2") || args.Has("--partial")) {
    throw CliError("--name2 and --partial need --name");
  }
  if (args.Has("--size")) {
    const auto [min, max] = SplitRange(args.Value("--size"), "size");
    c.sizeEnabled = true;
    c.sizeMin = min.empty() ? 0 : WholeBytes(min, "minimum size");
    if (!max.empty()) c.sizeMax = WholeBytes(max, "maximum size");
  }
  if (args.Has("--date")) {
    const auto [from, to] = SplitRange(args.Value("--date"), "date");
    c.dateEnabled = true;
    c.dateFrom = from.empty() ? 0 : ParseDate(from, false);
    c.dateTo = to.empty() ? std::numeric_limits<uint32_t>::max() : ParseDate(to, true);
  }
  if (args.Has("--comment")) {
    c.commentEnabled = true;
    c.commentCombineAnd = !args.Has("--comment-or");
    c.commentCaseSensitive = args.Has("--comment-case");
    if (args.positional.size() > 1) {
      c.commentSubstring = true;
      c.commentPattern = PatternArg(args.positional[1], "comment text");
      if (c.commentPattern.empty()) throw CliError("the comment text is empty");
    }
  } else if (args.Has("--comment-or") || args.Has("--comment-case")) {
    throw CliError("--comment-or and --comment-case need --comment");
  }
  if (args.positional.size() > (c.commentEnabled ? 2u : 1u))
    throw CliError("unexpected argument \"" + args.positional.back() + "\"");
  c.markEnabled = args.Has("--marked");
  c.foldersOnly = args.Has("--folders-only");
  c.includeFolders = args.Has("--folders");
  if (!c.nameEnabled && !c.sizeEnabled && !c.dateEnabled && !c.commentEnabled && !c.markEnabled &&
      !c.foldersOnly && !c.includeFolders)
    throw CliError("no search condition given");
  return c;
}

std::vector<int> MediaFromArgs(const Catalog& catalog, const Args& args) {
  std::vector<int> slots;
  auto it = args.values.find("--media");
  if (it != args.values.end()) {
    for (const std::string& name : it->second) slots.push_back(MediaOrThrow(catalog, name));
  } else {
    for (int s = 0; s < catalog.SlotsUsed(); ++s)
      if (catalog.Slot(s).IsLive()) slots.push_back(s);
  }
  if (slots.empty()) throw CliError("no media to search");
  return slots;
}

int Search(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  FileSearch search(catalog);
  search.SetConditions(ConditionsFromArgs(ctx.args));
  search.SetSearchMediaList(MediaFromArgs(catalog, ctx.args));
  search.SetCountOnly(ctx.args.Has("--count"));  // no hit is shown
  const bool terminal = isatty(STDERR_FILENO) != 0;
  search.RunFileSearch([&](int panel, const QString& text) {
    if (terminal && panel == 1) ctx.err << '\r' << text.toStdString() << "\x1b[K" << std::flush;
  });
  if (terminal) ctx.err << '\n';

  const bool limitReached = search.SearchCount() >= kMaxSearchHits;
  if (ctx.args.Has("--count")) {
    if (ctx.json)
      PrintJson(ctx.out,
                QJsonObject{{"count", search.SearchCount()}, {"limitReached", limitReached}});
    else
      ctx.out << search.SearchCount() << '\n';
    return 0;
  }
  Settings settings;
  const std::string dateFormat = text::QStringToCp932(settings.GetString(REG_FormatUpdateDateTime));
  TypeNames typeNames;
  QJsonArray hits;
  std::vector<std::vector<std::string>> rows;
  for (const TRecord& hit : search.SearchRecs()) {
    const SearchHitFields f = DescribeSearchHit(hit, catalog, typeNames, dateFormat);
    const std::string shownName = text::ShownName(hit.Name, hit.ExactName);
    const std::string shownPath = catalog.ShownFolderPath(SlotOfKey(hit.Key), RecordOfKey(hit.Key));
    if (ctx.json) {
      hits.append(
          QJsonObject{{"key", hit.Key},
                      {"media", text::Cp932ToQString(catalog.Slot(SlotOfKey(hit.Key)).Name())},
                      {"name", QString::fromStdString(shownName)},
                      {"count", f.count},
                      {"path", QString::fromStdString(shownPath)},
                      {"category", text::Cp932ToQString(f.category)},
                      {"location", text::Cp932ToQString(f.location)},
                      {"detail", text::Cp932ToQString(f.locationDetail)},
                      {"size", f.size},
                      {"type", text::Cp932ToQString(f.typeName)},
                      {"date", IsoDateTime(hit.FileDate)},
                      {"dateText", text::Cp932ToQString(f.dateText)},
                      {"allocated", f.allocated},
                      {"gap", f.allocated - f.size},
                      {"version", text::Cp932ToQString(f.version)},
                      {"comment", text::Cp932ToQString(f.comment)},
                      {"marked", hit.Mark == 1}});
    } else {
      std::vector<std::string> row;
      for (const std::string& cell : SearchHitTexts(f)) row.push_back(text::Cp932ToUtf8(cell));
      row[0] = shownName;
      row[2] = shownPath;
      if (ctx.args.Has("--bytes")) {
        row[1] = NumberCell(ctx, f.count);
        row[6] = NumberCell(ctx, f.size);
        row[9] = NumberCell(ctx, f.allocated);
        row[10] = NumberCell(ctx, f.allocated - f.size);
      }
      rows.push_back(std::move(row));
    }
  }
  if (ctx.json)
    PrintJson(ctx.out,
              QJsonObject{
                  {"count", search.SearchCount()}, {"limitReached", limitReached}, {"hits", hits}});
  else
    PrintTable(ctx, rows);
  return 0;
}

// ---------------------------------------------------------------- export

ExportMode ModeFromText(const std::string& mode) {
  if (mode == "name") return ExportMode::FileName;
  if (mode == "fullpath") return ExportMode::FullPath;
  if (mode == "contents") return ExportMode::FolderContents;
  if (mode == "media") return ExportMode::MediaDump;
  throw CliError("--mode must be name, fullpath, contents or media");
}

ExportSelectionInput SelectionFromArgs(Catalog& catalog, const Args& args) {
  ExportSelectionInput input;
  int folder = -2;
  for (std::size_t i = 1; i < args.positional.size(); ++i) {
    const MediaPath path = ResolveOrThrow(catalog, args.positional[i], PathEnd::AnyEntry);
    const int slot = path.slot;
    const int record = path.Record();
    const bool mediaRow = record == 0;
    if (i > 1 && mediaRow != input.mediaRows)
      throw CliError("media and entries inside media cannot be exported together");
    input.mediaRows = mediaRow;
    if (mediaRow) {
      input.entries.push_back(slot);
      continue;
    }
    const int parent = catalog.LoadedRec(record).Parent();
    if (i > 1 && (slot != input.shownSlot || parent != folder))
      throw CliError("the entries to export must lie in one folder");
    input.shownSlot = slot;
    folder = parent;
    input.entries.push_back(record);
  }
  if (input.entries.empty()) throw CliError("missing MEDIA[\\PATH]");
  return input;
}

int Export(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  if (!ctx.args.Has("--mode")) throw CliError("missing --mode");
  const ExportMode mode = ModeFromText(ctx.args.Value("--mode"));
  const bool simple = ctx.args.Has("--simple");
  if (simple && mode != ExportMode::FileName && mode != ExportMode::FullPath)
    throw CliError("--simple applies to --mode name and fullpath only");
  const ExportSelectionInput input = SelectionFromArgs(catalog, ctx.args);

  const std::string file = ctx.args.Value("-o");
  ExportEncoding encoding = ExportEncoding::ShiftJis;
  if (ctx.args.Has("--encoding")) {
    const std::string value = ctx.args.Value("--encoding");
    if (value != "cp932" && value != "utf-8") throw CliError("--encoding must be cp932 or utf-8");
    if (file.empty()) throw CliError("--encoding applies to -o FILE only");
    encoding = ExportEncodingOf(QString::fromStdString(value));
  }

  // The file gets the encoding asked for; standard output and JSON always
  // carry the exact names, in UTF-8.
  const ExportOptions options = ExportOptions::FromSettings(Settings());
  TextExport exporter(catalog, options, file.empty() ? ExportEncoding::Utf8 : encoding);
  std::string text = exporter.BuildSelectionText(mode, simple, input);
  std::size_t written = text.size();
  if (!file.empty()) {
    SaveExportText(QString::fromStdString(file), text);
    if (exporter.LostNames() > 0)
      ctx.err << "warning: " << exporter.LostNames()
              << (exporter.LostNames() == 1 ? " name" : " names")
              << " lost characters that cp932 cannot hold (written as '?'; --encoding utf-8 "
                 "keeps them)\n";
    if (encoding == ExportEncoding::ShiftJis && ctx.json)
      text = TextExport(catalog, options, ExportEncoding::Utf8)
                 .BuildSelectionText(mode, simple, input);
  }

  if (ctx.json) {
    QJsonArray lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.append(QString::fromStdString(text.substr(start, end - start)));
    const std::string label = TextExport::ExportLabel(mode, input.mediaRows);
    PrintJson(ctx.out,
              QJsonObject{{"label", text::Cp932ToQString(label)},
                          {"proposedFileName",
                           text::Cp932ToQString(ProposeExportFileName(label, DosNow()))},
                          {"bytes", static_cast<double>(written)},
                          {"file", file.empty() ? QJsonValue() : QString::fromStdString(file)},
                          {"lines", lines}});
  } else if (file.empty()) {
    // One entry per line: control characters inside a line are escaped; the
    // export's own CR LF line ends stay, and so do tabs when the settings
    // make them separators (a tab inside a name is then left as it is).
    const bool tabsSeparate = options.ItemSeparator() == "\t" || options.PathSeparator() == "\t";
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      std::string line = text.substr(start, end - start);
      std::string escaped;
      std::size_t from = 0;
      for (std::size_t tab; tabsSeparate && (tab = line.find('\t', from)) != std::string::npos;
           from = tab + 1)
        escaped += EscapeControls(std::string_view(line).substr(from, tab - from)) + '\t';
      escaped += EscapeControls(std::string_view(line).substr(from));
      ctx.out << escaped << "\r\n";
    }
    if (start < text.size()) ctx.out << EscapeControls(std::string_view(text).substr(start));
  }
  return 0;
}

}  // namespace

void RegisterSearchCommands(CommandTable& table) {
  table.push_back(
      {"search",
       "search CATALOG [--name PATTERN] [--name2 P] [--and] [--partial] [--case] "
       "[--size MIN:MAX] [--date FROM:TO] [--comment [TEXT]] [--comment-case] [--comment-or] "
       "[--marked] [--folders|--folders-only] [--media NAME]... [--count] [--bytes]",
       "find entries; one line per hit with the search list's columns (dates "
       "YYYY-MM-DD[Thh.mm[.ss]], either bound may be empty)",
       {"--name", "--name2", "--size", "--date", "--media"},
       {"--and", "--partial", "--case", "--comment", "--comment-case", "--comment-or", "--marked",
        "--folders", "--folders-only", "--count", "--bytes"},
       Search,
       {"name", "count", "path", "category", "location", "detail", "size", "type", "date",
        "allocated", "gap", "version", "comment"}});
  table.push_back({"export",
                   "export CATALOG MEDIA[\\PATH]... --mode name|fullpath|contents|media "
                   "[--simple] [-o FILE [--encoding cp932|utf-8]]",
                   "write names, paths, lists or trees as the copy commands do, with the export "
                   "settings (to stdout as UTF-8 with exact names, or to FILE as CP932 or UTF-8; "
                   "a cp932 FILE that loses characters is reported on stderr)",
                   {"--mode", "-o", "--encoding"},
                   {"--simple"},
                   Export});
}

}  // namespace plomix::cli
