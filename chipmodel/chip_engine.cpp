#include "chipmodel/chip_engine.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "chipmodel/bit_utils.h"
#include "chipmodel/labels.h"
#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"

namespace k7q {

namespace {

constexpr size_t kMaxFeatureName = 127;
constexpr uint32_t kValueTextRoom = 4096;
const char* const kSpanSuffixes[] = {"LSB", "ISB", "MSB"};

bool Contains(const std::string& text, const OptText& part) {
  return part && text.find(*part) != std::string::npos;
}

bool IsNumeric(uint32_t type) {
  return type == kTypeNumb || type == kTypeAddr || type == kTypeFreq;
}

bool Holds(const ListValueRecord& v, uint32_t raw) {
  return raw >= v.first && raw <= v.last;
}

void CopyOut(char* out, size_t room, std::string_view text) {
  const size_t n = text.size() < room - 1 ? text.size() : room - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

void Append(char* out, size_t room, std::string_view text) {
  const size_t used = std::strlen(out);
  CopyOut(out + used, room - used, text);
}

}  // namespace

ChipEngine::ChipEngine(ChipTables& tables) : tables_(tables) {}

ChipEngine::~ChipEngine() = default;

// ---- products ----

bool ChipEngine::SelectProduct(std::string_view keyname) {
  uint32_t position;
  if (!FindProduct(keyname, &position)) return false;
  productIndex_ = position;
  return true;
}

const ProductRecord* ChipEngine::CurrentProduct() const {
  return productIndex_ < tables_.products.size() ? &tables_.products[productIndex_] : nullptr;
}

const char* ChipEngine::CurrentProductKeyname() const {
  const ProductRecord* p = CurrentProduct();
  return p && p->keyname ? p->keyname->c_str() : "";
}

bool ChipEngine::FindProduct(std::string_view keyname, uint32_t* position) const {
  for (size_t i = 0; i < tables_.products.size(); ++i) {
    if (tables_.products[i].keyname && *tables_.products[i].keyname == keyname) {
      *position = static_cast<uint32_t>(i);
      return true;
    }
  }
  return false;
}

bool ChipEngine::IsApplicable(const OptText& productList) const {
  if (!productList) return true;
  const std::string& text = *productList;
  if (text == "all") return true;
  const ProductRecord* current = CurrentProduct();
  if (!current) return false;
  if (Contains(text, current->keyname)) return true;
  if (Contains(text, current->variantOf)) return true;
  for (const ProductRecord& p : tables_.products) {
    if (Contains(text, p.keyname) && p.variantOf && current->keyname &&
        *p.variantOf == *current->keyname) {
      return true;
    }
  }
  return false;
}

// ---- flags ----

void ChipEngine::SetPatternShown(bool on) {
  patternShown_ = on;
  if (on) redrawCountdown_ = 1;
}

void ChipEngine::RedrawTick() {
  if (redrawCountdown_ == 0) return;
  if (--redrawCountdown_ == 0 && patternShown_) DrawTestPattern();
}

// ---- registers ----

bool ChipEngine::FindRegister(uint32_t n, bool byPosition, uint32_t* tablePosition) {
  uint32_t index = n;
  if (byPosition && !BlockIndexAt(n, &index)) return false;
  const auto& regs = tables_.registers;
  if (regs.empty()) return false;
  if (registerCachePosition_ >= regs.size()) {
    registerCachePosition_ = 0;
    registerCacheIndex_ = regs[0].index;
  }
  if (index == registerCacheIndex_) {
    if (tablePosition) *tablePosition = registerCachePosition_;
    return true;
  }
  const size_t count = regs.size();
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (registerCachePosition_ + k) % count;
    const RegisterRecord& r = regs[i];
    if (!IsApplicable(r.existsFor)) continue;
    const bool exact = r.index == index;
    const bool inRange = index > r.index && index <= r.lastIndex && r.indexStep != 0 &&
                         (index - r.index) % r.indexStep == 0;
    if (exact || inRange) {
      registerCachePosition_ = static_cast<uint32_t>(i);
      registerCacheIndex_ = index;
      if (tablePosition) *tablePosition = registerCachePosition_;
      return true;
    }
  }
  return false;
}

bool ChipEngine::IsRegisterAvailable(uint32_t n, bool byPosition) {
  uint32_t p;
  return FindRegister(n, byPosition, &p) && IsApplicable(tables_.registers[p].existsFor);
}

bool ChipEngine::IsRegisterReserved(uint32_t n, bool byPosition) {
  uint32_t p;
  if (!FindRegister(n, byPosition, &p)) return false;
  const OptText& reserved = tables_.registers[p].reservedFor;
  return reserved && IsApplicable(reserved);
}

bool ChipEngine::IsRegisterReadOnly(uint32_t n, bool byPosition) {
  uint32_t p;
  return FindRegister(n, byPosition, &p) && tables_.registers[p].readOnly;
}

bool ChipEngine::IsRegisterWriteOnly(uint32_t n, bool byPosition) {
  uint32_t p;
  return FindRegister(n, byPosition, &p) && tables_.registers[p].writeOnly;
}

uint32_t ChipEngine::RegisterDefault(uint32_t n, bool byPosition) {
  uint32_t p;
  return FindRegister(n, byPosition, &p) ? tables_.registers[p].defaultValue : 0;
}

uint32_t ChipEngine::RegisterHexDigits(uint32_t n, bool byPosition) {
  uint32_t p;
  if (FindRegister(n, byPosition, &p)) return tables_.registers[p].bitWidth / 4;
  return tables_.registers.empty() ? 0 : tables_.registers[0].bitWidth / 4;
}

bool ChipEngine::RegisterIndexAt(bool, uint32_t position, uint32_t* index) {
  uint32_t seen = 0;
  for (const RegisterRecord& r : tables_.registers) {
    if (r.pseudo || !IsApplicable(r.existsFor)) continue;
    if (seen++ == position) {
      *index = r.index;
      return true;
    }
  }
  return false;
}

uint32_t ChipEngine::ReadRegister(uint32_t n, bool byPosition) {
  uint32_t p;
  if (liveMode_) {
    return FindRegister(n, byPosition, &p) ? ReadChipRegister(tables_.registers[p].index) : 0;
  }
  uint32_t position = n;
  if (!byPosition && !FindBlockPosition(n, &position, false)) {
    // Neither in the block nor in the table: nothing to read.
    return FindRegister(n, false, &p) ? tables_.registers[p].defaultValue : 0;
  }
  return BlockValueAt(position);
}

bool ChipEngine::WriteRegister(uint32_t n, bool byPosition, uint32_t value) {
  uint32_t position = n;
  if (!byPosition && !FindBlockPosition(n, &position, false)) return false;
  SetBlockValueAt(position, static_cast<uint16_t>(value));
  // A value stored in the block counts as written.
  if (!liveMode_) return true;
  uint32_t index = n;
  if (byPosition && !BlockIndexAt(n, &index)) return false;
  uint32_t p;
  if (!FindRegister(index, false, &p)) return false;
  return WriteChipRegister(tables_.registers[p].index, value);
}

uint32_t ChipEngine::ReservedSettingsReport(std::string& out, uint32_t room) {
  std::string text;
  for (const FeatureRecord& f : tables_.features) {
    if (f.type != kTypeList || !f.keyname || !IsFeatureAvailable(*f.keyname)) continue;
    const uint32_t raw = GetRawValue(*f.keyname);
    bool named = false;
    for (const ListValueRecord& v : f.values) named = named || Holds(v, raw);
    if (!named) {
      text +=
          StringPrintf("WARNING: %s is set to RESERVED setting of %u.\n",
                       FeatureLabel(*this, *f.keyname, kLabelInMessage).value_or("").c_str(), raw);
    }
  }
  for (const RegisterRecord& r : tables_.registers) {
    if (r.pseudo || !IsRegisterAvailable(r.index, false)) continue;
    uint32_t used = 0;
    for (const FeatureRecord& f : tables_.features) {
      if (f.registerIndex == r.index && IsApplicable(f.existsFor)) used |= f.mask;
    }
    const uint32_t reserved = ReadRegister(r.index, false) & ~used;
    if (!reserved) continue;
    std::string line = StringPrintf("WARNING: REG[%0*Xh] bit%s", registerIndexWidth_, r.index,
                                    (reserved & (reserved - 1)) ? "s" : "");
    for (int bit = 0; bit < 32;) {
      if (!(reserved & (1u << bit))) {
        ++bit;
        continue;
      }
      int top = bit;
      while (top < 31 && (reserved & (1u << (top + 1)))) ++top;
      line += top == bit ? StringPrintf(" %u,", bit) : StringPrintf(" %u:%u,", top, bit);
      bit = top + 1;
    }
    line.pop_back();
    text += line + " is set to a RESERVED setting (should be zero).\n";
  }
  if (text.size() > room) text.resize(room);
  out += text;
  return static_cast<uint32_t>(text.size());
}

// ---- features ----

bool ChipEngine::FindFeature(std::string_view name, uint32_t* position) {
  if (name.empty() || name.size() > kMaxFeatureName) return false;
  const auto& features = tables_.features;
  if (features.empty()) return false;
  if (featureCachePosition_ >= features.size()) {
    featureCachePosition_ = 0;
    featureCacheName_ = features[0].keyname.value_or("");
  }
  if (name == featureCacheName_) {
    if (position) *position = featureCachePosition_;
    return true;
  }
  const size_t count = features.size();
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (featureCachePosition_ + k) % count;
    const FeatureRecord& f = features[i];
    if (f.keyname && EqualsIgnoreCase(*f.keyname, name) && IsApplicable(f.existsFor)) {
      featureCachePosition_ = static_cast<uint32_t>(i);
      featureCacheName_ = std::string(name);
      if (position) *position = featureCachePosition_;
      return true;
    }
  }
  return false;
}

const FeatureRecord* ChipEngine::Feature(std::string_view name) {
  uint32_t position;
  return FindFeature(name, &position) ? &tables_.features[position] : nullptr;
}

uint32_t ChipEngine::SpanWidth(std::string_view name) {
  uint32_t width = 0;
  for (const char* suffix : kSpanSuffixes) {
    if (const FeatureRecord* part = Feature(std::string(name) + suffix)) {
      width += FieldWidth(part->mask);
    }
  }
  return width;
}

uint32_t ChipEngine::SpanRawValue(std::string_view name, const FeatureRecord& span) {
  uint32_t value = 0, shift = 0;
  for (const char* suffix : kSpanSuffixes) {
    const std::string partName = std::string(name) + suffix;
    const FeatureRecord* part = Feature(partName);
    if (!part) continue;
    const uint32_t partMask = part->mask;
    if (shift < 32) value += GetRawValue(partName) << shift;
    shift += FieldWidth(partMask);
  }
  return span.mask == kAllBits ? value : (value & span.mask) >> FieldShift(span.mask);
}

uint32_t ChipEngine::GetRawValue(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  if (!f) return 0;
  if (f->span) return SpanRawValue(name, *f);
  const uint32_t mask = f->mask;
  const uint32_t value =
      liveMode_ ? ReadChipRegister(f->registerIndex) : ReadRegister(f->registerIndex, false);
  return mask == kAllBits ? value : (value & mask) >> FieldShift(mask);
}

bool ChipEngine::SetSpanRawValue(std::string_view name, uint32_t raw) {
  bool result = true;
  uint32_t shift = 0;
  for (const char* suffix : kSpanSuffixes) {
    const std::string partName = std::string(name) + suffix;
    const FeatureRecord* part = Feature(partName);
    if (!part) continue;
    const uint32_t partMask = part->mask;
    const uint32_t bits = shift < 32 ? raw >> shift : 0;
    result = SetRawValue(partName, FieldMax(partMask) & bits) && result;
    shift += FieldWidth(partMask);
  }
  return result;
}

bool ChipEngine::SetRawValue(std::string_view name, uint32_t raw) {
  const FeatureRecord* f = Feature(name);
  if (!f) return false;
  const bool redraw = f->redrawPattern;
  bool result;
  if (f->span) {
    result = SetSpanRawValue(name, raw);
  } else {
    const uint32_t mask = f->mask;
    const uint32_t index = f->registerIndex;
    uint32_t value = raw;
    if (mask != kAllBits) {
      const uint32_t current = ReadRegister(index, false);
      if (raw > FieldMax(mask)) return false;
      value = ((raw << FieldShift(mask)) & mask) | (current & ~mask);
    }
    result = WriteRegister(index, false, value);
  }
  if (liveMode_ && patternShown_ && redraw) redrawCountdown_ = 1;
  return result;
}

uint32_t ChipEngine::GetFieldValue(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  if (!f) return 0;
  const uint32_t type = f->type, minimum = f->minimum, maximum = f->maximum;
  const OptText op1 = f->op1, op2 = f->op2;
  if (IsNumeric(type)) {
    uint32_t v = ApplyOperator(op2, ApplyOperator(op1, GetRawValue(name), false), false);
    if (v < minimum) v = minimum;
    if (v > maximum) v = maximum;
    return v;
  }
  if (type == kTypeList || type == kTypeBool) return GetRawValue(name);
  return 0;
}

bool ChipEngine::SetFieldValue(std::string_view name, uint32_t value) {
  const FeatureRecord* f = Feature(name);
  if (!f) return false;
  const uint32_t type = f->type, radix = f->radix;
  if (IsNumeric(type)) {
    bool clamped = false;
    if (value < f->minimum) value = f->minimum, clamped = true;
    if (value > f->maximum) value = f->maximum, clamped = true;
    const uint32_t raw = ApplyOperator(f->op1, ApplyOperator(f->op2, value, true), true);
    return SetRawValue(name, raw) && !clamped;
  }
  if (type == kTypeList) {
    if (radix == 10) return SetValueText(name, StringPrintf("%u", value));
    if (radix == 16) return SetValueText(name, StringPrintf("%X", value));
    return false;
  }
  if (type == kTypeBool) return SetRawValue(name, value);
  return false;
}

uint32_t ChipEngine::RecordField(std::string_view name, uint32_t FeatureRecord::*field) {
  const FeatureRecord* f = Feature(name);
  return f ? f->*field : 0;
}

uint32_t ChipEngine::GetMinimum(std::string_view name) {
  return RecordField(name, &FeatureRecord::minimum);
}

uint32_t ChipEngine::GetMaximum(std::string_view name) {
  return RecordField(name, &FeatureRecord::maximum);
}

uint32_t ChipEngine::GetStep(std::string_view name) {
  return RecordField(name, &FeatureRecord::step);
}

uint32_t ChipEngine::GetRadix(std::string_view name) {
  return RecordField(name, &FeatureRecord::radix);
}

uint32_t ChipEngine::GetType(std::string_view name) {
  return RecordField(name, &FeatureRecord::type);
}

uint32_t ChipEngine::GetOffsetBase(std::string_view name) {
  return RecordField(name, &FeatureRecord::offsetBase);
}

const char* ChipEngine::GetUnit(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  if (!f) return nullptr;
  return f->unit ? f->unit->c_str() : "";
}

bool ChipEngine::IsFeatureAvailable(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  return f && IsApplicable(f->existsFor);
}

bool ChipEngine::IsFeatureReserved(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  return f && f->reservedFor && IsApplicable(f->reservedFor);
}

bool ChipEngine::IsFeatureReadOnly(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  return f && f->readOnly;
}

bool ChipEngine::IsFeatureWriteOnly(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  return f && f->writeOnly;
}

bool ChipEngine::SpanPartBase(std::string_view name, std::string* base, size_t* suffixPosition) {
  if (name.size() < 3 || name.substr(name.size() - 2) != "SB") return false;
  if (base) *base = std::string(name.substr(0, name.size() - 3));
  if (suffixPosition) *suffixPosition = name.size() - 3;
  return true;
}

// ---- text of values ----

std::string ChipEngine::FormatFieldValue(const FeatureRecord& f, uint32_t value) const {
  switch (f.radix) {
    case 10:
      return StringPrintf("%u", value);
    case 16: {
      uint32_t width = 32;
      if (f.span && f.keyname) {
        width = const_cast<ChipEngine*>(this)->SpanWidth(*f.keyname);
        if (width == 0 || width > 32) width = 32;
      } else if (f.mask != kAllBits) {
        width = static_cast<uint32_t>(FieldWidth(f.mask));
      }
      return StringPrintf("%0*Xh", static_cast<int>((width + 3) / 4), value);
    }
    case 2:
      return FormatNumber(value, 2, 0);
    default:
      return {};
  }
}

const char* ChipEngine::ListValueText(const FeatureRecord& f, uint32_t raw, bool readSide,
                                      char* out, size_t room) const {
  for (const ListValueRecord& v : f.values) {
    if (!Holds(v, raw)) continue;
    const OptText& sided = readSide ? v.readText : v.writeText;
    CopyOut(out, room, sided ? *sided : v.text.value_or(""));
    return out;
  }
  CopyOut(out, room, StringPrintf("[RESERVED SETTING OF %Xh]", raw));
  return out;
}

const char* ChipEngine::GetValueText(std::string_view name, bool readSide) {
  const FeatureRecord* f = Feature(name);
  if (!f) return nullptr;
  char* out = Ring().NextTextSized(kValueTextRoom);
  const uint32_t type = f->type;
  const OptText unit = f->unit;
  if (IsNumeric(type)) {
    // Copy the record: GetFieldValue may be replaced and look up other features.
    const FeatureRecord record = *f;
    CopyOut(out, kValueTextRoom, FormatFieldValue(record, GetFieldValue(name)));
  } else if (type == kTypeList || type == kTypeBool) {
    const uint32_t raw = GetRawValue(name);
    const FeatureRecord* again = Feature(name);
    ListValueText(*again, raw, readSide, out, kValueTextRoom);
  } else if (type == kTypeSequ) {
    std::vector<SequenceItem> items;
    SequenceItem item;
    for (uint32_t i = 0; GetSequenceItem(name, i, &item.kind, &item.value, &item.label); ++i) {
      items.push_back(item);
    }
    CopyOut(out, kValueTextRoom, SequenceText(items));
  } else {
    CopyOut(out, kValueTextRoom, "<no text for this feature>");
  }
  if (unit) Append(out, kValueTextRoom, *unit);
  return out;
}

const char* ChipEngine::FormatRawValue(std::string_view name, uint32_t raw, bool readSide) {
  const FeatureRecord* f = Feature(name);
  if (!f) return nullptr;
  const FeatureRecord record = *f;
  char* out = Ring().NextText();
  const size_t room = Ring().DefaultSize();
  if (IsNumeric(record.type)) {
    const uint32_t v = ApplyOperator(record.op2, ApplyOperator(record.op1, raw, false), false);
    CopyOut(out, room, FormatFieldValue(record, v));
  } else if (record.type == kTypeList || record.type == kTypeBool) {
    ListValueText(record, raw, readSide, out, room);
  } else if (record.type == kTypeSequ) {
    SequenceItem item;
    if (GetSequenceItem(name, raw, &item.kind, &item.value, &item.label)) {
      CopyOut(out, room, SequenceItemText(item));
    }
  }
  if (record.unit) Append(out, room, *record.unit);
  return out;
}

namespace {

int TruthOf(std::string_view text) {
  static const char* const kTrue[] = {"Enabled", "True", "T", "On", "1"};
  static const char* const kFalse[] = {"Disabled", "False", "F", "Off", "0"};
  for (const char* word : kTrue) {
    if (EqualsIgnoreCase(text, word)) return 1;
  }
  for (const char* word : kFalse) {
    if (EqualsIgnoreCase(text, word)) return 0;
  }
  return -1;
}

}  // namespace

bool ChipEngine::SetValueText(std::string_view name, std::string_view text) {
  const FeatureRecord* f = Feature(name);
  if (!f) return false;
  const FeatureRecord record = *f;
  switch (record.type) {
    case kTypeNumb:
    case kTypeAddr:
      return SetFieldValue(name, ReadNumber(text, record.radix));
    case kTypeFreq:
      return SetFieldValue(name, ReadFrequency(text, 1000000));
    case kTypeList: {
      const ListValueRecord* chosen = nullptr;
      unsigned radix;
      if (RecogniseNumber(text, 16, &radix) && radix == 16) {
        const uint32_t n = ReadNumber(text, 16);
        for (const ListValueRecord& v : record.values) {
          if (Holds(v, n)) {
            chosen = &v;
            break;
          }
        }
      }
      for (size_t i = 0; !chosen && i < record.values.size(); ++i) {
        const ListValueRecord& v = record.values[i];
        for (const OptText* t : {&v.text, &v.readText, &v.writeText}) {
          if (!*t) continue;
          if (EqualsIgnoreCase(**t, text) ||
              (record.unit && EqualsIgnoreCase(**t + *record.unit, text))) {
            chosen = &v;
            break;
          }
        }
      }
      return chosen && SetRawValue(name, chosen->first);
    }
    case kTypeBool: {
      int truth = TruthOf(text);
      if (truth < 0) return false;
      if (record.inverted) truth = !truth;
      return SetRawValue(name, static_cast<uint32_t>(truth));
    }
    case kTypeSequ: {
      const std::vector<SequenceItem> items = ReadSequenceText(text);
      bool ok = true;
      for (uint32_t i = 0; i < items.size(); ++i) {
        ok = SetSequenceItem(name, i, items[i].kind, items[i].value, items[i].label) && ok;
      }
      return SetSequenceLength(name, static_cast<uint32_t>(items.size())) && ok;
    }
    default:
      return false;
  }
}

// ---- list values ----

const ListValueRecord* ChipEngine::OfferedValue(const FeatureRecord& f, uint32_t n) const {
  if (n >= f.values.size()) return nullptr;
  uint32_t seen = 0;
  for (const ListValueRecord& v : f.values) {
    if (!IsApplicable(v.existsFor)) continue;
    if (!showReserved_ && v.reservedFor && IsApplicable(v.reservedFor)) continue;
    if (seen++ == n) return &v;
  }
  return &f.values.front();
}

uint32_t ChipEngine::OfferedListCount(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  if (!f || (f->type != kTypeList && f->type != kTypeBool)) return 0;
  uint32_t count = 0;
  for (const ListValueRecord& v : f->values) {
    if (!IsApplicable(v.existsFor)) continue;
    if (!showReserved_ && v.reservedFor && IsApplicable(v.reservedFor)) continue;
    ++count;
  }
  return count;
}

bool ChipEngine::GetListEntry(std::string_view name, uint32_t n, uint32_t* first, uint32_t* last) {
  const FeatureRecord* f = Feature(name);
  if (!f || (f->type != kTypeList && f->type != kTypeBool)) return false;
  if (f->values.empty()) {
    if (n != 0) return false;
    *first = *last = 0;
    return true;
  }
  const ListValueRecord* v = OfferedValue(*f, n);
  if (!v) return false;
  *first = v->first;
  *last = v->last;
  return true;
}

bool ChipEngine::IsListEntryReadOnly(std::string_view name, uint32_t n) {
  const FeatureRecord* f = Feature(name);
  const ListValueRecord* v = f ? OfferedValue(*f, n) : nullptr;
  return v && v->readText && !v->writeText;
}

bool ChipEngine::IsListEntryWriteOnly(std::string_view name, uint32_t n) {
  const FeatureRecord* f = Feature(name);
  const ListValueRecord* v = f ? OfferedValue(*f, n) : nullptr;
  return v && v->writeText && !v->readText;
}

bool ChipEngine::IsListEntryDirectional(std::string_view name, uint32_t n) {
  const FeatureRecord* f = Feature(name);
  const ListValueRecord* v = f ? OfferedValue(*f, n) : nullptr;
  return v && (v->readText || v->writeText);
}

bool ChipEngine::GetListPosition(std::string_view name, uint32_t* n) {
  *n = 0;
  const FeatureRecord* f = Feature(name);
  if (!f) return false;
  if (f->values.empty()) return true;
  const uint32_t raw = GetRawValue(name);
  const FeatureRecord* again = Feature(name);
  uint32_t seen = 0;
  for (const ListValueRecord& v : again->values) {
    if (!IsApplicable(v.existsFor)) continue;
    if (!showReserved_ && v.reservedFor && IsApplicable(v.reservedFor)) continue;
    if (Holds(v, raw)) {
      *n = seen;
      return true;
    }
    ++seen;
  }
  return false;
}

bool ChipEngine::SetListPosition(std::string_view name, uint32_t n) {
  const FeatureRecord* f = Feature(name);
  if (!f) return false;
  if ((f->type != kTypeList && f->type != kTypeBool) || f->values.empty()) return true;
  const ListValueRecord* v = OfferedValue(*f, n);
  if (v) SetRawValue(name, v->first);
  return true;
}

// ---- sequences: none in the generic engine ----

bool ChipEngine::GetSequenceItem(std::string_view, uint32_t, uint32_t*, uint32_t*, std::string*) {
  return false;
}

bool ChipEngine::SetSequenceItem(std::string_view, uint32_t, uint32_t, uint32_t, std::string_view) {
  return false;
}

uint32_t ChipEngine::SequenceMaxLength(std::string_view) {
  return 0;
}

uint32_t ChipEngine::SequenceLength(std::string_view) {
  return 0;
}

bool ChipEngine::SetSequenceLength(std::string_view, uint32_t) {
  return false;
}

// ---- post-load preparation ----

void ChipEngine::SpanPreparation() {
  for (FeatureRecord& f : tables_.features) {
    if (!f.span || !f.keyname || !IsApplicable(f.existsFor)) continue;
    const std::string name = *f.keyname;
    const uint32_t width = SpanWidth(name);
    const uint32_t ones = width >= 32 ? kAllBits : (1u << width) - 1;
    f.maximum = ApplyOperator(f.op2, ApplyOperator(f.op1, ones, false), false);
    f.minimum = ApplyOperator(f.op2, ApplyOperator(f.op1, 0, false), false);
  }
}

}  // namespace k7q
