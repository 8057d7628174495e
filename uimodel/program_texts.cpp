#include "uimodel/program_texts.h"

#include <cctype>

#include "chipmodel/chip_engine.h"
#include "chipmodel/text_format.h"
#include "formats/file_kinds.h"

namespace k7q {

namespace {
constexpr size_t kDiagnosticsRoom = 4095;
constexpr unsigned kRuntimeRevision = 9;

std::string FileName(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}
}  // namespace

std::string ProgramName(ChipEngine& chip) {
  return ProductName(chip) + "TWK";
}

std::string WindowTitle(ChipEngine& chip, std::string_view currentFile) {
  std::string title;
  if (!currentFile.empty()) title = FileName(currentFile) + " - ";
  return title + StringPrintf("%s Configuration Utility  (%sBuild %d)", ProductTitle(chip).c_str(),
                              "", kBuildNumber);
}

std::string AboutText(ChipEngine& chip) {
  return StringPrintf("%s%s - Build %d [H:%u L:%u]", ProgramName(chip).c_str(),
                      (std::string(" Version ") + kProductVersion).c_str(), kBuildNumber,
                      kRuntimeRevision, kRuntimeRevision);
}

namespace {

std::string Cased(std::string_view text, bool upper) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    c = static_cast<char>(upper ? std::toupper(u) : std::tolower(u));
  }
  return out;
}

// "*.ELF;*.AXF" of the kind's extensions.
std::string Patterns(const FileKind& kind) {
  std::string patterns;
  for (std::string_view extension : kind.extensions) {
    patterns += (patterns.empty() ? "*" : ";*") + Cased(extension, true);
  }
  return patterns;
}

}  // namespace

const std::vector<FileFilter>& OpenFilters() {
  static const std::vector<FileFilter> filters = [] {
    std::string extensions, patterns;
    for (const FileKind& kind : FileKinds()) {
      for (std::string_view extension : kind.extensions) {
        const std::string lower = Cased(extension, false);
        extensions += (extensions.empty() ? "" : ";") + lower;
        patterns += (patterns.empty() ? "*" : ";*") + lower;
      }
    }
    std::vector<FileFilter> all{{"All Configurable Files (" + extensions + ")", patterns}};
    for (const FileKind& kind : FileKinds()) all.push_back({kind.filterName, Patterns(kind)});
    all.push_back({"All Files (*.*)", "*.*"});
    return all;
  }();
  return filters;
}

std::vector<FileFilter> SaveAsFilters(std::string_view currentFile, std::string* defaultExtension) {
  const std::string name = FileName(currentFile);
  const size_t dot = name.rfind('.');
  if (defaultExtension) *defaultExtension = dot == std::string::npos ? "" : name.substr(dot + 1);
  std::vector<FileFilter> filters;
  if (const FileKind* kind = KindOfName(name))
    filters.push_back({kind->filterName, Patterns(*kind)});
  filters.push_back({"All Files (*.*)", "*.*"});
  return filters;
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> names;
  std::string current;
  for (char c : commandLine) {
    // Switches start with "-" on this platform; "/" begins an absolute path.
    if (c == '-' && current.empty()) break;
    if (c == ' ') {
      if (!current.empty()) names.push_back(current);
      current.clear();
      continue;
    }
    current += c;
  }
  if (!current.empty()) names.push_back(current);
  return names;
}

std::string TooltipText(ChipEngine& chip, ControlId control) {
  static const struct {
    ControlId id;
    const char* text;
  } kTips[] = {
      {ControlId::kFeaturesPage, "Browse and change chip via a feature list."},
      {ControlId::kRegistersPage,
       "Configure %s registers.\n__________________________________________________\n"
       "**IMPORTANT NOTE: Experts only! Use extreme caution when editing these registers. "
       "Also, manually entered values may be overridden if you manipulate options on another "
       "tab page."},
      {ControlId::kDirectPage, "Direct access to physical chip using evaluation board."},
      {ControlId::kInitializeRegisters, "Program all %s registers during initialization."},
      {ControlId::kInitializeLookupTable, "Program the %s lookup table during initialization."},
      {ControlId::kClearVideoMemory, "Clear %s video memory after initialization."},
      {ControlId::kInitializeChip,
       "Initialize the %s with all the current configuration settings.  If initialization is "
       "successful then the additional options will be available."},
      {ControlId::kShutdownChip, "Perform an IMMEDIATE shutdown of display."},
      {ControlId::kDrawTestPattern, "Draw a test pattern in %s video memory."},
      {ControlId::kHotToChip,
       "Enables all configuration changes to be written to the physical chip immediately,"
       "\"Hot to Chip\"."},
      {ControlId::kPatternAfterChange,
       "Always re-draw the test pattern in %s video memory after each configuration setting "
       "change."},
      {ControlId::kDirectStatus,
       "This field shows important information regarding the use of Direct Access."},
  };
  for (const auto& tip : kTips) {
    if (tip.id != control) continue;
    std::string text = tip.text;
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, ProductTitle(chip));
    return text;
  }
  return {};
}

std::string UpdateToolkitText(unsigned requiredMajor, unsigned requiredMinor,
                              unsigned installedMajor, unsigned installedMinor) {
  const bool old = installedMajor * 256 + installedMinor < requiredMajor * 256 + requiredMinor;
  return StringPrintf(
      "This program requires version %u.%02u (or greater) Qt libraries.\n"
      "Your system is using version %u.%02u Qt libraries.\n"
      "Your system %s updating!",
      requiredMajor, requiredMinor, installedMajor, installedMinor,
      old ? "REQUIRES" : "does NOT require");
}

Diagnostics ComposeDiagnostics(ChipEngine& chip, std::string_view message, bool alert) {
  Diagnostics d;
  d.text = std::string(message.substr(0, kDiagnosticsRoom));
  d.alert = alert;
  const uint32_t room = static_cast<uint32_t>(kDiagnosticsRoom - d.text.size());
  if (chip.ConfigurationErrors(d.text, room) > 0) d.alert = true;
  if (!d.text.empty() && d.text.back() == '\n') d.text.pop_back();
  return d;
}

}  // namespace k7q
