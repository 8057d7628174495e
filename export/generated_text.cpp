#include "export/generated_text.h"

#include "chipmodel/chip_engine.h"
#include "chipmodel/labels.h"
#include "chipmodel/text_format.h"

namespace k7q {

const char* const kNoticeLines[2] = {
    "Copyright (c) 1999, 2026 ORVIX Corporation.",
    "All Rights Reserved.",
};

std::string RuleText() {
  return std::string(66, '=');
}

std::string RegisterName(ChipEngine& chip, uint32_t index) {
  return RegisterLabel(chip, index, kLabelMacro).value_or("");
}

std::string RegisterDescription(ChipEngine& chip, uint32_t index) {
  return RegisterLabel(chip, index, kLabelName | kLabelMarkers).value_or("");
}

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

std::string EscapeCString(std::string_view text, bool terminated) {
  static const char kControlLetters[] = "abtnvfr";
  std::string out;
  const size_t count = text.size() + (terminated ? 1 : 0);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    if (c >= 7 && c <= 13) {
      out += '\\';
      out += kControlLetters[c - 7];
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c >= 32 && c <= 126) {
      out += static_cast<char>(c);
    } else {
      out += StringPrintf("\\x%02X", c);
      if (i + 1 < text.size() && IsHexDigit(text[i + 1])) out += "\" \"";
    }
  }
  return out;
}

}  // namespace k7q
