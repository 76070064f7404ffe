// plomix2-cli: the catalogue engine from the command line.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>
#include <exception>
#include <iostream>

#include "cli/CliCommon.h"
#include "core/Error.h"
#include "plomix/Version.h"

namespace {

using plomix::cli::CommandTable;

CommandTable BuildTable() {
  CommandTable table;
  plomix::cli::RegisterCoreCommands(table);
  plomix::cli::RegisterReadingCommands(table);
  plomix::cli::RegisterAnalysisCommands(table);
  plomix::cli::RegisterSearchCommands(table);
  plomix::cli::RegisterExchangeCommands(table);
  plomix::cli::RegisterDiffCommands(table);
  plomix::cli::RegisterAnnotateCommands(table);
  plomix::cli::RegisterIndexCommands(table);
  return table;
}

// The whole help; its layout is what help2man turns into the manual page.
void PrintUsage(const CommandTable& table, std::ostream& out) {
  out << "Usage: plomix2-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
         "  or:  plomix2-cli COMMAND --help\n"
         "  or:  plomix2-cli --version\n"
         "Work with Plomix2 catalogues (.qdb files) from the command line: read media,\n"
         "list, search, find duplicates and export, with the same engine as the Plomix2\n"
         "window.\n"
         "\nCommands:\n";
  for (const auto& c : table)
    out << plomix::cli::Wrap(c.usage, 2, 4) << '\n' << plomix::cli::Wrap(c.summary, 6, 6) << '\n';
  out << "\nOptions:\n"
         "  --json       print one JSON document instead of lines; may also stand before\n"
         "               the command\n"
         "  --no-header  leave out the header line of a table (drives, media, ls, search)\n"
         "  --help       show the help of the tool, or of the command it follows\n"
         "  --version    show the version\n"
         "Options may stand anywhere after the command; \"--\" ends them.\n"
         "\nOutput:\n"
         "  Lines are UTF-8. A table starts with a header line naming its columns (the\n"
         "  keys of the JSON output) and has one tab-separated line per entry. Control\n"
         "  characters inside a value (a line break or a tab in a file name) are printed\n"
         "  as their Unicode Control Pictures symbols: U+0000-U+001F as U+2400-U+241F\n"
         "  (LF as U+240A, TAB as U+2409) and DEL as U+2421. Code page 932, in which the\n"
         "  catalogue stores names, has none of these symbols, so the mapping is exact.\n"
         "  JSON output keeps values as they are; its date-times are ISO 8601 local\n"
         "  times (\"2022-11-29T12:17:00\"), null for an unknown date, with the display\n"
         "  text beside them (\"dateText\").\n"
         "\nDrives:\n"
         "  A drive is a letter bound to a folder: C is /, and every mounted volume gets\n"
         "  the lowest free letter from D the first time it is seen and keeps it (see\n"
         "  'drives'; 'bind' binds a folder of your choice).\n"
         "\nExit status:\n"
         "  0 success; 1 an error, reported in one line on standard error; 2 an unknown\n"
         "  command or none. diff: 0 equal, 1 different, 2 an error.\n"
         "\nEnvironment:\n"
         "  PLOMIX2_CONFIG_DIR  the folder of the settings file (by default\n"
         "                      ~/.config/Quernfield)\n";
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // A read keeps thousands of folders open for their subfolders where the
  // system allows (the command never waits with select, which such handles
  // would break): the usual soft limit of 1024 goes up towards the hard one.
  if (struct rlimit files{}; ::getrlimit(RLIMIT_NOFILE, &files) == 0) {
    const rlim_t wanted = std::min<rlim_t>(files.rlim_max, rlim_t{1} << 16);
    if (files.rlim_cur < wanted) {
      files.rlim_cur = wanted;
      ::setrlimit(RLIMIT_NOFILE, &files);
    }
  }
  // Type names and other desktop texts in the program's language.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  const CommandTable table = BuildTable();
  // "--json" may also stand before the command.
  int commandIndex = 1;
  while (commandIndex < argc && std::string(argv[commandIndex]) == "--json") ++commandIndex;
  const std::string name = commandIndex < argc ? argv[commandIndex] : "";
  if (name == "--version" || name == "-V") {
    std::cout << "plomix2-cli (Plomix2) " << PLOMIX_VERSION_TEXT << '\n';
    return 0;
  }
  const auto find = [&](const std::string& wanted) {
    return std::find_if(table.begin(), table.end(),
                        [&](const auto& c) { return c.name == wanted; });
  };
  if (name.empty() || name == "--help" || name == "-h" || name == "help") {
    // "help COMMAND" is the command's own help.
    if (name == "help" && commandIndex + 1 < argc) {
      auto it = find(argv[commandIndex + 1]);
      if (it == table.end()) {
        std::cerr << "plomix2-cli: unknown command '" << argv[commandIndex + 1]
                  << "' (see plomix2-cli --help)\n";
        return 2;
      }
      plomix::cli::PrintCommandHelp(*it, std::cout);
      return 0;
    }
    PrintUsage(table, name.empty() ? std::cerr : std::cout);
    return name.empty() ? 2 : 0;
  }
  auto it = find(name);
  if (it == table.end()) {
    std::cerr << "plomix2-cli: unknown command '" << name << "' (see plomix2-cli --help)\n";
    return 2;
  }
  // "--help" anywhere before "--" asks for the command's help, whatever else
  // the line holds.
  for (int i = commandIndex + 1; i < argc && std::string(argv[i]) != "--"; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      plomix::cli::PrintCommandHelp(*it, std::cout);
      return 0;
    }
  }
  try {
    plomix::cli::Context context{plomix::cli::ParseArgs(*it, argc, argv, commandIndex + 1),
                                 std::cout, std::cerr};
    context.command = &*it;
    context.json = commandIndex > 1 || context.args.Has("--json");
    return it->run(context);
  } catch (const std::exception& e) {
    // Coded failures in the locale's language, Japanese under a "ja" locale.
    std::cerr << "plomix2-cli " << name << ": "
              << plomix::text::ErrorText(e, plomix::text::LocaleLanguage()) << '\n';
    return it->errorStatus;
  }
}
