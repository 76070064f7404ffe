#pragma once
// The command-line tool's shared pieces: its command table, the argument
// parser (options may stand anywhere on the line) and output helpers. Every
// subsystem adds its commands through a Register...Commands function.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <cstdint>
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
struct UpdateOutcome;
}  // namespace plomix

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

struct Command;

struct Context {
  Args args;
  std::ostream& out;
  std::ostream& err;
  bool json = false;
  const Command* command = nullptr;
};

struct Command {
  std::string name;
  std::string usage;                      // "create PATH [--overwrite]"
  std::string summary;                    // one line of help
  std::vector<std::string> valueOptions;  // options that take a value
  std::vector<std::string> flagOptions;   // options without a value ("--json" is always known)
  std::function<int(Context&)> run;
  // The header of a command whose line output is a table (one name per
  // column, as the keys of its JSON output); such a command also knows
  // "--no-header".
  std::vector<std::string> columns = {};
  // The exit status of an error (a command whose status 1 means something
  // else, as diff's "different", reports errors with 2).
  int errorStatus = 1;
};

using CommandTable = std::vector<Command>;

void RegisterCoreCommands(CommandTable& table);
void RegisterReadingCommands(CommandTable& table);
void RegisterAnalysisCommands(CommandTable& table);
void RegisterSearchCommands(CommandTable& table);
void RegisterExchangeCommands(CommandTable& table);
void RegisterDiffCommands(CommandTable& table);
void RegisterAnnotateCommands(CommandTable& table);
void RegisterIndexCommands(CommandTable& table);

// Parses argv[first..] for a command. Throws CliError for unknown options or
// a missing value.
Args ParseArgs(const Command& command, int argc, char** argv, int first);

// `text` broken into lines of at most `width` columns at spaces, every line
// starting with `indent` spaces, the first with `firstIndent`.
std::string Wrap(std::string_view text, std::size_t firstIndent, std::size_t indent,
                 std::size_t width = 79);

// What an option of a command does, for its help; empty when not described.
std::string OptionHelpText(const std::string& command, const std::string& option);

// The help of one command ("plomix2-cli COMMAND --help").
void PrintCommandHelp(const Command& command, std::ostream& out);

// A count or size in a table: "#,##0" as the window shows it, or the plain
// number with --bytes (for scripts that read the table).
std::string NumberCell(const Context& ctx, double value);

// Opens a catalogue for a command, with its long names; throws CliError with a
// one-line reason when it is missing or damaged. A path without ".qdb" is
// taken as create takes it, unless a file of exactly that name exists.
void OpenCatalogOrThrow(Catalog& catalog, const std::string& path);
// Around a command that adds, deletes or moves media: the stored duplicate
// and similar-name results name entries by keys the change may make wrong, so
// they are removed (told on stderr) just before the change is written, as the
// window removes them; a crash in between then never leaves stale results.
// With "--analyse" both analyses run again after the change.
void BeforeMediaChange(Context& ctx, Catalog& catalog);
void AfterMediaChange(Context& ctx, Catalog& catalog);
// Rebuilds the name index after a change of media when the catalogue has one
// (a failure is told on stderr: the search then reads every record).
void RefreshNameIndex(Context& ctx, const Catalog& changed);
// After an update (read --update, import --update): on standard error the
// change counts, what was carried over and each comment that was lost.
void ReportUpdate(Context& ctx, const UpdateOutcome& outcome);

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

// A packed date-time as ISO 8601 local time ("2022-11-29T12:17:00"); JSON
// null for 0 (unknown) or a value that is not a date.
QJsonValue IsoDateTime(int32_t packed);

// Line output keeps one entry per line and one value per column: every
// control character of a value (U+0000-U+001F, U+007F: a line break or tab
// in a file name) is written as its symbol from the Unicode block Control
// Pictures (U+2400-U+241F, U+2421: "␊" for LF, "␉" for TAB). Code page 932
// has none of these symbols, so a catalogue name never holds one itself and
// the mapping can be undone exactly.
std::string EscapeControls(std::string_view utf8);

// Writes rows as tab-separated lines (UTF-8), values escaped.
void PrintRows(std::ostream& out, const std::vector<std::vector<std::string>>& rows);
// A table: the command's header line (unless --no-header), then the rows.
void PrintTable(const Context& ctx, const std::vector<std::vector<std::string>>& rows);

}  // namespace plomix::cli
