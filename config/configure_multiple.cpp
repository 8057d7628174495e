#include "config/configure_multiple.h"

namespace {
constexpr size_t kSummaryRoom = 4095;
}

ConfigureOutcome ConfigureMultiple(Chip62500& chip, const std::vector<std::string>& targets,
                                   bool preserveAddresses) {
  ConfigureOutcome outcome;
  outcome.summary = "Summary of configured files:\n\n";
  for (const std::string& target : targets) {
    FileOutcome file = SaveConfigurableFile(chip, target, "", preserveAddresses);
    outcome.allOk = outcome.allOk && file.ok;
    outcome.summary += (file.ok ? "OK\t" : "Error\t") + target + "\n";
    outcome.files.push_back(std::move(file));
  }
  if (outcome.summary.size() > kSummaryRoom) outcome.summary.resize(kSummaryRoom);
  return outcome;
}
