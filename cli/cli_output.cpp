#include "cli/cli_output.h"

#include <cstdio>

#include "config/configurable_file.h"

namespace k7q {

void PrintError(const std::string& text) {
  std::fprintf(stderr, "62500cfg: %s\n", text.c_str());
}

void PrintMessages(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) PrintError(message);
}

void PrintFileOutcome(const FileOutcome& outcome) {
  PrintMessages(outcome.notices);
  const size_t withDetail = outcome.readerErrors ? outcome.readerErrors : outcome.messages.size();
  for (size_t i = 0; i < outcome.messages.size(); ++i) {
    const bool addDetail = i + 1 == withDetail && !outcome.detail.empty();
    PrintError(addDetail ? outcome.messages[i] + " (" + outcome.detail + ")" : outcome.messages[i]);
  }
}

}  // namespace k7q
