#pragma once

#include <string>
#include <vector>

namespace talvora {

struct CliOptions {
  std::string programPath;
  std::vector<std::string> plugins;
  std::string job;
  std::string transcript;
  bool interactive = false;
  std::string pluginsDir;
  std::string hostVersion;
  std::string moduleName;
  int quitAfterMs = 0;
};

int runInfo(const CliOptions& opts);
int runJobCommand(const CliOptions& opts);
int runGui(const CliOptions& opts, int argc, char** argv);

// The plug-in folder: --plugins-dir, else "plugins" beside the program.
std::string defaultPluginsDir(const CliOptions& opts);

} // namespace talvora
