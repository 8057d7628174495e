// The kinds of generated file, one row each: the command line's name, the default file
// name, the entry of the export list, the save filter and the generator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace k7q {

class Chip62500;

// The save dialog's first filter, e.g. "Header Files (*.h)" with pattern "*.h" (the second
// is always "All Files (*.*)"), and the default extension without its dot.
struct ExportFilter {
  const char* name;
  const char* pattern;
  const char* defaultExtension;
};

// Room for the C, header and CSV texts, and for the quick reference (CR LF text and NUL).
constexpr size_t kExportBufferSize = 32768;
constexpr size_t kQuickReferenceBufferSize = 524288;

// In the names and list texts, %s stands for the product's PREFIX+NAME and %u for the
// mode number.
struct ExportKind {
  const char* commandName;  // "hal-config"
  const char* fileName;     // "HAL_config.c", "mode%u.h", "%s.csv"
  const char* listText;     // "C Header File for %s WinCE Drivers \t\t[mode%u.h]"
  ExportFilter filter;
  size_t bufferSize;
  bool textEditor;  // a preview opens in the text editor, not the associated program
  bool hasOptions;  // the Export Options dialog applies
  bool usesMode;    // the mode number is part of the text and the file name
  std::string (*generate)(Chip62500& chip, unsigned mode);  // LF line ends
};

// In the order of the export list.
extern const ExportKind kExportKinds[6];

// The kind of a command-line name, or nullptr.
const ExportKind* FindExportKind(std::string_view commandName);

// The format filled with the product's PREFIX+NAME and the mode's text.
std::string FillExportName(const char* format, const std::string& product, std::string_view mode);

// "HAL_config.c", "chip.h", "mode3.h", "K7Q62500.h", "K7Q62500.csv", "K7Q62500.txt".
std::string DefaultExportName(Chip62500& chip, const ExportKind& kind, unsigned mode);

// The entry of the export list, e.g. "C Header File for K7Q62500 WinCE Drivers \t\t[mode0.h]".
std::string ExportListText(Chip62500& chip, const ExportKind& kind, unsigned mode);

}  // namespace k7q
