#include "chipmodel/chip_definition_loader.h"

#include <expat.h>
#include <strings.h>

#include <cstring>
#include <string>

#include "chipmodel/bit_utils.h"
#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"

namespace k7q {

namespace {

constexpr size_t kPendingCapacity = 50;

struct LoadState {
  ChipTables* tables = nullptr;
  size_t productCount = 0, categoryCount = 0, registerCount = 0, featureCount = 0;
  std::vector<ListValueRecord> pending;
};

bool Is(const char* a, const char* b) {
  return std::strcmp(a, b) == 0;
}

uint32_t Hex(const char* value) {
  return ReadNumber(value, 16);
}

void CountStart(void* data, const XML_Char* element, const XML_Char**) {
  auto* state = static_cast<LoadState*>(data);
  if (Is(element, "PRODUCT")) ++state->productCount;
  if (Is(element, "CATEGORY")) ++state->categoryCount;
  if (Is(element, "REGISTER")) ++state->registerCount;
  if (Is(element, "FEATURE")) ++state->featureCount;
}

void IgnoreEnd(void*, const XML_Char*) {}

void FillProduct(ChipTables& t, const XML_Char** attrs) {
  if (t.products.size() >= t.productCapacity) return;
  ProductRecord& p = t.products.emplace_back();
  for (int i = 0; attrs[i]; i += 2) {
    const char* name = attrs[i];
    const char* value = attrs[i + 1];
    if (Is(name, "KEYNAME")) p.keyname = value;
    if (Is(name, "PREFIX")) p.prefix = value;
    if (Is(name, "NAME")) p.name = value;
    if (Is(name, "SUFFIX")) p.suffix = value;
    if (Is(name, "DESC")) p.description = value;
    if (Is(name, "VARIANTOF")) p.variantOf = value;
  }
}

void FillCategory(ChipTables& t, const XML_Char** attrs) {
  if (t.categories.size() >= t.categoryCapacity) return;
  CategoryRecord& c = t.categories.emplace_back();
  for (int i = 0; attrs[i]; i += 2) {
    if (Is(attrs[i], "KEYNAME")) c.keyname = attrs[i + 1];
    if (Is(attrs[i], "NAME")) c.name = attrs[i + 1];
  }
}

void FillRegister(ChipTables& t, const XML_Char** attrs) {
  if (t.registers.size() >= t.registerCapacity) return;
  RegisterRecord& r = t.registers.emplace_back();
  for (int i = 0; attrs[i]; i += 2) {
    const char* name = attrs[i];
    const char* value = attrs[i + 1];
    if (Is(name, "KEYNAME")) r.keyname = value;
    if (Is(name, "NAME") || Is(name, "FULLNAME")) r.name = value;
    if (Is(name, "DESC")) r.description = value;
    if (Is(name, "REG")) r.index = Hex(value);
    if (Is(name, "REGEND")) r.lastIndex = Hex(value);
    if (Is(name, "REGSTEP")) r.indexStep = Hex(value);
    if (Is(name, "BITWIDTH")) r.bitWidth = ReadNumber(value, 10);
    if (Is(name, "DEFAULT")) r.defaultValue = Hex(value);
    if (Is(name, "FAKEREG")) r.pseudo = true;
    if (Is(name, "ACCESS")) {
      r.readOnly = Is(value, "ro");
      r.writeOnly = Is(value, "wo");
    }
    if (Is(name, "CATEGORY")) r.category = value;
    if (Is(name, "RESERVED")) r.reservedFor = value;
    if (Is(name, "PRODUCT")) r.existsFor = value;
  }
  if (r.lastIndex == 0 && r.index != 0) r.lastIndex = r.index;
}

uint32_t TypeCode(const char* value) {
  static const struct {
    const char* text;
    uint32_t code;
  } kTypes[] = {{"numb", kTypeNumb}, {"addr", kTypeAddr}, {"freq", kTypeFreq}, {"text", kTypeText},
                {"list", kTypeList}, {"bool", kTypeBool}, {"sequ", kTypeSequ}};
  for (const auto& type : kTypes) {
    if (Is(value, type.text)) return type.code;
  }
  return kTypeUnset;
}

std::string NormalisedKeyname(const char* value) {
  std::string keyname = value;
  const size_t dash = keyname.find('-');
  if (dash != std::string::npos) keyname.erase(dash, 1);
  return keyname;
}

std::string ReservedBitsName(uint32_t index, uint32_t mask) {
  int top, lowest;
  FieldRun(mask, &top, &lowest);
  std::string name = top == lowest ? StringPrintf("r%Xb%d", index, lowest)
                                   : StringPrintf("r%Xb%dto%d", index, top, lowest);
  if (name.size() > 127) name.resize(127);
  return name;
}

void FillFeature(ChipTables& t, const XML_Char** attrs) {
  if (t.features.size() >= t.featureCapacity) return;
  FeatureRecord& f = t.features.emplace_back();
  bool hasMin = false, hasMax = false;
  for (int i = 0; attrs[i]; i += 2) {
    const char* name = attrs[i];
    const char* value = attrs[i + 1];
    if (Is(name, "KEYNAME")) {
      if (strcasecmp(value, "reserved") == 0) {
        f.keyname.reset();
        f.reservedFor = "all";
      } else {
        f.keyname = NormalisedKeyname(value);
      }
    }
    if (Is(name, "NAME") || Is(name, "FULLNAME")) f.name = value;
    if (Is(name, "DESC")) f.description = value;
    if (Is(name, "UNIT")) f.unit = value;
    if (Is(name, "TYPE")) {
      const uint32_t code = TypeCode(value);
      if (code != kTypeUnset) f.type = code;
      if (code == kTypeAddr) f.radix = 16;
    }
    if (Is(name, "MIN")) f.minimum = Hex(value), hasMin = true;
    if (Is(name, "MAX")) f.maximum = Hex(value), hasMax = true;
    if (Is(name, "OP1")) f.op1 = value;
    if (Is(name, "OP2")) f.op2 = value;
    if (Is(name, "STEP")) f.step = Hex(value);
    if (Is(name, "RADIX") && f.type != kTypeAddr) {
      if (Is(value, "bin")) f.radix = 2;
      if (Is(value, "dec")) f.radix = 10;
      if (Is(value, "hex")) f.radix = 16;
    }
    if (Is(name, "INVERTED")) f.inverted = true;
    if (Is(name, "OFFSETOF")) {
      if (Is(value, "sys")) f.offsetBase = kOffsetSys;
      if (Is(value, "base")) f.offsetBase = kOffsetBase;
      if (Is(value, "disp")) f.offsetBase = kOffsetDisp;
    }
    if (Is(name, "REG")) {
      if (Is(value, "span")) {
        f.span = true;
      } else {
        f.registerIndex = Hex(value);
      }
    }
    if (Is(name, "MASK")) f.mask = Hex(value);
    if (Is(name, "ACCESS")) {
      f.readOnly = Is(value, "ro");
      f.writeOnly = Is(value, "wo");
    }
    if (Is(name, "NEEDCODE")) f.needsCode = true;
    if (Is(name, "OVERLAP")) f.overlap = true;
    if (Is(name, "REDRAWPATTERN")) f.redrawPattern = true;
    if (Is(name, "RESERVED")) f.reservedFor = value;
    if (Is(name, "PRODUCT")) f.existsFor = value;
  }
  if (!f.keyname && f.reservedFor) {
    f.keyname = ReservedBitsName(f.registerIndex, f.mask);
    f.type = kTypeNumb;
  }
  if (f.type == kTypeNumb || f.type == kTypeAddr || f.type == kTypeFreq) {
    if (!hasMin) f.minimum = ApplyOperator(f.op2, ApplyOperator(f.op1, 0, false), false);
    if (!hasMax) {
      f.maximum = ApplyOperator(f.op2, ApplyOperator(f.op1, FieldMax(f.mask), false), false);
    }
  }
  if (f.type == kTypeBool) {
    f.values.resize(2);
    f.values[0].text = f.inverted ? "True" : "False";
    f.values[1].first = f.values[1].last = 1;
    f.values[1].text = f.inverted ? "False" : "True";
  }
}

void FillFeatureValue(LoadState& state, const XML_Char** attrs) {
  // The embedded definition needs at most 4 values a list; a 51st is dropped.
  if (state.pending.size() >= kPendingCapacity) return;
  ListValueRecord& v = state.pending.emplace_back();
  bool hasLast = false;
  for (int i = 0; attrs[i]; i += 2) {
    const char* name = attrs[i];
    const char* value = attrs[i + 1];
    if (Is(name, "INDEX")) v.first = Hex(value);
    if (Is(name, "TOINDEX")) v.last = Hex(value), hasLast = true;
    if (Is(name, "VALUE")) v.text = value;
    if (Is(name, "READVALUE")) v.readText = value;
    if (Is(name, "WRITEVALUE")) v.writeText = value;
    if (Is(name, "RESERVED")) v.reservedFor = value;
    if (Is(name, "PRODUCT")) v.existsFor = value;
  }
  if (!hasLast || v.last < v.first) v.last = v.first;
}

void FillStart(void* data, const XML_Char* element, const XML_Char** attrs) {
  auto* state = static_cast<LoadState*>(data);
  ChipTables& t = *state->tables;
  if (Is(element, "PRODUCT")) FillProduct(t, attrs);
  if (Is(element, "CATEGORY")) FillCategory(t, attrs);
  if (Is(element, "REGISTER")) FillRegister(t, attrs);
  if (Is(element, "FEATURE")) FillFeature(t, attrs);
  if (Is(element, "FEATUREVALUE")) FillFeatureValue(*state, attrs);
}

void FillEnd(void* data, const XML_Char* element) {
  auto* state = static_cast<LoadState*>(data);
  if (!Is(element, "FEATURE")) return;
  auto& features = state->tables->features;
  if (!features.empty() && features.back().type == kTypeList && !state->pending.empty()) {
    features.back().values = std::move(state->pending);
  }
  state->pending.clear();
}

void Feed(XML_Parser parser, const char* const* lines, size_t lineCount) {
  for (size_t i = 0; i < lineCount; ++i) {
    const char* line = lines[i] ? lines[i] : "";
    XML_Parse(parser, line, static_cast<int>(std::strlen(line)), i + 1 == lineCount);
  }
}

}  // namespace

uint32_t ApplyOperator(const OptText& op, uint32_t v, bool inverse) {
  if (!op) return v;
  if (op->empty()) return 0;  // no operator character
  const uint32_t n = ReadNumber(std::string_view(*op).substr(1), 10);
  switch ((*op)[0]) {
    case '+':
      return inverse ? v - n : v + n;
    case '-':
      return inverse ? v + n : v - n;
    case '*':
      return inverse ? (n ? v / n : 0) : v * n;
    case '/':
      return inverse ? v * n : (n ? v / n : 0);
    default:
      return 0;
  }
}

ChipTables& ProcessChipTables() {
  static ChipTables tables;
  return tables;
}

void LoadChipDefinition(ChipTables& tables, const char* const* lines, size_t lineCount) {
  if (tables.productCapacity || tables.registerCapacity || tables.featureCapacity) return;
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return;

  LoadState state;
  state.tables = &tables;
  XML_SetUserData(parser, &state);
  XML_SetElementHandler(parser, CountStart, IgnoreEnd);
  Feed(parser, lines, lineCount);

  tables.productCapacity = state.productCount;
  tables.categoryCapacity = state.categoryCount;
  tables.registerCapacity = state.registerCount;
  tables.featureCapacity = state.featureCount;
  tables.products.reserve(state.productCount);
  tables.categories.reserve(state.categoryCount);
  tables.registers.reserve(state.registerCount);
  tables.features.reserve(state.featureCount);
  state.pending.reserve(kPendingCapacity);

  XML_ParserReset(parser, nullptr);
  XML_SetUserData(parser, &state);
  XML_SetElementHandler(parser, FillStart, FillEnd);
  Feed(parser, lines, lineCount);
  XML_ParserFree(parser);
}

}  // namespace k7q
