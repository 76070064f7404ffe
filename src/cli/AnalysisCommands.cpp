#include "cli/CliCommon.h"

namespace plomix::cli {

void RegisterAnalysisCommands(CommandTable&) {}

}  // namespace plomix::cli
