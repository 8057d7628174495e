#include "cli/cli_output.h"

#include <cstdio>

namespace k7q {

void PrintError(const std::string& text) {
  std::fprintf(stderr, "62500cfg: %s\n", text.c_str());
}

void PrintFailures(const Failures& failures) {
  for (const Failure& failure : failures) {
    PrintError(failure.detail.empty() ? failure.reason
                                      : failure.reason + " (" + failure.detail + ")");
  }
}

}  // namespace k7q
