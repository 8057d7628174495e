#include "chipmodel/labels.h"

#include "chipmodel/bit_utils.h"
#include "chipmodel/chip_engine.h"
#include "chipmodel/text_format.h"

namespace k7q {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

void DropTrailingBlank(std::string& text) {
  if (!text.empty() && text.back() == ' ') text.pop_back();
}

std::string Markers(bool readOnly, bool writeOnly, bool reserved, bool shortForm) {
  if (!readOnly && !writeOnly && !reserved) return {};
  std::string text = "[";
  if (readOnly) {
    text += shortForm ? "RO," : "READONLY,";
  } else if (writeOnly) {
    text += shortForm ? "WO," : "WRITEONLY,";
  }
  if (reserved) text += shortForm ? "RSVD," : "RESERVED,";
  text.back() = ']';
  return text + " ";
}

}  // namespace

std::optional<std::string> FeatureLabel(ChipEngine& chip, std::string_view keyname,
                                        uint32_t flags) {
  const FeatureRecord* found = chip.Feature(keyname);
  if (!found) return std::nullopt;
  const FeatureRecord f = *found;
  const std::string key = f.keyname.value_or("");
  if (flags & kLabelMacro) return "FEATURE_" + Upper(key);

  const bool shortForm = flags & kLabelShort;
  std::string text;
  if (flags & kLabelName) {
    std::string base;
    if (f.name && !f.name->empty()) {
      text += *f.name + " ";
    } else if (chip.SpanPartBase(key, &base, nullptr)) {
      const auto spanned = FeatureLabel(chip, base, flags & (kLabelName | kLabelShort));
      text += StringPrintf("%s (%s) ", spanned.value_or("").c_str(),
                           key.substr(key.size() - 3).c_str());
    }
  }
  int top, lowest;
  FieldRun(f.mask, &top, &lowest);
  if (flags & kLabelBits) {
    if (top == lowest) {
      text += StringPrintf(shortForm ? "b%d" : "Bit%d", lowest);
    } else {
      text += StringPrintf(shortForm ? "b%d:%d" : "Bits %d:%d", top, lowest);
    }
    text += " ";
  } else if (flags & kLabelLocation) {
    if (flags & kLabelName) text += "(";
    if (f.span) {
      text += "REG[SPAN]";
      if (f.needsCode) text += "+CODE";
    } else if (f.registerIndex == kNoRegister) {
      text += "CODE";
    } else {
      text +=
          StringPrintf("REG[%0*Xh", static_cast<int>(chip.RegisterIndexWidth()), f.registerIndex);
      if (top == 15 && lowest == 0) {
        text += "]";
      } else if (top == lowest) {
        text += StringPrintf(shortForm ? "-b%d]" : "] Bit %d", lowest);
      } else {
        text += StringPrintf(shortForm ? "-b%d:%d]" : "] Bits %d:%d", top, lowest);
      }
      if (f.needsCode) text += "+CODE";
    }
    if (flags & kLabelName) text += ")";
    text += " ";
  }
  if (flags & kLabelMarkers) {
    const bool reserved = f.reservedFor && chip.IsApplicable(f.reservedFor);
    text += Markers(f.readOnly, f.writeOnly, reserved, shortForm);
  }
  DropTrailingBlank(text);
  return text;
}

std::optional<std::string> RegisterLabel(ChipEngine& chip, uint32_t index, uint32_t flags) {
  uint32_t position;
  if (!chip.FindRegister(index, false, &position)) return std::nullopt;
  const RegisterRecord& r = chip.Tables().registers[position];
  const int width = static_cast<int>(chip.RegisterIndexWidth());
  if (flags & kLabelMacro) {
    if (r.pseudo) return "REGFLAG_" + Upper(r.keyname.value_or(""));
    return StringPrintf("REG%0*X_", width, index) + Upper(r.keyname.value_or(""));
  }
  std::string text;
  if (flags & kLabelLocation) text += StringPrintf("REG[%0*Xh]", width, index);
  if (flags & kLabelName) {
    if (!text.empty()) text += " ";
    text += r.name.value_or("");
  }
  if (flags & kLabelMarkers) {
    const std::string markers =
        Markers(r.readOnly, r.writeOnly, r.reservedFor && chip.IsApplicable(r.reservedFor),
                flags & kLabelShort);
    if (!text.empty() && !markers.empty()) text += " ";
    text += markers;
  }
  DropTrailingBlank(text);
  return text;
}

}  // namespace k7q
