#include "settings/settings_text.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "chipmodel/labels.h"
#include "chipmodel/latin1_text.h"
#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "config/chip62500.h"
#include "settings/register_list_text.h"
#include "settings/settings_values.h"

namespace k7q {

namespace {

constexpr const char* kRegisterListField = "registerList";
constexpr const char* kDescriptionField = "configDescription";
constexpr const char* kListEndField = "registerListEnd";

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

// Keeps the first bad lines by line number, however many there are, and counts the others.
class ErrorCollector {
 public:
  void Add(size_t line, std::string message) {
    ++total_;
    Kept kept{{line, std::move(message)}, total_};
    if (kept_.size() == kShownSettingsErrors) {
      if (!Earlier(kept, kept_.front())) return;
      std::pop_heap(kept_.begin(), kept_.end(), Earlier);
      kept_.pop_back();
    }
    kept_.push_back(std::move(kept));
    std::push_heap(kept_.begin(), kept_.end(), Earlier);
  }
  bool empty() const { return total_ == 0; }
  SettingsReport Report() {
    std::sort_heap(kept_.begin(), kept_.end(), Earlier);
    SettingsReport report;
    for (Kept& k : kept_) report.errors.push_back(std::move(k.error));
    report.notShown = total_ - report.errors.size();
    return report;
  }

 private:
  struct Kept {
    SettingsError error;
    size_t order;
  };
  static bool Earlier(const Kept& a, const Kept& b) {
    return a.error.line != b.error.line ? a.error.line < b.error.line : a.order < b.order;
  }
  std::vector<Kept> kept_;  // a heap whose top is the latest kept
  size_t total_ = 0;
};

// ---- lines ----

enum class EntryKind { kFeature, kRegister, kBlockField, kRegisterList };

struct Entry {
  EntryKind kind = EntryKind::kFeature;
  size_t line = 0;
  std::string name;    // keyname or block field name
  uint32_t index = 0;  // register
  std::string value;
};

// The line of the first byte that cannot be UTF-8 text, or 0.
size_t NonTextLine(std::string_view text) {
  const size_t bad = std::min(text.find('\0'), FirstNonUtf8Byte(text));
  if (bad == std::string_view::npos) return 0;
  return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + bad, '\n'));
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
  // The value's characters are the block's 8-bit characters; a \xHH escape is U+00HH.
  const std::string_view typed = TrimBlanks(raw.substr(equals + 1));
  std::string reason;
  const std::optional<std::string> bytes = Utf8ToLatin1(typed, &reason);
  if (!bytes) {
    *error = "cannot set " + std::string(left) + " to '" + std::string(typed) + "': " + reason;
    return std::nullopt;
  }
  const std::optional<std::string> value = UnquoteValue(*bytes);
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
    } else if (entry.name == kDescriptionField || entry.name == kListEndField ||
               FindBlockField(entry.name)) {
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
std::vector<Entry> ParseEntries(Chip62500& chip, std::string_view text, ErrorCollector& errors) {
  std::vector<Entry> entries;
  if (const size_t bad = NonTextLine(text)) {
    errors.Add(bad, "not a text file: the line holds a byte that is not UTF-8 text");
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
      errors.Add(line, error);
      continue;
    }
    const auto [at, fresh] = firstLine.emplace(Lower(entry->name), line);
    if (!fresh) {
      errors.Add(line, StringPrintf("duplicate key '%s' (first on line %zu)", entry->name.c_str(),
                                    at->second));
      continue;
    }
    entries.push_back(std::move(*entry));
  }
  return entries;
}

// ---- applying ----

// A register line acts on the register's last pair in the list.
bool SetRegisterValue(Chip62500& chip, const Entry& entry, const std::vector<ListItem>& list,
                      std::string* error) {
  const std::optional<uint32_t> value = ReadWholeNumber(entry.value, 16);
  if (!value) {
    *error = "not a hexadecimal number";
    return false;
  }
  const uint32_t bits = RegisterLineBits(chip, entry.index);
  if ((*value >> bits) != 0) {
    *error = StringPrintf("out of range: does not fit %u bits", bits);
    return false;
  }
  uint32_t position = 0;
  if (!chip.FindBlockPosition(entry.index, &position, false)) {
    *error = "the register is not in the block's register list";
    return false;
  }
  if (position < list.size() && list[position].value) {
    *error = "block registerList gives the value of this pair";
    return false;
  }
  chip.WriteRegister(entry.index, false, *value);
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
  if (name == kListEndField) return SetListEnd(chip, entry.value, error);
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

std::string ShownText(Chip62500& chip, const std::string& key) {
  const char* text = chip.GetValueText(key, true);
  return text ? text : "";
}

std::string EntryText(const Entry& entry) {
  return entry.name + " = " + Latin1ToUtf8(entry.value);
}

std::string Refusal(const Entry& entry, const std::string& reason) {
  return "cannot set " + entry.name + " to '" + Latin1ToUtf8(entry.value) + "': " + reason;
}

// In this order: the register list, the features in line order, the registers, the
// block fields, the values the register list gives; the later lines thus carry exactly
// what the value texts cannot.
void ApplyEntries(Chip62500& chip, const std::vector<Entry>& entries, ErrorCollector& errors) {
  const Entry* listEntry = nullptr;
  std::vector<ListItem> list;
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
          if (const auto items = ReadRegisterList(entry.value, &error)) {
            SetRegisterList(chip, *items);
            listEntry = &entry;
            list = *items;
            ok = true;
          }
          break;
        case EntryKind::kFeature:
          ok = SetFeatureText(chip, entry.name, entry.value, &error);
          if (!ok) error = Refusal(entry, error);
          noteChanges(entry);
          shownAfterLine[entry.line] = ShownText(chip, entry.name);
          watched.push_back(&entry);
          break;
        case EntryKind::kRegister:
          ok = SetRegisterValue(chip, entry, list, &error);
          if (!ok) error = Refusal(entry, error);
          break;
        case EntryKind::kBlockField:
          ok = SetBlockField(chip, entry, &error);
          if (!ok) error = Refusal(entry, error);
          break;
      }
      if (!ok) errors.Add(entry.line, error);
      // A refused line changed nothing.
      if (ok && kind != EntryKind::kFeature) noteChanges(entry);
    }
  }
  if (listEntry) {
    SetListValues(chip, list);
    noteChanges(*listEntry);
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
    errors.Add(entry.line, Refusal(entry, later + " changes it to '" + Latin1ToUtf8(shown) + "'"));
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

  const std::vector<ListItem> list = RegisterListOf(chip);
  std::string blockLines;
  if (list != RegisterListOf(base)) {
    for (Chip62500* result : results) SetRegisterList(*result, list);
    AppendSetting(blockLines, "The block's register list",
                  std::string("block ") + kRegisterListField + " = " + RegisterListText(list));
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
  // The register lines, each for the last pair of its register; the list gives the
  // values of the other pairs after all lines.
  for (Chip62500* result : results) SetListValues(*result, list);
  for (uint32_t p = 0; p < list.size(); ++p) {
    if (list[p].value || !differs([p](Chip62500& c) { return c.BlockValueAt(p); })) continue;
    const uint32_t digits = RegisterLineBits(chip, list[p].index) / 4;
    AppendSetting(out, RegisterLabel(chip, list[p].index, kLabelName).value_or(""),
                  StringPrintf("register %04X = %0*X", list[p].index, static_cast<int>(digits),
                               chip.BlockValueAt(p)));
  }
  if (differs([](Chip62500& c) { return ListEndText(c); })) {
    AppendSetting(blockLines, "The pairs from the register list's end marker on",
                  std::string("block ") + kListEndField + " = " + ListEndText(chip));
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

SettingsReport ApplySettings(Chip62500& chip, std::string_view text) {
  ErrorCollector errors;
  const std::vector<Entry> entries = ParseEntries(chip, text, errors);
  // Every line is tried on a copy first, so that all errors are found and the chip is
  // changed only when every line is good.
  Chip62500 trial;
  trial.LoadBlock(chip.Block());
  ApplyEntries(trial, entries, errors);
  if (errors.empty()) ApplyEntries(chip, entries, errors);
  return errors.Report();
}

std::vector<std::string> SettingsReportLines(const std::string& name,
                                             const SettingsReport& report) {
  std::vector<std::string> lines;
  for (const SettingsError& e : report.errors)
    lines.push_back(StringPrintf("%s:%zu: %s", name.c_str(), e.line, e.message.c_str()));
  if (report.notShown > 0)
    lines.push_back(StringPrintf("%s: ... and %zu more bad lines", name.c_str(), report.notShown));
  return lines;
}

}  // namespace k7q
