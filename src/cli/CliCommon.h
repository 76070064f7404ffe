#pragma once
// The command-line tool's shared pieces: its command table, the argument
// parser (options may stand anywhere on the line) and output helpers. Every
// subsystem adds its commands through a Register...Commands function.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <iosfwd>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "browse/MediaPath.h"

namespace plomix {
class Catalog;
}

namespace plomix::cli {

// A usage or input error: printed as one line on stderr, exit status 1.
class CliError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> values;  // "--name" -> values given
  std::vector<std::string> flags;                          // "--json", ...

  bool Has(std::string_view option) const;
  // The last value of a valued option, or `fallback`.
  std::string Value(std::string_view option, const std::string& fallback = {}) const;
  // The positional argument at index, or a CliError naming `what`.
  const std::string& Positional(std::size_t index, const char* what) const;
};

struct Context {
  Args args;
  std::ostream& out;
  std::ostream& err;
  bool json = false;
};

struct Command {
  std::string name;
  std::string usage;                      // "create PATH [--overwrite]"
  std::string summary;                    // one line of help
  std::vector<std::string> valueOptions;  // options that take a value
  std::vector<std::string> flagOptions;   // options without a value ("--json" is always known)
  std::function<int(Context&)> run;
};

using CommandTable = std::vector<Command>;

void RegisterCoreCommands(CommandTable& table);
void RegisterReadingCommands(CommandTable& table);
void RegisterAnalysisCommands(CommandTable& table);
void RegisterSearchCommands(CommandTable& table);

// Parses argv[first..] for a command. Throws CliError for unknown options or
// a missing value.
Args ParseArgs(const Command& command, int argc, char** argv, int first);

// Opens a catalogue for a command, with its long names; throws CliError with a
// one-line reason when it is missing or damaged.
void OpenCatalogOrThrow(Catalog& catalog, const std::string& path);

// The media (and folder or entry) named by the argument "MEDIA\A\B" (UTF-8),
// with the media loaded; a CliError when any part names nothing.
MediaPath ResolveOrThrow(Catalog& catalog, const std::string& utf8Path, PathEnd end);
// The live media named `utf8Name`, or a CliError.
int MediaOrThrow(const Catalog& catalog, const std::string& utf8Name);

// Integer argument, or a CliError naming `what`.
int ParseInt(const std::string& text, const char* what);

// Writes a JSON value followed by a newline.
void PrintJson(std::ostream& out, const QJsonObject& object);
void PrintJson(std::ostream& out, const QJsonArray& array);

// Writes rows as tab-separated lines (UTF-8).
void PrintRows(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

}  // namespace plomix::cli
