#include "cli/CliCommon.h"

namespace plomix::cli {

void RegisterReadingCommands(CommandTable&) {}

}  // namespace plomix::cli
