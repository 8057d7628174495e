// Arbitrary expressions, with the features of the chip as identifiers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/chip62500.h"
#include "expr/expression.h"
#include "expr/feature_resolver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7q;
  static Chip62500 chip;
  static const bool installed = (InstallFeatureResolver(chip), true);
  (void)installed;
  const ExprResult result = Evaluate(std::string(reinterpret_cast<const char*>(data), size));
  if (result.ok && result.value.text.size() > kMaxExprText) __builtin_trap();
  return 0;
}
