// The `convert` subcommand (Linux only: it needs the NIfTI library; the
// Windows build has no such subcommand and gets a null pointer).
#pragma once

namespace CLI {
class App;
}

namespace talvora::app {

// Adds `convert IN OUT [options]` to the command line; null when this build
// has no converter.
CLI::App* addConvertCommand(CLI::App& app);
// Runs the parsed conversion; throws with a message naming the file and the
// problem (the caller prints it and exits non-zero).
int runConvertCommand();

}  // namespace talvora::app
