#include <optional>

#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/typed_value.h"

namespace k7q {

namespace {

struct Assignment {
  std::string name;
  std::string value;
};

// NAME=VALUE pairs; nothing when one of them has no name or no "=".
std::optional<std::vector<Assignment>> SplitAssignments(const std::vector<std::string>& texts,
                                                        const char* form) {
  std::vector<Assignment> assignments;
  for (const std::string& text : texts) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
      PrintError(StringPrintf("expected %s, got '%s'", form, text.c_str()));
      return std::nullopt;
    }
    assignments.push_back({text.substr(0, equals), text.substr(equals + 1)});
  }
  return assignments;
}

bool SetFeature(Chip62500& chip, const Assignment& a) {
  uint32_t position = 0;
  if (!chip.FindFeature(a.name, &position)) {
    PrintError("unknown feature '" + a.name + "'");
    return false;
  }
  const std::string refusal = "cannot set " + a.name + " to '" + a.value + "': ";
  if (chip.IsFeatureReadOnly(a.name)) {
    PrintError(refusal + "the feature is read-only");
    return false;
  }
  std::string error;
  const std::optional<TypedValue> value = ParseTypedValue(chip, a.name, a.value, &error);
  if (!value || !SetTypedValue(chip, a.name, *value, &error)) {
    PrintError(refusal + error);
    return false;
  }
  const std::string warning = FrequencyWarning(chip, a.name);
  if (!warning.empty()) PrintError(warning);
  const std::string stored = StoredTextNote(chip, a.name, a.value);
  if (!stored.empty()) PrintError(stored);
  return true;
}

bool SetRegister(Chip62500& chip, const Assignment& a) {
  const std::optional<uint32_t> index = ParseNumberText(a.name, 16);
  if (!index) {
    PrintError("bad register index '" + a.name + "'");
    return false;
  }
  const std::string refusal =
      StringPrintf("cannot set register %04X to '%s': ", *index, a.value.c_str());
  std::string error;
  const std::optional<uint32_t> value = ReadWholeNumber(a.value, 16, &error);
  if (!value) {
    PrintError(refusal + error);
    return false;
  }
  if (chip.IsRegisterReadOnly(*index, false)) {
    PrintError(refusal + "This register is READONLY.");
    return false;
  }
  uint32_t position = 0;
  if (!chip.FindBlockPosition(*index, &position, false)) {
    PrintError(refusal + "the register is not in the block's register list");
    return false;
  }
  const uint32_t bits = chip.RegisterHexDigits(*index, false) * 4;
  if (bits > 0 && bits < 32 && (*value >> bits) != 0) {
    PrintError(refusal + StringPrintf("the value does not fit %u bits", bits));
    return false;
  }
  if (!chip.WriteRegister(*index, false, *value)) {
    PrintError(refusal + "the register refused the value");
    return false;
  }
  return true;
}

int SetAndSave(const SetOptions& options, const char* form,
               bool (*set)(Chip62500&, const Assignment&)) {
  if (options.file == kDefaultBlockName) {
    PrintError("the built-in block cannot be saved; name a file");
    return kExitUsage;
  }
  const std::optional<std::vector<Assignment>> assignments =
      SplitAssignments(options.assignments, form);
  if (!assignments) return kExitUsage;
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.file)) return kExitFailed;
  // Every assignment is tried so that all refusals are reported; one refusal saves nothing.
  bool allSet = true;
  for (const Assignment& a : *assignments) allSet = set(chip, a) && allSet;
  if (!allSet) return kExitFailed;
  return SaveSource(chip, options.file, options.saveAs, options.preserveAddresses) ? kExitOk
                                                                                   : kExitFailed;
}

}  // namespace

int RunSet(const SetOptions& options) {
  return SetAndSave(options, "FEATURE=VALUE", SetFeature);
}

int RunSetReg(const SetOptions& options) {
  return SetAndSave(options, "INDEX=VALUE", SetRegister);
}

}  // namespace k7q
