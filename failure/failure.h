// What the core reports when something fails, for the command-line tool and the desktop
// to show: the fixed reason text, the detail where the reason does not say why, and
// whether it is an error or a note. Nothing is thrown.
#pragma once

#include <string>
#include <vector>

namespace k7q {

enum class Severity {
  kError,    // a file reader's error (an error box)
  kWarning,  // an operation's failure, e.g. "File ... could not be saved because: ..."
  kNote,     // information shown before the failures, e.g. an interrupted save undone
};

struct Failure {
  std::string reason;  // a fixed text, filled with names and numbers
  std::string detail;  // the system's reason and the path, or empty
  Severity severity = Severity::kWarning;
};

// In the order to show them; empty when there is nothing to say.
using Failures = std::vector<Failure>;

}  // namespace k7q
