#include "cli/CliCommon.h"

#include <QJsonDocument>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <ostream>

#include "browse/TreeDiff.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix::cli {

bool Args::Has(std::string_view option) const {
  return std::find(flags.begin(), flags.end(), option) != flags.end() ||
         values.count(std::string(option)) > 0;
}

std::string Args::Value(std::string_view option, const std::string& fallback) const {
  auto it = values.find(std::string(option));
  return it == values.end() || it->second.empty() ? fallback : it->second.back();
}

const std::string& Args::Positional(std::size_t index, const char* what) const {
  if (index >= positional.size()) throw CliError(std::string("missing ") + what);
  return positional[index];
}

Args ParseArgs(const Command& command, int argc, char** argv, int first) {
  Args args;
  bool optionsEnded = false;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg == "-") {
      args.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string value;
    bool hasInlineValue = false;
    if (auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasInlineValue = true;
    }
    const auto& vo = command.valueOptions;
    const auto& fo = command.flagOptions;
    if (std::find(vo.begin(), vo.end(), arg) != vo.end()) {
      if (!hasInlineValue) {
        if (i + 1 >= argc) throw CliError("option " + arg + " needs a value");
        value = argv[++i];
      }
      args.values[arg].push_back(value);
    } else if (arg == "--json" || (arg == "--no-header" && !command.columns.empty()) ||
               std::find(fo.begin(), fo.end(), arg) != fo.end()) {
      if (hasInlineValue) throw CliError("option " + arg + " takes no value");
      args.flags.push_back(arg);
    } else {
      throw CliError("unknown option " + arg + " for '" + command.name + "'");
    }
  }
  return args;
}

std::string NumberCell(const Context& ctx, double value) {
  if (!ctx.args.Has("--bytes")) return FormatNumber(value);
  return std::to_string(static_cast<int64_t>(value));
}

void OpenCatalogOrThrow(Catalog& catalog, const std::string& given) {
  // "x" names "x.qdb" as it does for create, unless a file "x" itself exists.
  std::error_code ec;
  const std::string withExtension = ApplyCatalogExtension(given);
  const std::string path =
      !std::filesystem::exists(given, ec) && std::filesystem::exists(withExtension, ec)
          ? withExtension
          : given;
  if (!catalog.OpenCatalog(path)) throw CatalogError(catalog.LastFailure());
  catalog.ReadLongNames();
  if (const std::string warning = catalog.TakeSideFileWarning(); !warning.empty())
    std::cerr << "warning: " << warning << '\n';
}

MediaPath ResolveOrThrow(Catalog& catalog, const std::string& utf8Path, PathEnd end) {
  MediaPath path = ResolveShownMediaPath(catalog, utf8Path, end);
  switch (path.error) {
    case MediaPath::Error::None:
      break;
    case MediaPath::Error::NoMedia:
      if (path.firstPart.empty()) throw CliError("missing MEDIA");
      throw CliError("no media named \"" + path.firstPart + "\"");
    case MediaPath::Error::CannotLoad:
      throw CatalogError(catalog.LastFailure());
    case MediaPath::Error::NoEntry:
      if (end == PathEnd::Folder) throw CliError("no folder \"" + path.missing + "\"");
      throw CliError("no entry \"" + utf8Path + "\"");
  }
  return path;
}

int MediaOrThrow(const Catalog& catalog, const std::string& utf8Name) {
  const std::string name = text::Utf8ToCp932(utf8Name);
  const int slot = LiveMediaNamed(catalog, name);
  if (slot < 0) throw CliError("no media named \"" + text::Cp932ToUtf8(name) + "\"");
  return slot;
}

int ParseInt(const std::string& text, const char* what) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size())
    throw CliError(std::string("invalid ") + what + ": " + text);
  return value;
}

void PrintJson(std::ostream& out, const QJsonObject& object) {
  out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

void PrintJson(std::ostream& out, const QJsonArray& array) {
  out << QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
}

std::string Wrap(std::string_view text, std::size_t firstIndent, std::size_t indent,
                 std::size_t width) {
  std::string out(firstIndent, ' ');
  std::size_t column = firstIndent;
  bool lineEmpty = true;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    if (!lineEmpty && column + 1 + word.size() > width) {
      out += '\n';
      out.append(indent, ' ');
      column = indent;
      lineEmpty = true;
    }
    if (!lineEmpty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    lineEmpty = false;
  }
  return out;
}

namespace {

// The placeholder the usage line gives an option's value ("--size MIN:MAX").
std::string ValueName(const std::string& usage, const std::string& option) {
  const std::size_t at = usage.find(option + ' ');
  if (at == std::string::npos) return "VALUE";
  const std::size_t start = at + option.size() + 1;
  const std::size_t end = usage.find_first_of(" ])", start);
  return usage.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

void PrintCommandHelp(const Command& command, std::ostream& out) {
  std::string summary = command.summary;
  if (!summary.empty() && summary[0] >= 'a' && summary[0] <= 'z') summary[0] -= 'a' - 'A';
  out << Wrap("Usage: plomix2-cli " + command.usage, 0, 7) << "\n\n"
      << Wrap(summary + ".", 0, 0) << '\n';
  if (!command.columns.empty()) {
    std::string columns = "Columns:";
    for (const std::string& column : command.columns) columns += ' ' + column;
    out << '\n' << Wrap(columns, 0, 2) << '\n';
  }
  out << "\nOptions:\n";
  std::vector<std::string> options = command.valueOptions;
  options.insert(options.end(), command.flagOptions.begin(), command.flagOptions.end());
  for (const std::string& option : options) {
    std::string name = option;
    const bool valued = std::find(command.valueOptions.begin(), command.valueOptions.end(),
                                  option) != command.valueOptions.end();
    if (valued) name += ' ' + ValueName(command.usage, option);
    const std::string text = OptionHelpText(command.name, option);
    if (name.size() > 12) {
      out << "  " << name << '\n';
      if (!text.empty()) out << Wrap(text, 15, 15) << '\n';
    } else {
      std::string line = Wrap(text, 15, 15);
      line.replace(0, 15, "  " + name + std::string(13 - name.size(), ' '));
      out << line << '\n';
    }
  }
  if (!command.columns.empty()) {
    out << "  --json       one JSON document instead of lines (dates in ISO 8601)\n"
           "  --no-header  leave out the header line\n";
  } else {
    out << "  --json       one JSON document instead of lines\n";
  }
  out << "  --help       show this help\n";
}

QJsonValue IsoDateTime(int32_t packed) {
  DateTimeParts p;
  if (!UnpackDosDateTime(packed, p)) return QJsonValue(QJsonValue::Null);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return QString::fromLatin1(text);
}

std::string EscapeControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    // Bytes below 0x80 are whole characters in UTF-8, never part of another.
    if (byte < 0x20) {
      out += "\xE2\x90";
      out += static_cast<char>(0x80 + byte);
    } else if (byte == 0x7F) {
      out += "\xE2\x90\xA1";
    } else {
      out += c;
    }
  }
  return out;
}

void PrintRows(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) out << (c ? "\t" : "") << EscapeControls(row[c]);
    out << '\n';
  }
}

void PrintTable(const Context& ctx, const std::vector<std::vector<std::string>>& rows) {
  if (ctx.command && !ctx.command->columns.empty() && !ctx.args.Has("--no-header"))
    PrintRows(ctx.out, {ctx.command->columns});
  PrintRows(ctx.out, rows);
}

void ReportUpdate(Context& ctx, const UpdateOutcome& outcome) {
  const std::string who = "plomix2-cli " + ctx.command->name + ": ";
  const std::vector<LostComment>& lost = outcome.lostComments;
  ctx.err << who << DiffSummaryText(outcome.changes) << '\n';
  ctx.err << who << "carried " << outcome.commentsCarried
          << (outcome.commentsCarried == 1 ? " comment and " : " comments and ")
          << outcome.marksCarried << (outcome.marksCarried == 1 ? " mark" : " marks") << "\n";
  if (lost.empty()) return;
  ctx.err << who << lost.size() << (lost.size() == 1 ? " comment was" : " comments were")
          << " lost with " << (lost.size() == 1 ? "its entry" : "their entries") << ":\n";
  for (const LostComment& c : lost) ctx.err << "  " << c.path << ": " << c.comment << '\n';
}

}  // namespace plomix::cli
