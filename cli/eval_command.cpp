#include <cstdio>

#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "expr/expression.h"
#include "expr/feature_resolver.h"

namespace k7q {

int RunEval(const EvalOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.from)) return kExitFailed;
  InstallFeatureResolver(chip);
  const ExprResult result = Evaluate(options.expression);
  if (!result.ok) {
    PrintError(result.error);
    return kExitFailed;
  }
  if (result.value.isText) {
    std::printf("%s\n", result.value.text.c_str());
  } else {
    std::printf("%u (%Xh)\n", result.value.number, result.value.number);
  }
  return kExitOk;
}

}  // namespace k7q
