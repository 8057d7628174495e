#include "export/export_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "export/chip_header.h"
#include "export/csv_export.h"
#include "export/driver_headers.h"
#include "export/generated_text.h"
#include "export/hal_config.h"
#include "reports/quick_reference.h"
#include "storage/staged_file.h"

namespace k7q {

namespace {

std::string Generate(Chip62500& chip, ExportKind kind, unsigned mode) {
  switch (kind) {
    case ExportKind::kHalConfig:
      return HalConfigSource(chip);
    case ExportKind::kChipHeader:
      return ChipHeader(chip);
    case ExportKind::kWinCeHeader:
      return WinCeModeHeader(chip, mode);
    case ExportKind::kGenericHeader:
      return GenericHeader(chip);
    case ExportKind::kCsv:
      return CsvExport(chip);
    case ExportKind::kQuickReference:
      return QuickReference(chip);
  }
  return {};
}

}  // namespace

std::string DefaultExportName(Chip62500& chip, ExportKind kind, unsigned mode) {
  const std::string product = ProductFullName(chip);
  switch (kind) {
    case ExportKind::kHalConfig:
      return "HAL_config.c";
    case ExportKind::kChipHeader:
      return "chip.h";
    case ExportKind::kWinCeHeader:
      return StringPrintf("mode%u.h", mode);
    case ExportKind::kGenericHeader:
      return product + ".h";
    case ExportKind::kCsv:
      return product + ".csv";
    case ExportKind::kQuickReference:
      return product + ".txt";
  }
  return {};
}

std::string ExportListText(Chip62500& chip, ExportKind kind, unsigned mode) {
  const std::string product = ProductFullName(chip);
  const char* p = product.c_str();
  switch (kind) {
    case ExportKind::kHalConfig:
      return StringPrintf("C Source File for %s HAL-Based Applications\t[HAL_config.c]", p);
    case ExportKind::kChipHeader:
      return StringPrintf("C Header File Defining a Map of %s Registers\t[chip.h]", p);
    case ExportKind::kWinCeHeader:
      return StringPrintf("C Header File for %s WinCE Drivers \t\t[mode%u.h]", p, mode);
    case ExportKind::kGenericHeader:
      return StringPrintf("C Header File for %s Generic Drivers \t\t[%s.h]", p, p);
    case ExportKind::kCsv:
      return StringPrintf("Comma-Delimited File Containing Current Configuration\t[%s.csv]", p);
    case ExportKind::kQuickReference:
      return StringPrintf("%s Register Quick Reference\t\t\t[%s.txt]", p, p);
  }
  return {};
}

ExportFilter ExportFileFilter(ExportKind kind) {
  switch (kind) {
    case ExportKind::kHalConfig:
      return {"Source Files (*.c)", "*.c", "h"};
    case ExportKind::kChipHeader:
    case ExportKind::kWinCeHeader:
    case ExportKind::kGenericHeader:
      return {"Header Files (*.h)", "*.h", "h"};
    case ExportKind::kCsv:
      return {"Comma-Separated-Value Files (*.csv)", "*.csv", "csv"};
    case ExportKind::kQuickReference:
      return {"Quick Reference Files (*.txt)", "*.txt", "txt"};
  }
  return {"All Files (*.*)", "*.*", ""};
}

ExportText GenerateExport(Chip62500& chip, ExportKind kind, unsigned mode) {
  ExportText result;
  result.text = Generate(chip, kind, mode);
  const size_t room =
      kind == ExportKind::kQuickReference ? kQuickReferenceBufferSize : kExportBufferSize;
  // The CR LF text and its terminating NUL must fit the buffer.
  if (ToCrLf(result.text).size() + 1 > room) {
    result.error = StringPrintf("The generated %s does not fit into %zu bytes.",
                                DefaultExportName(chip, kind, mode).c_str(), room);
    result.text.clear();
    return result;
  }
  result.ok = true;
  return result;
}

std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

std::string WriteExportFile(const std::string& path, std::string_view text, std::string* reason) {
  const std::string failed = "Failed to create file " + path;
  std::string why = path.empty() ? std::strerror(ENOENT) : "";
  // A read-only file is not replaced, not even for root.
  struct stat existing;
  if (why.empty() && stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
      (existing.st_mode & 0222) == 0) {
    why = std::strerror(EACCES);
  }
  if (why.empty()) why = WriteWholeOutput(path, text);
  if (why.empty()) return {};
  if (reason) *reason = why;
  return failed;
}

std::string ExportToFile(Chip62500& chip, ExportKind kind, unsigned mode, const std::string& path,
                         std::string* reason) {
  const ExportText generated = GenerateExport(chip, kind, mode);
  if (!generated.ok) return generated.error;
  return WriteExportFile(path, ToCrLf(generated.text), reason);
}

}  // namespace k7q
