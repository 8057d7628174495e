// Texts of the desktop program that do not depend on its toolkit: the program name,
// the window title, the file dialog filters, tooltips, the command line and the
// Diagnostics box contents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chipmodel/product_names.h"
#include "uimodel/control_ids.h"

namespace k7q {

class ChipEngine;

constexpr unsigned kBuildNumber = 8;
constexpr char kProductVersion[] = "3.00";

// "62500TWK": the product number followed by TWK.
std::string ProgramName(ChipEngine& chip);
// "DRIVER.EXE - K7Q62500 Configuration Utility  (Build 8)".
std::string WindowTitle(ChipEngine& chip, std::string_view currentFile);
// "62500TWK Version 3.00 - Build 8 [H:9 L:9]".
std::string AboutText(ChipEngine& chip);

struct FileFilter {
  std::string name;      // "EXE Files"
  std::string patterns;  // "*.EXE"
};
const std::vector<FileFilter>& OpenFilters();
// The Save As filters for the current file's extension, and its default extension.
std::vector<FileFilter> SaveAsFilters(std::string_view currentFile, std::string* defaultExtension);

// File names of the command line: blanks separate, a name starting with "-" ends the list.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Tooltip text of a control or tab; empty when it has none.
std::string TooltipText(ChipEngine& chip, ControlId control);

// The text of the Update dialog shown when the toolkit is older than required.
std::string UpdateToolkitText(unsigned requiredMajor, unsigned requiredMinor,
                              unsigned installedMajor, unsigned installedMinor);

struct Diagnostics {
  std::string text;  // LF line ends, without a final line feed
  bool alert = false;
};
// The message followed by the chip's configuration errors; an error turns the alert on.
Diagnostics ComposeDiagnostics(ChipEngine& chip, std::string_view message, bool alert);

}  // namespace k7q
