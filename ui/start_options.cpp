#include "ui/start_options.h"

#include <string_view>

namespace k7q {

const char kStartHelp[] =
    "Usage: 62500twk [FILE...]\n"
    "  or:  62500twk --open [FILE]\n"
    "View and change the configuration of 62500 display driver images.\n"
    "\n"
    "Without arguments, the main window opens on the built-in default configuration.\n"
    "File names run Configure Multiple on those files without the main window; names\n"
    "are split at blanks, and the list ends at a name starting with \"-\".\n"
    "\n"
    "Options:\n"
    "  --open [FILE]  open the main window, and FILE in it as File > Open does\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n";

StartOptions ParseStartOptions(int argc, const char* const* argv) {
  StartOptions options;
  if (argc < 2) return options;
  const std::string_view first = argv[1];
  if (first == "--help") {
    options.action = StartOptions::Action::kHelp;
  } else if (first == "--version") {
    options.action = StartOptions::Action::kVersion;
  } else if (first == "--open") {
    // The desktop entry's "--open %f" comes without a file when started from the menu.
    if (argc == 3) options.openFile = argv[2];
    if (argc > 3) options.action = StartOptions::Action::kUsageError;
  }
  return options;
}

}  // namespace k7q
