// Builds without Qt (the Windows build) have no GUI mode.
#include "host/app/cli_commands.h"

#include <stdexcept>

namespace talvora::app {

int runGui(const CliOptions&, int, char**) {
    throw std::runtime_error("gui: this build of the host has no GUI mode (it needs Qt); use info or run");
}

}  // namespace talvora::app
