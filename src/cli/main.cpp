// plomix2-cli: the catalogue engine from the command line.

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>
#include <exception>
#include <iostream>

#include "cli/CliCommon.h"

namespace {

using plomix::cli::CommandTable;

CommandTable BuildTable() {
  CommandTable table;
  plomix::cli::RegisterCoreCommands(table);
  plomix::cli::RegisterReadingCommands(table);
  plomix::cli::RegisterAnalysisCommands(table);
  plomix::cli::RegisterSearchCommands(table);
  return table;
}

void PrintUsage(const CommandTable& table, std::ostream& out) {
  out << "usage: plomix2-cli COMMAND [ARGS] [--json]\n\ncommands:\n";
  for (const auto& c : table) out << "  " << c.usage << "\n      " << c.summary << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Type names and other desktop texts in the program's language.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  const CommandTable table = BuildTable();
  // "--json" may also stand before the command.
  int commandIndex = 1;
  while (commandIndex < argc && std::string(argv[commandIndex]) == "--json") ++commandIndex;
  const std::string name = commandIndex < argc ? argv[commandIndex] : "";
  if (name.empty() || name == "--help" || name == "-h" || name == "help") {
    PrintUsage(table, name.empty() ? std::cerr : std::cout);
    return name.empty() ? 2 : 0;
  }
  auto it = std::find_if(table.begin(), table.end(), [&](const auto& c) { return c.name == name; });
  if (it == table.end()) {
    std::cerr << "plomix2-cli: unknown command '" << name << "' (see plomix2-cli --help)\n";
    return 2;
  }
  try {
    plomix::cli::Context context{plomix::cli::ParseArgs(*it, argc, argv, commandIndex + 1),
                                 std::cout, std::cerr};
    context.json = commandIndex > 1 || context.args.Has("--json");
    return it->run(context);
  } catch (const std::exception& e) {
    std::cerr << "plomix2-cli " << name << ": " << e.what() << '\n';
    return 1;
  }
}
