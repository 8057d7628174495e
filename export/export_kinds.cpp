#include "export/export_kinds.h"

#include "chipmodel/product_names.h"
#include "config/chip62500.h"
#include "export/chip_header.h"
#include "export/csv_export.h"
#include "export/driver_headers.h"
#include "export/hal_config.h"
#include "reports/quick_reference.h"

namespace k7q {

const ExportKind kExportKinds[6] = {
    {"hal-config",
     "HAL_config.c",
     "C Source File for %s HAL-Based Applications\t[HAL_config.c]",
     {"Source Files (*.c)", "*.c", "h"},
     kExportBufferSize,
     true,
     false,
     false,
     [](Chip62500& chip, unsigned) { return HalConfigSource(chip); }},
    {"chip-header",
     "chip.h",
     "C Header File Defining a Map of %s Registers\t[chip.h]",
     {"Header Files (*.h)", "*.h", "h"},
     kExportBufferSize,
     true,
     false,
     false,
     [](Chip62500& chip, unsigned) { return ChipHeader(chip); }},
    {"wince-header",
     "mode%u.h",
     "C Header File for %s WinCE Drivers \t\t[mode%u.h]",
     {"Header Files (*.h)", "*.h", "h"},
     kExportBufferSize,
     true,
     true,
     true,
     [](Chip62500& chip, unsigned mode) { return WinCeModeHeader(chip, mode); }},
    {"generic-header",
     "%s.h",
     "C Header File for %s Generic Drivers \t\t[%s.h]",
     {"Header Files (*.h)", "*.h", "h"},
     kExportBufferSize,
     true,
     true,
     false,
     [](Chip62500& chip, unsigned) { return GenericHeader(chip); }},
    {"csv",
     "%s.csv",
     "Comma-Delimited File Containing Current Configuration\t[%s.csv]",
     {"Comma-Separated-Value Files (*.csv)", "*.csv", "csv"},
     kExportBufferSize,
     true,
     false,
     false,
     [](Chip62500& chip, unsigned) { return CsvExport(chip); }},
    {"quickref",
     "%s.txt",
     "%s Register Quick Reference\t\t\t[%s.txt]",
     {"Quick Reference Files (*.txt)", "*.txt", "txt"},
     kQuickReferenceBufferSize,
     false,
     false,
     false,
     [](Chip62500& chip, unsigned) { return QuickReference(chip); }},
};

const ExportKind* FindExportKind(std::string_view commandName) {
  for (const ExportKind& kind : kExportKinds) {
    if (commandName == kind.commandName) return &kind;
  }
  return nullptr;
}

std::string FillExportName(const char* format, const std::string& product, std::string_view mode) {
  std::string out;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += product;
      ++p;
    } else if (p[0] == '%' && p[1] == 'u') {
      out += mode;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string DefaultExportName(Chip62500& chip, const ExportKind& kind, unsigned mode) {
  return FillExportName(kind.fileName, ProductFullName(chip), std::to_string(mode));
}

std::string ExportListText(Chip62500& chip, const ExportKind& kind, unsigned mode) {
  return FillExportName(kind.listText, ProductFullName(chip), std::to_string(mode));
}

}  // namespace k7q
