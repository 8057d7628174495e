// The texts of the kinds of generated file within their buffer sizes, and writing a
// text to a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "export/export_kinds.h"

namespace k7q {

class Chip62500;

struct ExportText {
  bool ok = false;
  std::string text;   // LF line ends
  std::string error;  // the reason when not ok
};

// The text of a kind, or the reason it cannot be exported.
ExportText GenerateExport(Chip62500& chip, const ExportKind& kind, unsigned mode);

// LF line ends to CR LF; line ends that already are CR LF stay as they are.
std::string ToCrLf(std::string_view text);

// Writes text as the whole file: complete, or the file as it was. A file without write
// permission is not replaced. Returns an empty string or "Failed to create file <path>",
// with *reason, when given, telling why.
std::string WriteExportFile(const std::string& path, std::string_view text,
                            std::string* reason = nullptr);

// Generates a kind and writes it with CR LF line ends; an empty string or the reason
// (*reason as for WriteExportFile).
std::string ExportToFile(Chip62500& chip, const ExportKind& kind, unsigned mode,
                         const std::string& path, std::string* reason = nullptr);

}  // namespace k7q
