#include "cli/cli_output.h"

#include <cstdio>

void PrintError(const std::string& text) {
  std::fprintf(stderr, "62500cfg: %s\n", text.c_str());
}

void PrintMessages(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) PrintError(message);
}
