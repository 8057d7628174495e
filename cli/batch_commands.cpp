#include <unistd.h>

#include <cstdio>
#include <functional>

#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "config/configurable_file.h"
#include "config/configure_multiple.h"
#include "config/storage_limits.h"

namespace k7q {

int RunCheck(const CheckOptions& options) {
  bool allOk = true;
  for (const std::string& path : options.files) {
    // A fresh chip per file, so that no file sees another's block.
    Chip62500 chip;
    const FileOutcome outcome = OpenConfigurableFile(chip, path);
    PrintFailures(FileFailures(outcome));
    if (outcome.ok) {
      std::printf("OK\t%s\n", path.c_str());
    } else {
      std::printf("Error\t%s: %s\n", path.c_str(), outcome.reason.c_str());
      allOk = false;
    }
  }
  return allOk ? kExitOk : kExitFailed;
}

int RunConfigure(const ConfigureOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.from)) return kExitFailed;
  // A progress line on a terminal only, redrawn at most every hundredth of the pass.
  const bool terminal = isatty(STDERR_FILENO) == 1;
  size_t shown = 0;
  auto progress = [&](size_t done, size_t total) {
    if (done * 100 / total == shown * 100 / total && done != total) return;
    shown = done;
    std::fprintf(stderr, "\rConfiguring %zu of %zu files%s", done, total,
                 done == total ? "\r\033[K" : "");
  };
  const ConfigureOutcome outcome = ConfigureMultiple(
      chip, options.targets, options.preserveAddresses,
      [](const FileOutcome& file) { PrintFailures(FileFailures(file)); },
      terminal ? std::function<void(size_t, size_t)>(progress) : nullptr);
  // Every target's line with the reason of each failure; the dialog's summary is cut.
  std::fputs("Summary of configured files:\n\n", stdout);
  for (size_t i = 0; i < outcome.files.size(); ++i) {
    const FileOutcome& file = outcome.files[i];
    if (file.ok) {
      std::printf("OK\t%s\n", options.targets[i].c_str());
    } else {
      std::printf("Error\t%s: %s\n", options.targets[i].c_str(), FailureReason(file).c_str());
    }
  }
  return outcome.allOk ? kExitOk : kExitFailed;
}

}  // namespace k7q
