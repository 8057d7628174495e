#include <cstdio>

#include "chipmodel/product_names.h"
#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"

namespace k7q {

const std::map<std::string, const ExportKind*>& ExportKindNames() {
  static const std::map<std::string, const ExportKind*> names = [] {
    std::map<std::string, const ExportKind*> byName;
    for (const ExportKind& kind : kExportKinds) byName[kind.commandName] = &kind;
    return byName;
  }();
  return names;
}

std::string ExportKindsHelp() {
  const std::string product = ProductFullName(TheChip());
  std::string help;
  for (const ExportKind& kind : kExportKinds) {
    if (!help.empty()) help += ", ";
    help +=
        std::string(kind.commandName) + " (" + FillExportName(kind.fileName, product, "<N>") + ")";
  }
  return help;
}

int RunExport(const ExportOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.from)) return kExitFailed;
  if (options.output == "-") {
    const ExportText generated = GenerateExport(chip, *options.kind, options.mode);
    if (!generated.ok) {
      PrintError(generated.error);
      return kExitFailed;
    }
    // The same bytes as the exported file.
    const std::string text = ToCrLf(generated.text);
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? kExitOk : kExitFailed;
  }
  const std::string path = options.output.empty()
                               ? DefaultExportName(chip, *options.kind, options.mode)
                               : options.output;
  std::string reason;
  const std::string error = ExportToFile(chip, *options.kind, options.mode, path, &reason);
  if (!error.empty()) {
    PrintError(reason.empty() ? error : error + " (" + reason + ")");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace k7q
