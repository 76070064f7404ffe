#include "cli/CliCommon.h"

namespace plomix::cli {

void RegisterSearchCommands(CommandTable&) {}

}  // namespace plomix::cli
