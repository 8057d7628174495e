#include "reports/quick_reference.h"

#include <algorithm>
#include <vector>

#include "chipmodel/chip_engine.h"
#include "chipmodel/labels.h"
#include "chipmodel/product_names.h"
#include "chipmodel/text_format.h"
#include "reports/descriptions.h"

namespace k7q {

namespace {

constexpr const char* kNote =
    "This reference is to be used as a quick reference only. Please refer to the Hardware "
    "Functional Specification for details on each register.";
constexpr size_t kNoteIndent = 20;
constexpr size_t kCellWidth = 9;
constexpr const char* kUnclaimedCell = "::::::::|";

struct DrawnField {
  std::string label;
  uint32_t mask;
};

// Fields of the diagram in table order; the first feature that claims a bit owns it.
std::vector<DrawnField> DrawnFields(ChipEngine& chip, uint32_t index) {
  std::vector<DrawnField> fields;
  for (const FeatureRecord& f : chip.Tables().features) {
    if (f.registerIndex != index || f.overlap || !chip.IsApplicable(f.existsFor)) continue;
    const bool reserved = f.reservedFor && chip.IsApplicable(f.reservedFor);
    if (reserved && !chip.ShowReserved()) continue;
    fields.push_back({reserved ? "RESERVED" : f.keyname.value_or(""), f.mask});
  }
  return fields;
}

// Splits a label over the two label lines of a field of the given width: after the
// last '-' or '_' that fits, else at the width.
void SplitLabel(const std::string& label, size_t width, std::string* first, std::string* second) {
  if (label.size() <= width) {
    *first = label;
    second->clear();
    return;
  }
  size_t split = width;
  const size_t mark = label.substr(0, width).find_last_of("-_");
  if (mark != std::string::npos && mark > 0) split = mark + 1;
  *first = label.substr(0, split);
  *second = label.substr(split, width);
}

void AppendDiagram(ChipEngine& chip, uint32_t index, uint32_t bitWidth, std::string& out,
                   std::string_view lineBreak, size_t width) {
  if (bitWidth == 0 || bitWidth > 32) return;
  const std::vector<DrawnField> fields = DrawnFields(chip, index);
  std::vector<int> owner(bitWidth, -1);
  for (uint32_t bit = 0; bit < bitWidth; ++bit) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].mask & (1u << bit)) {
        owner[bit] = static_cast<int>(i);
        break;
      }
    }
  }
  size_t perRow = width > 0 ? (width - 1) / kCellWidth / 8 * 8 : 0;
  if (perRow < 8) perRow = 8;
  const uint32_t rowBits = bitWidth <= perRow ? bitWidth : static_cast<uint32_t>(perRow);
  const uint32_t rows = (bitWidth + rowBits - 1) / rowBits;

  for (uint32_t row = 0; row < rows; ++row) {
    const int high = static_cast<int>(bitWidth - 1 - row * rowBits);
    const int low = std::max(0, high - static_cast<int>(rowBits) + 1);
    std::string border = "+", first, second, numbers = "+";
    const bool continued =
        high + 1 < static_cast<int>(bitWidth) && owner[high] >= 0 && owner[high + 1] == owner[high];
    first = second = continued ? ":" : "|";
    for (int bit = high; bit >= low;) {
      if (owner[bit] < 0) {
        first += kUnclaimedCell;
        second += kUnclaimedCell;
        --bit;
        continue;
      }
      int end = bit;
      while (end - 1 >= low && owner[end - 1] == owner[bit]) --end;
      const size_t fieldWidth = (bit - end + 1) * kCellWidth - 1;
      const bool continues = end == low && low > 0 && owner[low - 1] == owner[bit];
      std::string top, bottom;
      SplitLabel(fields[owner[bit]].label, fieldWidth, &top, &bottom);
      first += PadField(static_cast<int>(fieldWidth), top) + (continues ? ":" : "|");
      second += PadField(static_cast<int>(fieldWidth), bottom) + (continues ? ":" : "|");
      bit = end - 1;
    }
    for (int bit = high; bit >= low; --bit) {
      border += "--------+";
      numbers += bit < 10 ? StringPrintf("----%d---+", bit) : StringPrintf("---%d---+", bit);
    }
    for (const std::string* line : {&border, &first, &second, &numbers}) {
      out += lineBreak;
      out += *line;
    }
  }
}

// True when the feature is a span part whose details belong under its spanned feature;
// base then names the spanned feature, and describe tells whether this part is the one.
bool SpanPartOf(ChipEngine& chip, const std::string& keyname, std::string* base, bool* describe) {
  size_t suffix = 0;
  if (!chip.SpanPartBase(keyname, base, &suffix)) return false;
  const FeatureRecord* spanned = chip.Feature(*base);
  if (!spanned || !spanned->span) return false;
  *describe = keyname.compare(suffix, std::string::npos, "MSB") == 0;
  return true;
}

void AppendFeatureDetails(ChipEngine& chip, uint32_t index, std::string& out,
                          std::string_view lineBreak, size_t width) {
  std::vector<std::string> names;
  for (const FeatureRecord& f : chip.Tables().features) {
    if (f.registerIndex != index || !f.keyname || f.mask == kAllBits) continue;
    if (!chip.IsApplicable(f.existsFor)) continue;
    if (f.reservedFor && chip.IsApplicable(f.reservedFor) && !chip.ShowReserved()) continue;
    names.push_back(*f.keyname);
  }
  for (const std::string& keyname : names) {
    std::string name = keyname, base;
    bool describe = true;
    if (SpanPartOf(chip, keyname, &base, &describe)) {
      if (!describe) continue;
      name = base;
    }
    out += lineBreak;
    out += lineBreak;
    FeatureDetails(chip, name, out, FeatureValueSummary(chip, name), lineBreak, "", width);
  }
}

}  // namespace

void RegisterBlock(ChipEngine& chip, uint32_t index, std::string& out, std::string_view lineBreak,
                   size_t width, bool withDiagram, std::optional<uint32_t> blockPosition) {
  const int indexWidth = static_cast<int>(chip.RegisterIndexWidth());
  uint32_t position;
  if (!chip.FindRegister(index, false, &position)) {
    out += StringPrintf("REG[%0*Xh] does not exist for this chip.", indexWidth, index);
    return;
  }
  const RegisterRecord r = chip.Tables().registers[position];
  out += RegisterLabel(chip, index, kLabelName | kLabelLocation | kLabelMarkers).value_or("");
  out += lineBreak;
  if (r.writeOnly) {
    out += "Current=N/A, Default=N/A.";
  } else {
    const int digits = static_cast<int>(chip.RegisterHexDigits(index, false));
    const uint32_t current =
        blockPosition ? chip.ReadRegister(*blockPosition, true) : chip.ReadRegister(index, false);
    out += StringPrintf("Current=%0*Xh, Default=%0*Xh.", digits, current, digits,
                        chip.RegisterDefault(index, false));
  }
  if (withDiagram) AppendDiagram(chip, index, r.bitWidth, out, lineBreak, width);
  AppendFeatureDetails(chip, index, out, lineBreak, width);
}

std::string QuickReference(ChipEngine& chip, std::string_view lineBreak, size_t width) {
  std::string out;
  out += StringPrintf("ORVIX %s Quick Register Reference", ProductTitle(chip).c_str());
  out += lineBreak;
  const size_t limit = width > kNoteIndent ? width - kNoteIndent : 1;
  for (const std::string& piece : WrapText(kNote, limit)) {
    out += lineBreak;
    out += std::string(kNoteIndent, ' ');
    out += piece;
  }
  const std::vector<RegisterRecord> registers = chip.Tables().registers;
  for (const RegisterRecord& r : registers) {
    if (r.pseudo || !chip.IsApplicable(r.existsFor)) continue;
    if (r.reservedFor && chip.IsApplicable(r.reservedFor) && !chip.ShowReserved()) continue;
    for (int i = 0; i < 4; ++i) out += lineBreak;
    RegisterBlock(chip, r.index, out, lineBreak, width);
  }
  out += lineBreak;
  out += lineBreak;
  return out;
}

std::string QuickReference(ChipEngine& chip) {
  return QuickReference(chip, "\n", kQuickReferenceWidth);
}

}  // namespace k7q
