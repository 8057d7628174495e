// Arbitrary settings texts: a refused text leaves the block as it was, with at most a
// screenful of bad lines in line order; an applied one gives a block whose own dump
// applies back to the same block. The description's bytes survive UTF-8 both ways.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "chipmodel/latin1_text.h"
#include "config/chip62500.h"
#include "settings/settings_text.h"

namespace {

bool SameBlock(const k7q::HalStruct& a, const k7q::HalStruct& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7q;
  static const HalStruct kBuiltIn = Chip62500().Block();
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (Utf8ToLatin1(Latin1ToUtf8(text), &error) != text) __builtin_trap();

  Chip62500 chip;
  const SettingsReport report = ApplySettings(chip, text);
  if (!report.ok()) {
    if (!SameBlock(chip.Block(), kBuiltIn)) __builtin_trap();
    if (report.errors.size() > kShownSettingsErrors) __builtin_trap();
    for (size_t i = 1; i < report.errors.size(); ++i)
      if (report.errors[i].line < report.errors[i - 1].line) __builtin_trap();
    return 0;
  }
  for (bool changedOnly : {false, true}) {
    Chip62500 applied;
    if (!ApplySettings(applied, WriteSettings(chip, changedOnly)).ok()) __builtin_trap();
    if (!SameBlock(applied.Block(), chip.Block())) __builtin_trap();
  }
  return 0;
}
