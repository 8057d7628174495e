// The settings file: the whole configuration as readable text, one setting a line,
// for version control and build scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace k7q {

class Chip62500;

// A settings file is read to this size at most.
constexpr size_t kSettingsFileLimitMiB = 4;
// Bad lines reported one by one; the others are only counted.
constexpr size_t kShownSettingsErrors = 20;

struct SettingsError {
  size_t line = 0;  // 1-based
  std::string message;
};

struct SettingsReport {
  std::vector<SettingsError> errors;  // the first bad lines, by line number
  size_t notShown = 0;                // bad lines after those
  bool ok() const { return errors.empty(); }
};

// The report as "NAME:LINE: message" lines, then "NAME: ... and N more bad lines".
std::vector<std::string> SettingsReportLines(const std::string& name, const SettingsReport& report);

// The chip's settings as a settings file. With changedOnly, only what differs from
// the built-in block. Applying the full text to the built-in block gives the chip's
// block back exactly.
std::string WriteSettings(Chip62500& chip, bool changedOnly);

// Checks every line of the text and, when all are good, applies them to the chip.
// On any error the chip is left unchanged and the bad lines are reported.
SettingsReport ApplySettings(Chip62500& chip, std::string_view text);

// The block fields that "block NAME = VALUE" lines set, with their values.
struct BlockFieldValue {
  std::string name;
  std::string text;  // decimal, or 0x and 8 hexadecimal digits for addresses and flags
};
std::vector<BlockFieldValue> SettingsBlockFields(const Chip62500& chip);

}  // namespace k7q
