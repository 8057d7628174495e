// The desktop program's own options, read before any window or display is needed.
#pragma once

#include <string>

namespace k7q {

struct StartOptions {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  std::string openFile;  // --open FILE: opened in the main window at start
};

// Only a first argument of --help, --version or --open is an option; any other command
// line keeps its meaning (file names for Configure Multiple, or nothing).
StartOptions ParseStartOptions(int argc, const char* const* argv);

// The --help text.
extern const char kStartHelp[];

}  // namespace k7q
