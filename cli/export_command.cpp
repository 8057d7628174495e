#include <cstdio>

#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"

namespace k7q {

const std::map<std::string, ExportKind>& ExportKindNames() {
  static const std::map<std::string, ExportKind> names = {
      {"hal-config", ExportKind::kHalConfig},
      {"chip-header", ExportKind::kChipHeader},
      {"wince-header", ExportKind::kWinCeHeader},
      {"generic-header", ExportKind::kGenericHeader},
      {"csv", ExportKind::kCsv},
      {"quickref", ExportKind::kQuickReference},
  };
  return names;
}

int RunExport(const ExportOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.from)) return kExitFailed;
  if (options.output == "-") {
    const ExportText generated = GenerateExport(chip, options.kind, options.mode);
    if (!generated.ok) {
      PrintError(generated.error);
      return kExitFailed;
    }
    // The same bytes as the exported file.
    const std::string text = ToCrLf(generated.text);
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? kExitOk : kExitFailed;
  }
  const std::string path =
      options.output.empty() ? DefaultExportName(chip, options.kind, options.mode) : options.output;
  std::string reason;
  const std::string error = ExportToFile(chip, options.kind, options.mode, path, &reason);
  if (!error.empty()) {
    PrintError(reason.empty() ? error : error + " (" + reason + ")");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace k7q
