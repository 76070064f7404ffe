#include "cli/CliCommon.h"

#include <QJsonDocument>
#include <algorithm>
#include <charconv>
#include <ostream>

#include "core/Catalog.h"
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
    } else if (arg == "--json" || std::find(fo.begin(), fo.end(), arg) != fo.end()) {
      if (hasInlineValue) throw CliError("option " + arg + " takes no value");
      args.flags.push_back(arg);
    } else {
      throw CliError("unknown option " + arg + " for '" + command.name + "'");
    }
  }
  return args;
}

void OpenCatalogOrThrow(Catalog& catalog, const std::string& path) {
  if (!catalog.OpenCatalog(path)) throw CliError(catalog.LastError());
  catalog.ReadLongNames();
}

MediaPath ResolveOrThrow(Catalog& catalog, const std::string& utf8Path, PathEnd end) {
  MediaPath path = ResolveMediaPath(catalog, text::Utf8ToCp932(utf8Path), end);
  switch (path.error) {
    case MediaPath::Error::None:
      break;
    case MediaPath::Error::NoMedia:
      if (path.firstPart.empty()) throw CliError("missing MEDIA");
      throw CliError("no media named \"" + text::Cp932ToUtf8(path.firstPart) + "\"");
    case MediaPath::Error::CannotLoad:
      throw CliError(catalog.LastError());
    case MediaPath::Error::NoEntry:
      if (end == PathEnd::Folder)
        throw CliError("no folder \"" + text::Cp932ToUtf8(path.missing) + "\"");
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

void PrintRows(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) out << (c ? "\t" : "") << row[c];
    out << '\n';
  }
}

}  // namespace plomix::cli
