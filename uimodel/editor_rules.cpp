#include "uimodel/editor_rules.h"

#include <cctype>

#include "chipmodel/chip_engine.h"
#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "expr/expression.h"
#include "uimodel/value_limits.h"

namespace k7q {

std::string CurrentlyLine(ChipEngine& chip, std::string_view feature, unsigned radix) {
  std::string line = "Currently  =  ";
  const uint32_t type = chip.GetType(feature);
  if (type == kTypeNumb) {
    const char* unit = chip.GetUnit(feature);
    return line + FormatNumber(chip.GetFieldValue(feature), radix, 0) + (unit ? unit : "");
  }
  const char* text = chip.GetValueText(feature, true);
  const std::string value = text ? text : "";
  if (type == kTypeText || type == kTypeSequ) {
    return line + (value.empty() ? "(empty)" : "\"" + value + "\"");
  }
  return line + value;
}

namespace {

// A decimal digit followed only by letters and digits: read as a number in the radix,
// stopping at the first character that is not a digit of it.
bool IsNumberWord(std::string_view text) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

bool ReadTypedNumber(std::string_view text, unsigned radix, uint32_t* value, std::string* error) {
  size_t front = 0;
  while (front < text.size() && text[front] == ' ') ++front;
  size_t back = text.size();
  while (back > front && text[back - 1] == ' ') --back;
  text = text.substr(front, back - front);
  if (text.empty()) {
    *value = 0;
    return true;
  }
  if (IsNumberWord(text)) {
    const std::optional<uint32_t> number = ReadWholeNumber(text, radix, error);
    if (number) *value = *number;
    return number.has_value();
  }
  const ExprResult result = Evaluate(text);
  if (!result.ok) {
    *error = result.error;
    return false;
  }
  if (result.value.isText) {
    *error = "Expected a numerical value here.";
    return false;
  }
  *value = result.value.number;
  return true;
}

bool SetFrequencyText(ChipEngine& chip, std::string_view feature, std::string_view text,
                      std::string* error) {
  const std::optional<uint32_t> hertz = ReadFrequencyText(text, error);
  return hertz && SetFrequencyHertz(chip, feature, *hertz, error);
}

bool SetFrequencyHertz(ChipEngine& chip, std::string_view feature, uint32_t hertz,
                       std::string* error) {
  // The chip clamps a value outside its limits before refusing it: put the old one back.
  const uint32_t before = chip.GetRawValue(feature);
  if (chip.SetFieldValue(feature, hertz)) return true;
  chip.SetRawValue(feature, before);
  *error = "outside the limits of the chip";
  return false;
}

std::string ValidateNumber(ChipEngine& chip, std::string_view feature, uint32_t value,
                           unsigned radix) {
  const NumberLimits limits = FeatureLimits(chip, feature);
  switch (CheckNumber(limits, value)) {
    case NumberCheck::kOutOfRange:
      return "Must be between " + FormatNumber(limits.minimum, radix, 0) + " and " +
             FormatNumber(limits.maximum, radix, 0) + "!";
    case NumberCheck::kMisaligned:
      return StringPrintf("Must be aligned by %u!", limits.step);
    case NumberCheck::kWithin:
      break;
  }
  return {};
}

std::string MemoryMapLine(uint32_t first, uint32_t second, std::string_view name) {
  if (second != 0) return StringPrintf("%08Xh-%08Xh %s", first, second, std::string(name).c_str());
  return StringPrintf("%08Xh           %s", first, std::string(name).c_str());
}

uint32_t MemoryMapLineStart(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  return ReadNumber(line.substr(i), 16);
}

unsigned SequenceRadix(uint32_t kind) {
  return kind == kSequenceDelay ? 10 : 16;
}

std::string SequenceLine(const SequenceItem& item) {
  std::string line;
  if (item.kind == kSequenceDelay) {
    line = "DELAY " + FormatNumber(item.value, 10, 0);
  } else if (item.kind == kSequenceParameter) {
    line = "PARAM " + FormatNumber(item.value, 16, 2);
  } else {
    line = "COMMAND " + FormatNumber(item.value, 16, 0);
  }
  if (!item.label.empty()) line += "  ( " + item.label + " )";
  return line;
}

}  // namespace k7q
