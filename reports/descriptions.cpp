#include "reports/descriptions.h"

#include "chipmodel/bit_utils.h"
#include "chipmodel/chip_engine.h"
#include "chipmodel/labels.h"
#include "chipmodel/text_format.h"

namespace k7q {

namespace {

const char* const kSpanSuffixes[] = {"LSB", "ISB", "MSB"};

std::string Label(ChipEngine& chip, std::string_view keyname, uint32_t flags) {
  return FeatureLabel(chip, keyname, flags).value_or("");
}

std::string Copy(const char* text) {
  return text ? std::string(text) : std::string();
}

// " + 1" for the operator text "+1".
std::string OperatorText(const std::string& op) {
  if (op.empty()) return {};
  return StringPrintf(" %c %s", op[0], op.substr(1).c_str());
}

struct Compositions {
  std::string location;
  std::string raw;  // empty: not shown
};

Compositions ComposeLocation(ChipEngine& chip, std::string_view keyname, const FeatureRecord& f) {
  Compositions c;
  if (!f.span) {
    c.location = Label(chip, keyname, kLabelLocation | kLabelShort);
    if (f.registerIndex != kNoRegister && !f.writeOnly) {
      c.raw = StringPrintf("%Xh", chip.GetRawValue(keyname));
    }
    return c;
  }
  int shift = 0;
  for (const char* suffix : kSpanSuffixes) {
    const std::string part = std::string(keyname) + suffix;
    const FeatureRecord* p = chip.Feature(part);
    if (!p) continue;
    const int width = FieldWidth(p->mask);
    const std::string location = Label(chip, part, kLabelLocation | kLabelShort);
    const std::string raw = StringPrintf("%Xh<<%d", chip.GetRawValue(part), shift);
    if (!c.location.empty()) c.location += " + ";
    c.location += StringPrintf("%s<<%d", location.c_str(), shift);
    if (!c.raw.empty()) c.raw += " + ";
    c.raw += raw;
    shift += width;
  }
  return c;
}

// The composition with the operators: "(x + 1) * 2", "x + 1" or x.
std::string WithOperators(const std::string& composition, const OptText& op1, const OptText& op2) {
  const std::string a = OperatorText(op1.value_or("")), b = OperatorText(op2.value_or(""));
  if (!a.empty() && !b.empty()) return "(" + composition + a + ")" + b;
  return composition + a + b;
}

// Adds a value line; a line wider than limit is broken before its " + " joints, the
// continuation lines indented.
void AddValueLine(const std::string& line, size_t limit, std::vector<std::string>& lines) {
  static const std::string kJoint = " + ";
  std::vector<std::string> pieces;  // every piece but the first starts with the joint
  size_t start = 0;
  for (size_t joint; (joint = line.find(kJoint, start + 1)) != std::string::npos; start = joint) {
    pieces.push_back(line.substr(start, joint - start));
  }
  pieces.push_back(line.substr(start));
  std::string current = pieces[0];
  for (size_t i = 1; i < pieces.size(); ++i) {
    if (current.size() + pieces[i].size() > limit) {
      lines.push_back(current);
      current = "     " + pieces[i];
    } else {
      current += pieces[i];
    }
  }
  lines.push_back(current);
}

void ValueLines(ChipEngine& chip, std::string_view keyname, const FeatureRecord& f, size_t limit,
                std::vector<std::string>& lines) {
  const std::string label = Label(chip, keyname, kLabelName);
  const Compositions c = ComposeLocation(chip, keyname, f);
  const std::string value = Copy(chip.GetValueText(keyname, true));
  switch (f.type) {
    case kTypeNumb:
    case kTypeAddr:
    case kTypeFreq:
      AddValueLine("  " + label + " = " + WithOperators(c.location, f.op1, f.op2), limit, lines);
      if (!c.raw.empty()) {
        AddValueLine("  " + label + " = " + WithOperators(c.raw, f.op1, f.op2) + " = " + value,
                     limit, lines);
      }
      break;
    case kTypeText:
      lines.push_back(StringPrintf("  %s = %s", label.c_str(), c.location.c_str()));
      lines.push_back("  " + label + " = \"" + value + "\"");
      break;
    case kTypeList:
    case kTypeBool:
      lines.push_back(StringPrintf("  %s = %s", label.c_str(), c.location.c_str()));
      if (!f.writeOnly) {
        lines.push_back(StringPrintf("  %s = %Xh (%s)", label.c_str(), chip.GetRawValue(keyname),
                                     value.c_str()));
      }
      break;
    case kTypeSequ:
      lines.push_back(StringPrintf("  %s = %s", label.c_str(), value.c_str()));
      break;
    default:
      break;
  }
}

std::string Range(const ListValueRecord& v, const char* marker) {
  if (v.first == v.last) return StringPrintf("  %Xh%s", v.first, marker);
  return StringPrintf("  %Xh-%Xh%s", v.first, v.last, marker);
}

void PossibleValues(ChipEngine& chip, std::string_view keyname, const FeatureRecord& f,
                    std::vector<std::string>& lines) {
  lines.push_back("Possible Values:");
  if (f.values.empty()) {
    lines.push_back("  0h = " + Copy(chip.FormatRawValue(keyname, 0, true)));
    return;
  }
  for (const ListValueRecord& v : f.values) {
    if (!chip.IsApplicable(v.existsFor)) continue;
    if (!chip.ShowReserved() && v.reservedFor && chip.IsApplicable(v.reservedFor)) continue;
    if (!v.readText && !v.writeText) {
      lines.push_back(Range(v, "") + " = " + v.text.value_or(""));
      continue;
    }
    // A direction without its own text shows the entry's common text.
    const std::string& read = v.readText ? *v.readText : v.text.value_or("");
    const std::string& write = v.writeText ? *v.writeText : v.text.value_or("");
    if (read == write) {
      lines.push_back(Range(v, "") + " = " + read);
      continue;
    }
    if (v.readText) lines.push_back(Range(v, " [ON READ]") + "  = " + *v.readText);
    if (v.writeText) lines.push_back(Range(v, " [ON WRITE]") + " = " + *v.writeText);
  }
}

}  // namespace

std::vector<std::string> WrapText(std::string_view text, size_t limit) {
  if (limit == 0) limit = 1;
  std::vector<std::string> pieces;
  while (!text.empty()) {
    size_t length = text.size();
    if (text.size() > limit) {
      const size_t blank = text.substr(0, limit).rfind(' ');
      length = blank == std::string_view::npos ? limit : blank + 1;
    }
    pieces.emplace_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return pieces;
}

std::optional<std::string> FeatureDescription(ChipEngine& chip, std::string_view keyname) {
  const FeatureRecord* f = chip.Feature(keyname);
  if (!f) return std::nullopt;
  if (f->description && !f->description->empty()) return *f->description;
  std::string base;
  size_t suffix = 0;
  if (!chip.SpanPartBase(f->keyname.value_or(""), &base, &suffix)) return std::string();
  const std::string code = f->keyname->substr(suffix);
  const char* which = code[0] == 'M' ? "Most" : code[0] == 'L' ? "Least" : "Intermediate";
  return StringPrintf("The %s Significant Bits (%s) of the %s.", which, code.c_str(),
                      Label(chip, base, kLabelName).c_str());
}

std::string FeatureValueSummary(ChipEngine& chip, std::string_view keyname) {
  const FeatureRecord* f = chip.Feature(keyname);
  if (!f) return {};
  const bool writeOnly = f->writeOnly;
  const bool text = f->type == kTypeText;
  std::string summary = Label(chip, keyname, kLabelName | kLabelMarkers);
  const char* value = writeOnly ? nullptr : chip.GetValueText(keyname, true);
  if (!value) return summary;
  const std::string shown = *value == '\0' ? "(empty)"
                            : text         ? "\"" + std::string(value) + "\""
                                           : std::string(value);
  return summary + "  =  " + shown;
}

void FeatureDetails(ChipEngine& chip, std::string_view keyname, std::string& out,
                    std::string_view valueSummary, std::string_view lineBreak,
                    std::string_view indent, size_t width) {
  const FeatureRecord* found = chip.Feature(keyname);
  if (!found) return;
  const FeatureRecord f = *found;
  std::vector<std::string> lines;
  if (!valueSummary.empty()) lines.emplace_back(valueSummary);
  lines.push_back(Label(chip, keyname, kLabelName | kLabelMarkers));
  const std::string description = FeatureDescription(chip, keyname).value_or("");
  const size_t limit = width > indent.size() ? width - indent.size() : 1;
  for (std::string& piece : WrapText(description, limit)) lines.push_back(std::move(piece));
  ValueLines(chip, keyname, f, limit, lines);
  if (f.type == kTypeList || f.type == kTypeBool) PossibleValues(chip, keyname, f, lines);

  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      out += lineBreak;
      out += indent;
    }
    out += lines[i];
  }
}

}  // namespace k7q
