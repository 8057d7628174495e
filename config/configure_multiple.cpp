#include "config/configure_multiple.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "chipmodel/text_format.h"
#include "config/storage_limits.h"

namespace {
constexpr size_t kSummaryRoom = 4095;
}

ConfigureOutcome ConfigureMultiple(Chip62500& chip, const std::vector<std::string>& targets,
                                   bool preserveAddresses,
                                   const std::function<void(const FileOutcome&)>& afterEach) {
  ConfigureOutcome outcome;
  outcome.summary = "Summary of configured files:\n\n";
  for (const std::string& target : targets) {
    // Each target keeps its own description; only what it cannot hold is refused.
    const std::string refusal = StorageRefusal(chip, target, false);
    FileOutcome file = refusal.empty() ? SaveConfigurableFile(chip, target, "", preserveAddresses)
                                       : RefusedSave(target, refusal);
    if (!file.ok) file.reason = FailureReason(file);
    outcome.allOk = outcome.allOk && file.ok;
    outcome.summary += (file.ok ? "OK\t" : "Error\t") + target + "\n";
    if (afterEach) afterEach(file);
    outcome.files.push_back(std::move(file));
  }
  if (outcome.summary.size() > kSummaryRoom) outcome.summary.resize(kSummaryRoom);
  return outcome;
}

std::vector<std::string> BrowserEntries(const std::string& folder, bool allFiles) {
  std::vector<std::string> entries;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return entries;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == ".") continue;
    struct stat info;
    if (stat((folder + "/" + name).c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      entries.push_back("[" + name + "]");
    } else if (allFiles || IsConfigurationFileName(name)) {
      entries.push_back(name);
    }
  }
  closedir(dir);
  return entries;
}

bool AddSelectedFile(std::vector<std::string>& selected, const std::string& name) {
  const bool present = std::any_of(selected.begin(), selected.end(),
                                   [&](const std::string& s) { return EqualsIgnoreCase(s, name); });
  if (!present) selected.push_back(name);
  return !present;
}
