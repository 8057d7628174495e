// The six kinds of generated file: their default names, their texts within the
// buffer sizes of the export, and writing a text to a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace k7q {

class Chip62500;

enum class ExportKind {
  kHalConfig,
  kChipHeader,
  kWinCeHeader,
  kGenericHeader,
  kCsv,
  kQuickReference
};

// Room for the C, header and CSV texts, and for the quick reference (CR LF text and NUL).
constexpr size_t kExportBufferSize = 32768;
constexpr size_t kQuickReferenceBufferSize = 524288;

struct ExportText {
  bool ok = false;
  std::string text;   // LF line ends
  std::string error;  // the reason when not ok
};

// "HAL_config.c", "chip.h", "mode%u.h", "K7Q62500.h", "K7Q62500.csv", "K7Q62500.txt".
std::string DefaultExportName(Chip62500& chip, ExportKind kind, unsigned mode);

// The kinds in the order of the export list.
constexpr ExportKind kExportKinds[] = {ExportKind::kHalConfig,   ExportKind::kChipHeader,
                                       ExportKind::kWinCeHeader, ExportKind::kGenericHeader,
                                       ExportKind::kCsv,         ExportKind::kQuickReference};

// The entry of the export list, e.g. "C Header File for K7Q62500 WinCE Drivers \t\t[mode0.h]".
std::string ExportListText(Chip62500& chip, ExportKind kind, unsigned mode);

// The save dialog's first filter, e.g. "Header Files (*.h)" with pattern "*.h" (the second
// is always "All Files (*.*)"), and the default extension without its dot.
struct ExportFilter {
  const char* name;
  const char* pattern;
  const char* defaultExtension;
};
ExportFilter ExportFileFilter(ExportKind kind);

// The text of a kind, or the reason it cannot be exported.
ExportText GenerateExport(Chip62500& chip, ExportKind kind, unsigned mode);

// LF line ends to CR LF; line ends that already are CR LF stay as they are.
std::string ToCrLf(std::string_view text);

// Writes text as the whole file: complete, or the file as it was. A file without write
// permission is not replaced. Returns an empty string or "Failed to create file <path>",
// with *reason, when given, telling why.
std::string WriteExportFile(const std::string& path, std::string_view text,
                            std::string* reason = nullptr);

// Generates a kind and writes it with CR LF line ends; an empty string or the reason
// (*reason as for WriteExportFile).
std::string ExportToFile(Chip62500& chip, ExportKind kind, unsigned mode, const std::string& path,
                         std::string* reason = nullptr);

}  // namespace k7q
