#include "settings/settings_text.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "chipmodel/labels.h"
#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "config/chip62500.h"
#include "settings/settings_values.h"

namespace k7q {

namespace {

constexpr const char* kRegisterListField = "registerList";
constexpr const char* kDescriptionField = "configDescription";

// A block field that a "block NAME = VALUE" line sets.
struct BlockField {
  const char* name;
  size_t offset;
  size_t size;
  bool hex;
};

constexpr BlockField kBlockFields[] = {
    {"frameRate", offsetof(HalStruct, frameRate), 2, false},
    {"internalOsc", offsetof(HalStruct, internalOsc), 4, false},
    {"clki", offsetof(HalStruct, clki), 4, false},
    {"pclk", offsetof(HalStruct, pclk), 4, false},
    {"width", offsetof(HalStruct, width), 2, false},
    {"height", offsetof(HalStruct, height), 2, false},
    {"bitsPerPixel", offsetof(HalStruct, bitsPerPixel), 2, false},
    {"baseAddress", offsetof(HalStruct, baseAddress), 4, true},
    {"registerOffset", offsetof(HalStruct, registerOffset), 4, true},
    {"memoryOffset", offsetof(HalStruct, memoryOffset), 4, true},
    {"requiredVram", offsetof(HalStruct, requiredVram), 4, false},
    {"flags", offsetof(HalStruct, flags), 4, true},
};

uint32_t FieldValue(const HalStruct& block, const BlockField& field) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&block) + field.offset;
  if (field.size == 2) {
    uint16_t v = 0;
    std::memcpy(&v, bytes, 2);
    return v;
  }
  uint32_t v = 0;
  std::memcpy(&v, bytes, 4);
  return v;
}

void SetField(HalStruct& block, const BlockField& field, uint32_t value) {
  auto* bytes = reinterpret_cast<unsigned char*>(&block) + field.offset;
  if (field.size == 2) {
    const auto v = static_cast<uint16_t>(value);
    std::memcpy(bytes, &v, 2);
  } else {
    std::memcpy(bytes, &value, 4);
  }
}

std::string FieldText(const HalStruct& block, const BlockField& field) {
  const uint32_t value = FieldValue(block, field);
  return field.hex ? StringPrintf("0x%08X", value) : StringPrintf("%u", value);
}

const BlockField* FindBlockField(std::string_view name) {
  for (const BlockField& field : kBlockFields)
    if (name == field.name) return &field;
  return nullptr;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// ---- lines ----

enum class EntryKind { kFeature, kRegister, kBlockField, kRegisterList };

struct Entry {
  EntryKind kind = EntryKind::kFeature;
  size_t line = 0;
  std::string name;    // keyname or block field name
  uint32_t index = 0;  // register
  std::string value;
};

// Where the first byte that cannot be UTF-8 text is: its line, or 0.
size_t NonTextLine(std::string_view text) {
  size_t line = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') ++line;
    if (c == 0) return line;
    if (c < 0x80) continue;
    const size_t more = (c & 0xE0) == 0xC0   ? 1
                        : (c & 0xF0) == 0xE0 ? 2
                        : (c & 0xF8) == 0xF0 ? 3
                                             : 0;
    if (more == 0 || c == 0xC0 || c == 0xC1) return line;
    for (size_t k = 1; k <= more; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
        return line;
    }
    i += more;
  }
  return 0;
}

std::optional<Entry> ParseLine(Chip62500& chip, std::string_view raw, size_t line,
                               std::string* error) {
  const size_t equals = raw.find('=');
  const std::string_view left = TrimBlanks(raw.substr(0, equals));
  if (equals == std::string_view::npos || left.empty()) {
    *error =
        "malformed line: expected 'keyname = value', 'register XXXX = YY' or "
        "'block NAME = VALUE'";
    return std::nullopt;
  }
  const std::optional<std::string> value = UnquoteValue(TrimBlanks(raw.substr(equals + 1)));
  if (!value) {
    *error = "malformed quoted value";
    return std::nullopt;
  }
  Entry entry;
  entry.line = line;
  entry.value = *value;
  const size_t blank = left.find_first_of(" \t");
  if (blank == std::string_view::npos) {
    entry.name = std::string(left);
    uint32_t position = 0;
    if (!chip.FindFeature(entry.name, &position)) {
      *error = "unknown feature '" + entry.name + "'";
      return std::nullopt;
    }
    if (chip.IsFeatureReadOnly(entry.name)) {
      *error = "cannot set " + entry.name + ": the feature is read-only";
      return std::nullopt;
    }
    return entry;
  }
  const std::string_view word = left.substr(0, blank);
  const std::string_view name = TrimBlanks(left.substr(blank));
  if (word == "register") {
    entry.kind = EntryKind::kRegister;
    const std::optional<uint32_t> index = ReadWholeNumber(name, 16);
    if (!index || *index > 0xFFFF || name.size() > 4) {
      *error = "bad register index '" + std::string(name) + "'";
      return std::nullopt;
    }
    entry.index = *index;
    entry.name = StringPrintf("register %04X", *index);
    return entry;
  }
  if (word == "block") {
    entry.name = std::string(name);
    if (entry.name == kRegisterListField) {
      entry.kind = EntryKind::kRegisterList;
    } else if (entry.name == kDescriptionField || FindBlockField(entry.name)) {
      entry.kind = EntryKind::kBlockField;
    } else {
      *error = "unknown block field '" + entry.name + "'";
      return std::nullopt;
    }
    entry.name = "block " + entry.name;
    return entry;
  }
  *error =
      "malformed line: expected 'keyname = value', 'register XXXX = YY' or "
      "'block NAME = VALUE'";
  return std::nullopt;
}

// The lines that set something, each key once; errors for the others.
std::vector<Entry> ParseEntries(Chip62500& chip, std::string_view text,
                                std::vector<SettingsError>& errors) {
  std::vector<Entry> entries;
  if (const size_t bad = NonTextLine(text)) {
    errors.push_back({bad, "not a text file: the line holds a byte that is not UTF-8 text"});
    return entries;
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::map<std::string, size_t> firstLine;
  size_t line = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view raw = TrimBlanks(text.substr(start, end - start));
    start = end + 1;
    ++line;
    if (raw.empty() || raw.front() == '#') continue;
    std::string error;
    std::optional<Entry> entry = ParseLine(chip, raw, line, &error);
    if (!entry) {
      errors.push_back({line, error});
      continue;
    }
    const auto [at, fresh] = firstLine.emplace(Lower(entry->name), line);
    if (!fresh) {
      errors.push_back({line, StringPrintf("duplicate key '%s' (first on line %zu)",
                                           entry->name.c_str(), at->second)});
      continue;
    }
    entries.push_back(std::move(*entry));
  }
  return entries;
}

// ---- applying ----

std::vector<uint16_t> RegisterIndices(Chip62500& chip) {
  std::vector<uint16_t> indices;
  for (uint32_t p = 0; p < chip.BlockRegisterCount(); ++p) {
    uint32_t index = 0;
    if (chip.BlockIndexAt(p, &index)) indices.push_back(static_cast<uint16_t>(index));
  }
  return indices;
}

std::string IndexListText(const std::vector<uint16_t>& indices) {
  std::string text;
  for (uint16_t index : indices) text += StringPrintf(text.empty() ? "%04X" : " %04X", index);
  return text;
}

// The block's register list with these indices; a register keeps its value when it
// was in the list, else it takes its default. A longer list overwrites the end marker and
// the pairs after it.
bool SetRegisterList(Chip62500& chip, std::string_view text, std::string* error) {
  std::vector<uint16_t> indices;
  size_t i = 0;
  while (i < text.size()) {
    const size_t end = std::min(text.find(' ', i), text.size());
    const std::string_view word = text.substr(i, end - i);
    i = end + 1;
    if (word.empty()) continue;
    const std::optional<uint32_t> index = ReadWholeNumber(word, 16);
    if (!index || *index >= kEndOfTable || word.size() > 4) {
      *error = "bad register index '" + std::string(word) + "'";
      return false;
    }
    indices.push_back(static_cast<uint16_t>(*index));
  }
  if (indices.size() > kHalMaxRegisters) {
    *error = StringPrintf("more than %zu registers", kHalMaxRegisters);
    return false;
  }
  if (indices == RegisterIndices(chip)) return true;
  HalStruct block = chip.Block();
  std::vector<bool> used(chip.BlockRegisterCount(), false);
  for (size_t n = 0; n < indices.size(); ++n) {
    uint16_t value = static_cast<uint16_t>(chip.RegisterDefault(indices[n], false));
    for (uint32_t p = 0; p < used.size(); ++p) {
      if (used[p] || chip.Block().registers[p].index != indices[n]) continue;
      used[p] = true;
      value = chip.Block().registers[p].value;
      break;
    }
    block.registers[n] = {indices[n], value};
  }
  // The pairs after the end marker keep their bytes.
  if (indices.size() < kHalRegisterPairs) block.registers[indices.size()] = {kEndOfTable, 0};
  chip.LoadBlock(block);
  return true;
}

bool SetRegisterValue(Chip62500& chip, const Entry& entry, std::string* error) {
  const std::optional<uint32_t> value = ReadWholeNumber(entry.value, 16);
  if (!value) {
    *error = "not a hexadecimal number";
    return false;
  }
  const uint32_t bits = std::max(2u, chip.RegisterHexDigits(entry.index, false)) * 4;
  if (bits < 32 && (*value >> bits) != 0) {
    *error = StringPrintf("out of range: does not fit %u bits", bits);
    return false;
  }
  if (!chip.WriteRegister(entry.index, false, *value)) {
    *error = "the register is not in the block's register list";
    return false;
  }
  return true;
}

// All bytes of the description field, without the zeros at its end.
std::string DescriptionBytes(const HalStruct& block) {
  std::string bytes(block.configDescription, sizeof block.configDescription);
  while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return bytes;
}

bool SetDescriptionBytes(Chip62500& chip, const std::string& bytes, std::string* error) {
  HalStruct block = chip.Block();
  if (bytes.size() > sizeof block.configDescription) {
    *error = StringPrintf("longer than %zu bytes", sizeof block.configDescription);
    return false;
  }
  if (bytes == DescriptionBytes(block)) return true;
  std::memset(block.configDescription, 0, sizeof block.configDescription);
  std::memcpy(block.configDescription, bytes.data(), bytes.size());
  chip.LoadBlock(block);
  return true;
}

bool SetBlockField(Chip62500& chip, const Entry& entry, std::string* error) {
  const std::string name = entry.name.substr(6);  // after "block "
  if (name == kDescriptionField) return SetDescriptionBytes(chip, entry.value, error);
  const BlockField& field = *FindBlockField(name);
  const std::optional<uint32_t> value = ReadWholeNumber(entry.value, 10);
  if (!value) {
    *error = "not a number";
    return false;
  }
  if (field.size == 2 && *value > 0xFFFF) {
    *error = "out of range: must be between 0 and 65535";
    return false;
  }
  if (FieldValue(chip.Block(), field) == *value) return true;
  HalStruct block = chip.Block();
  SetField(block, field, *value);
  chip.LoadBlock(block);
  return true;
}

// In this order: the register list, the features in line order, the registers, the
// block fields; the later lines thus carry exactly what the value texts cannot.
std::string ShownText(Chip62500& chip, const std::string& key) {
  const char* text = chip.GetValueText(key, true);
  return text ? text : "";
}

std::string EntryText(const Entry& entry) {
  return entry.name + " = " + entry.value;
}

void ApplyEntries(Chip62500& chip, const std::vector<Entry>& entries,
                  std::vector<SettingsError>& errors) {
  std::map<size_t, std::string> shownAfterLine;
  // For each feature line, the first entry applied after it that changed its value.
  std::map<size_t, const Entry*> changedBy;
  std::vector<const Entry*> watched;  // feature lines not yet changed by a later one
  auto noteChanges = [&](const Entry& applied) {
    for (auto it = watched.begin(); it != watched.end();) {
      if (ShownText(chip, (*it)->name) != shownAfterLine[(*it)->line]) {
        changedBy[(*it)->line] = &applied;
        it = watched.erase(it);
      } else {
        ++it;
      }
    }
  };
  for (EntryKind kind : {EntryKind::kRegisterList, EntryKind::kFeature, EntryKind::kRegister,
                         EntryKind::kBlockField}) {
    for (const Entry& entry : entries) {
      if (entry.kind != kind) continue;
      std::string error;
      bool ok = false;
      switch (kind) {
        case EntryKind::kRegisterList:
          ok = SetRegisterList(chip, entry.value, &error);
          break;
        case EntryKind::kFeature:
          ok = SetFeatureText(chip, entry.name, entry.value, &error);
          if (!ok) error = "cannot set " + entry.name + " to '" + entry.value + "': " + error;
          noteChanges(entry);
          shownAfterLine[entry.line] = ShownText(chip, entry.name);
          watched.push_back(&entry);
          break;
        case EntryKind::kRegister:
          ok = SetRegisterValue(chip, entry, &error);
          if (!ok) error = "cannot set " + entry.name + " to '" + entry.value + "': " + error;
          break;
        case EntryKind::kBlockField:
          ok = SetBlockField(chip, entry, &error);
          if (!ok) error = "cannot set " + entry.name + " to '" + entry.value + "': " + error;
          break;
      }
      if (!ok) errors.push_back({entry.line, error});
      if (kind != EntryKind::kFeature) noteChanges(entry);
    }
  }
  // A value that a later line changes again would not be stored as the file says.
  for (const Entry& entry : entries) {
    if (entry.kind != EntryKind::kFeature) continue;
    const std::string shown = ShownText(chip, entry.name);
    if (shown == entry.value || shown == shownAfterLine[entry.line]) continue;
    const auto by = changedBy.find(entry.line);
    const std::string later =
        by == changedBy.end()
            ? std::string("a later line")
            : StringPrintf("line %zu ('%s')", by->second->line, EntryText(*by->second).c_str());
    errors.push_back({entry.line, "cannot set " + entry.name + " to '" + entry.value +
                                      "': " + later + " changes it to '" + shown + "'"});
  }
}

// ---- writing ----

// The features a settings file may hold, in the chip definition's order.
std::vector<std::string> SettableFeatures(Chip62500& chip) {
  std::vector<std::string> keys;
  std::set<std::string> seen;
  for (const FeatureRecord& f : chip.Tables().features) {
    if (!f.keyname || !chip.IsApplicable(f.existsFor)) continue;
    if (!seen.insert(Lower(*f.keyname)).second) continue;
    if (!chip.IsFeatureReadOnly(*f.keyname)) keys.push_back(*f.keyname);
  }
  return keys;
}

// The built-in block with every register value and block field 0: what is left in it
// after applying a full dump shows what the value texts do not carry.
void LoadZeroBlock(Chip62500& chip) {
  HalStruct block = chip.Block();
  for (const BlockField& field : kBlockFields) SetField(block, field, 0);
  for (uint32_t p = 0; p < chip.BlockRegisterCount(); ++p) block.registers[p].value = 0;
  chip.LoadBlock(block);
}

void AppendSetting(std::string& out, const std::string& label, const std::string& line) {
  if (!label.empty()) out += "# " + label + "\n";
  out += line + "\n";
}

}  // namespace

std::string WriteSettings(Chip62500& chip, bool changedOnly) {
  Chip62500 base;
  // What the lines written so far give when applied to the built-in block and, for a
  // full dump, to a block of zeros: the full dump thus sets every bit itself.
  Chip62500 fromBase;
  Chip62500 fromZero;
  std::vector<Chip62500*> results{&fromBase};
  if (!changedOnly) results.push_back(&fromZero);

  const std::vector<uint16_t> indices = RegisterIndices(chip);
  std::string blockLines;
  if (indices != RegisterIndices(base)) {
    std::string error;
    for (Chip62500* result : results) SetRegisterList(*result, IndexListText(indices), &error);
    AppendSetting(blockLines, "The block's register list",
                  std::string("block ") + kRegisterListField + " = " + IndexListText(indices));
  }
  if (!changedOnly) LoadZeroBlock(fromZero);

  std::string out;
  for (const std::string& key : SettableFeatures(chip)) {
    const char* shown = chip.GetValueText(key, true);
    if (!shown) continue;
    const std::string text = shown;
    const char* baseText = base.GetValueText(key, true);
    if (changedOnly && baseText && text == baseText) continue;
    const std::string label = FeatureLabel(chip, key, kLabelName).value_or("");
    std::string error;
    bool applies = true;
    for (Chip62500* result : results)
      applies = SetFeatureText(*result, key, text, &error) && applies;
    const std::string line = key + " =" + (text.empty() ? "" : " " + QuoteValue(text));
    // The register and block lines below carry a value that cannot be set by its text.
    AppendSetting(out, label, applies ? line : "# " + line + "  (" + error + ")");
  }

  auto differs = [&](auto value) {
    return std::any_of(results.begin(), results.end(),
                       [&](Chip62500* result) { return value(chip) != value(*result); });
  };
  for (uint32_t p = 0; p < indices.size(); ++p) {
    if (!differs([p](Chip62500& c) { return c.BlockValueAt(p); })) continue;
    const uint32_t digits = std::max(2u, chip.RegisterHexDigits(indices[p], false));
    AppendSetting(out, RegisterLabel(chip, indices[p], kLabelName).value_or(""),
                  StringPrintf("register %04X = %0*X", indices[p], static_cast<int>(digits),
                               chip.BlockValueAt(p)));
  }
  for (const BlockField& field : kBlockFields) {
    if (!differs([&field](Chip62500& c) { return FieldValue(c.Block(), field); })) continue;
    AppendSetting(blockLines, "",
                  std::string("block ") + field.name + " = " + FieldText(chip.Block(), field));
  }
  // Bytes after the description's end, as some images carry them.
  if (differs([](Chip62500& c) { return DescriptionBytes(c.Block()); })) {
    AppendSetting(blockLines, "",
                  std::string("block ") + kDescriptionField + " = " +
                      QuoteValue(DescriptionBytes(chip.Block())));
  }
  if (!blockLines.empty()) out += "# Block fields\n" + blockLines;
  if (out.empty()) return out;
  return std::string("# 62500 settings") +
         (changedOnly ? " (only what differs from the built-in block)\n" : "\n") + out;
}

std::vector<BlockFieldValue> SettingsBlockFields(const Chip62500& chip) {
  std::vector<BlockFieldValue> fields;
  for (const BlockField& field : kBlockFields)
    fields.push_back({field.name, FieldText(chip.Block(), field)});
  return fields;
}

std::vector<SettingsError> ApplySettings(Chip62500& chip, std::string_view text) {
  std::vector<SettingsError> errors;
  const std::vector<Entry> entries = ParseEntries(chip, text, errors);
  // Every line is tried on a copy first, so that all errors are found and the chip is
  // changed only when every line is good.
  Chip62500 trial;
  trial.LoadBlock(chip.Block());
  ApplyEntries(trial, entries, errors);
  std::sort(errors.begin(), errors.end(),
            [](const SettingsError& a, const SettingsError& b) { return a.line < b.line; });
  if (errors.empty()) ApplyEntries(chip, entries, errors);
  return errors;
}

}  // namespace k7q
