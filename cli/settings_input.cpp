#include "cli/settings_input.h"

#include <cstdio>

#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "config/configurable_file.h"
#include "formats/file_kinds.h"
#include "settings/settings_text.h"
#include "storage/safe_file.h"

namespace k7q {

bool ApplySettingsFile(Chip62500& chip, const std::string& path) {
  std::string text;
  std::string error;
  if (!ReadWholeFile(path, kSettingsFileLimitMiB, &text, &error)) {
    PrintError(error);
    return false;
  }
  const SettingsReport report = ApplySettings(chip, text);
  // As compilers report lines, so that editors can jump to them.
  for (const std::string& line : SettingsReportLines(path, report))
    std::fprintf(stderr, "%s\n", line.c_str());
  return report.ok();
}

bool LoadConfiguration(Chip62500& chip, const std::string& path) {
  if (path == kDefaultBlockName || IsConfigurationFileName(path)) return LoadSource(chip, path);
  return ApplySettingsFile(chip, path);
}

}  // namespace k7q
