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
  if (!ReadWholeFile(path, &text, &error)) {
    PrintError(path + ": " + error);
    return false;
  }
  const std::vector<SettingsError> errors = ApplySettings(chip, text);
  // As compilers report lines, so that editors can jump to them.
  for (const SettingsError& e : errors)
    std::fprintf(stderr, "%s:%zu: %s\n", path.c_str(), e.line, e.message.c_str());
  return errors.empty();
}

bool LoadConfiguration(Chip62500& chip, const std::string& path) {
  if (path == kDefaultBlockName || IsConfigurationFileName(path)) return LoadSource(chip, path);
  return ApplySettingsFile(chip, path);
}

}  // namespace k7q
