#include "host/app/convert_command.h"

namespace talvora::app {

CLI::App* addConvertCommand(CLI::App&) {
    return nullptr;
}
int runConvertCommand() {
    return 2;
}

}  // namespace talvora::app
