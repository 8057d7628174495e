#include "config/chip62500.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "board/board_choice.h"
#include "board/test_pattern.h"
#include "chipmodel/chip_definition_loader.h"
#include "chipmodel/labels.h"
#include "chipmodel/product_names.h"
#include "chipmodel/text_format.h"

namespace k7q {

namespace {

constexpr uint32_t kDisplayBufferSize = 32768;
constexpr uint32_t kTextRoom = 4096;

bool Named(const FeatureRecord& f, const char* keyname) {
  return f.keyname && EqualsIgnoreCase(*f.keyname, keyname);
}

uint32_t FlagBit(uint32_t flags, uint32_t bit) {
  return (flags & bit) != 0 ? 1 : 0;
}

void SetFlag(uint32_t& flags, uint32_t bit, bool on) {
  flags = on ? (flags | bit) : (flags & ~bit);
}

// A two-bit list index kept in two flag bits.
uint32_t FlagPair(uint32_t flags, uint32_t high, uint32_t low) {
  return FlagBit(flags, low) + 2 * FlagBit(flags, high);
}

void SetFlagPair(uint32_t& flags, uint32_t high, uint32_t low, uint32_t index) {
  SetFlag(flags, high, index & 2);
  SetFlag(flags, low, index & 1);
}

// Limits of the block fields that the chip definition leaves to the chip.
struct FieldLimits {
  const char* keyname;
  uint32_t minimum, maximum;
};

constexpr FieldLimits kFieldLimits[] = {
    {"baseaddr", 0, 0xFFFFFFFFu}, {"regoffset", 0, 0xFFFFFFFFu}, {"memoffset", 0, 0xFFFFFFFFu},
    {"vram", 0, 0xFFFFFFFFu},     {"clki", 390000, 120000000},   {"iosc", 20000000, 30000000},
};

const FieldLimits* LimitsOf(const FeatureRecord& f) {
  for (const FieldLimits& limits : kFieldLimits) {
    if (Named(f, limits.keyname)) return &limits;
  }
  return nullptr;
}

// Clocks derived from the system clock share its limits.
bool HasClockLimits(const FeatureRecord& f) {
  return Named(f, "pclk") || Named(f, "fpshiftclk");
}

}  // namespace

Chip62500::Chip62500(ChipTables& tables) : ChipEngine(tables) {
  block_ = DefaultHalStruct();
  registerIndexWidth_ = 4;
  signature_ = std::string(block_.chipId) + " HAL EXE";
  LoadChipDefinition(tables, kChipDefLines, kChipDefLineCount);
  registerCount_ = RegisterCount(block_);
  SelectProduct(std::string(block_.chipId));
  SpanPreparation();

  // Keep only the pairs of registers this product has.
  std::vector<RegisterPair> kept;
  bool endReached = false;
  for (uint32_t i = 0; i < kHalMaxRegisters; ++i) {
    const RegisterPair pair = block_.registers[i];
    if (pair.index == kEndOfTable) {
      endReached = true;
      break;
    }
    if (IsRegisterAvailable(pair.index, false)) kept.push_back(pair);
  }
  std::copy(kept.begin(), kept.end(), block_.registers);
  if (endReached || kept.size() < kHalMaxRegisters) {
    block_.registers[kept.size()] = {kEndOfTable, 0};
    for (size_t i = kept.size() + 1; i < kHalRegisterPairs; ++i) block_.registers[i] = {0, 0};
  }
  registerCount_ = static_cast<uint32_t>(kept.size());
}

bool Chip62500::SelectProduct(std::string_view keyname) {
  if (!ChipEngine::SelectProduct(keyname)) return false;
  std::memset(block_.chipId, 0, sizeof block_.chipId);
  std::memcpy(block_.chipId, keyname.data(), std::min(keyname.size(), sizeof block_.chipId - 1));
  return true;
}

void Chip62500::LoadBlock(const HalStruct& block) {
  block_ = block;
  registerCount_ = RegisterCount(block_);
  liveMode_ = false;
  chipInitialised_ = false;
}

// ---- features ----

uint32_t Chip62500::FrameRate() {
  const uint32_t tcr = GetFieldValue("tcr"), bpp = GetFieldValue("bpp");
  const uint32_t lf = GetFieldValue("lf"), stride = GetFieldValue("stride");
  const uint32_t fx = GetFieldValue("fx");
  const uint32_t shiftClock = GetRawValue("fpshiftclk");
  const uint32_t t = (fx * stride) / 4;
  uint32_t q = t / 16 + (t % 16 != 0 ? 1 : 0);
  q *= fx <= 8 ? 128 : 256;
  if (fx == 0) return 0;
  const uint32_t h = (q / fx + 2 * (tcr - stride)) / 2;
  const uint32_t divisor = h * fx * lf * bpp;
  return divisor == 0 ? 0 : (shiftClock * 4) / divisor;
}

uint32_t Chip62500::GetRawValue(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  if (!f) return 0;
  if (!f->needsCode) return ChipEngine::GetRawValue(name);
  const FeatureRecord& r = *f;
  const HalStruct& b = block_;
  const ChipRuntime& rt = runtime_;
  if (liveMode_) {
    if (Named(r, "baseaddr")) return rt.mappedBase;
    if (Named(r, "regaddr")) return rt.registerBase;
    if (Named(r, "memaddr")) return rt.memoryBase;
    if (Named(r, "regoffset")) return rt.registerBase - rt.mappedBase;
    if (Named(r, "memoffset")) return rt.memoryBase - rt.mappedBase;
  }
  if (Named(r, "baseaddr")) return b.baseAddress;
  if (Named(r, "regaddr")) return GetRawValue("regoffset") + b.baseAddress;
  if (Named(r, "memaddr")) return GetRawValue("memoffset") + b.baseAddress;
  if (Named(r, "regoffset")) return b.registerOffset;
  if (Named(r, "memoffset")) return b.memoryOffset;
  if (Named(r, "framerate")) return FrameRate();
  if (Named(r, "vram")) return b.requiredVram;
  if (Named(r, "ii")) return FlagBit(b.flags, fINDIRECT_INTERFACE);
  if (Named(r, "pccard")) return FlagBit(b.flags, fPCCARD_INTERFACE);
  if (Named(r, "regwrite")) return FlagBit(b.flags, fDEBUG_REG_WRITES);
  if (Named(r, "clki")) return b.clki;
  if (Named(r, "iosc")) return b.internalOsc;
  if (Named(r, "sysclk"))
    return GetRawValue("sysclksrc") == 0 ? GetRawValue("iosc") : GetRawValue("clki");
  if (Named(r, "sysclksrc")) return FlagBit(b.flags, kFlagClockSource);
  if (Named(r, "fpshiftdiv")) return FlagPair(b.flags, kFlagShiftDivHigh, kFlagShiftDivLow);
  if (Named(r, "fpshiftclk")) {
    const uint32_t shift = GetFieldValue("fpshiftdiv") + 2;
    return shift < 32 ? GetRawValue("sysclk") >> shift : 0;
  }
  if (Named(r, "pclkdiv")) {
    const uint32_t div = GetRawValue("fpshiftdiv"), bpp = GetFieldValue("bpp");
    return div == 1 ? bpp * 2 : div == 2 ? bpp * 4 : bpp;
  }
  if (Named(r, "pclk")) {
    const uint32_t divisor = GetFieldValue("pclkdiv");
    return divisor == 0 ? 0 : GetRawValue("sysclk") / divisor;
  }
  if (Named(r, "bufsize")) return kDisplayBufferSize;
  if (Named(r, "width")) {
    const uint32_t bpp = GetRawValue("bpp");
    return bpp == 0 ? 0 : (GetRawValue("stride") * 8 + 8) / bpp;
  }
  if (Named(r, "height")) return GetRawValue("lf") + 1;
  if (Named(r, "bpp")) {
    const uint32_t raw = GetRawValue("rawbpp");
    return raw == 1 ? 2 : raw == 2 ? 4 : 1;
  }
  return ChipEngine::GetRawValue(name);
}

bool Chip62500::SetRawValue(std::string_view name, uint32_t v) {
  const FeatureRecord* f = Feature(name);
  if (!f) return false;
  if (!f->needsCode) return ChipEngine::SetRawValue(name, v);
  const FeatureRecord& r = *f;
  HalStruct& b = block_;
  if (Named(r, "baseaddr")) return b.baseAddress = v, true;
  if (Named(r, "regoffset")) return b.registerOffset = v, true;
  if (Named(r, "memoffset")) return b.memoryOffset = v, true;
  if (Named(r, "vram")) return b.requiredVram = v, true;
  if (Named(r, "clki")) return b.clki = v, true;
  if (Named(r, "iosc")) return b.internalOsc = v, true;
  if (Named(r, "ii") || Named(r, "cnf4")) return SetFlag(b.flags, fINDIRECT_INTERFACE, v), true;
  if (Named(r, "pccard")) return SetFlag(b.flags, fPCCARD_INTERFACE, v), true;
  if (Named(r, "sysclksrc")) return SetFlag(b.flags, kFlagClockSource, v), true;
  if (Named(r, "regwrite")) return SetFlag(b.flags, fDEBUG_REG_WRITES, v), true;
  if (Named(r, "cnf32")) {
    SetFlagPair(b.flags, kFlagBusFamilyHigh, kFlagBusFamilyLow, v);
    return true;
  }
  if (Named(r, "fpshiftdiv")) {
    SetFlagPair(b.flags, kFlagShiftDivHigh, kFlagShiftDivLow, v);
    return true;
  }
  if (Named(r, "pclkdiv") || Named(r, "sysclk") || Named(r, "pclk")) return true;
  if (Named(r, "stride") || Named(r, "rawbpp")) return ChipEngine::SetRawValue(name, v), true;
  if (Named(r, "bpp")) return SetRawValue("rawbpp", v == 2 ? 1 : v == 4 ? 2 : 0);
  return ChipEngine::SetRawValue(name, v);
}

const char* Chip62500::GetValueText(std::string_view name, bool readSide) {
  const FeatureRecord* f = Feature(name);
  if (!f) return nullptr;
  const ProductRecord* p = CurrentProduct();
  std::string text;
  if (Named(*f, "chipid")) {
    text = p ? p->name.value_or("") : "";
  } else if (Named(*f, "chipname")) {
    text = ProductTitle(*this);
  } else if (Named(*f, "chipdesc")) {
    text = " " + (p ? p->description.value_or("") : "");
  } else if (Named(*f, "cfgdesc")) {
    text.assign(block_.configDescription,
                strnlen(block_.configDescription, sizeof block_.configDescription));
  } else if (Named(*f, "clki") || Named(*f, "iosc") || Named(*f, "sysclk") || Named(*f, "pclk") ||
             Named(*f, "fpshiftclk") || Named(*f, "framerate")) {
    text = FormatFrequency(GetFieldValue(name));
  } else if (Named(*f, "pclksrc")) {
    text = "sysclk";
  } else {
    return ChipEngine::GetValueText(name, readSide);
  }
  char* out = Ring().NextTextSized(kTextRoom);
  const size_t n = std::min<size_t>(text.size(), kTextRoom - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return out;
}

bool Chip62500::SetValueText(std::string_view name, std::string_view text) {
  const FeatureRecord* f = Feature(name);
  if (!f) return false;
  if (!Named(*f, "cfgdesc")) return ChipEngine::SetValueText(name, text);
  // The field holds 255 characters and the NUL; a longer text is cut.
  std::memset(block_.configDescription, 0, sizeof block_.configDescription);
  std::memcpy(block_.configDescription, text.data(),
              std::min(text.size(), sizeof block_.configDescription - 1));
  return true;
}

uint32_t Chip62500::GetMinimum(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  if (!f) return 0;
  if (f->needsCode) {
    if (const FieldLimits* limits = LimitsOf(*f)) return limits->minimum;
    if (HasClockLimits(*f)) return GetMinimum("sysclk");
  }
  return ChipEngine::GetMinimum(name);
}

uint32_t Chip62500::GetMaximum(std::string_view name) {
  const FeatureRecord* f = Feature(name);
  if (!f) return 0;
  if (f->needsCode) {
    if (const FieldLimits* limits = LimitsOf(*f)) return limits->maximum;
    if (HasClockLimits(*f)) return GetMaximum("sysclk");
  }
  return ChipEngine::GetMaximum(name);
}

// ---- memory map ----

bool Chip62500::MemoryMapEntry(uint32_t kind, uint32_t entry, std::string* name, uint32_t* first,
                               uint32_t* second) {
  struct Entry {
    std::string name;
    uint32_t first, second, order;
  };
  const uint32_t base = kind == 1 ? GetFieldValue("baseaddr") : 0;
  std::vector<Entry> entries;
  if (kind & 3) {
    entries.push_back({"Registers", GetFieldValue("regoffset") + base, base + 0x3FFFFF, 3});
    entries.push_back({"\tDisplay Memory", GetFieldValue("memoffset") + base, base + 0x3A8000, 3});
  }
  if (kind & 1) entries.push_back({"Chip Base Address", base, 0, 1});
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.order != b.order ? a.order > b.order : a.first > b.first;
  });
  if (entry >= entries.size()) return false;
  if (name) *name = entries[entry].name.substr(0, 127);
  if (first) *first = entries[entry].first;
  if (second) *second = entries[entry].second;
  return true;
}

// ---- registers in the block ----

bool Chip62500::RegisterIndexAt(bool fromBlock, uint32_t position, uint32_t* index) {
  if (!fromBlock) return ChipEngine::RegisterIndexAt(false, position, index);
  if (position >= registerCount_) return false;
  *index = block_.registers[position].index;
  return true;
}

uint32_t Chip62500::BlockValueAt(uint32_t position) {
  return position < kHalRegisterPairs ? block_.registers[position].value : 0;
}

bool Chip62500::SetBlockValueAt(uint32_t position, uint16_t value) {
  if (position < kHalRegisterPairs) block_.registers[position].value = value;
  return true;
}

bool Chip62500::FindBlockPosition(uint32_t index, uint32_t* position, bool stopAtDelay) {
  bool found = false;
  for (uint32_t p = 0; p < registerCount_; ++p) {
    const uint16_t at = block_.registers[p].index;
    if (stopAtDelay && found && at == kOnDelayIndex) break;
    if (at == index) {
      *position = p;
      found = true;
    }
  }
  return found;
}

bool Chip62500::BlockIndexAt(uint32_t position, uint32_t* index) {
  if (position > registerCount_ || position >= kHalRegisterPairs) return false;
  *index = block_.registers[position].index;
  return true;
}

// ---- reports and the physical chip ----

uint32_t Chip62500::ConfigurationErrors(std::string& out, uint32_t room) {
  if (GetFieldValue("bpp") <= 16 || GetFieldValue("lut1bypass") != 0) return 0;
  std::string text =
      StringPrintf("ERROR: %s cannot =0 when %s >16.\n",
                   FeatureLabel(*this, "lut1bypass", kLabelInMessage).value_or("").c_str(),
                   FeatureLabel(*this, "bpp", kLabelInMessage).value_or("").c_str());
  if (text.size() > room) text.resize(room);
  out += text;
  return static_cast<uint32_t>(text.size());
}

uint32_t Chip62500::ReservedSettingsReport(std::string&, uint32_t) {
  return 0;
}

void Chip62500::UseBoardDriver(std::unique_ptr<BoardDriver> driver) {
  CloseBoard(runtime_.board);
  runtime_.board.driver = std::move(driver);
  runtime_.mappedBase = 0;
  boardOpen_ = false;
}

bool Chip62500::InitializeChip(uint32_t mode, std::string* message) {
  runtime_.block = block_;
  runtime_.block.crc = BlockCrc(runtime_.block);
  if (!boardOpen_) {
    if (!runtime_.board.driver) runtime_.board.driver = MakeBoardDriver(Tables(), block_);
    boardOpen_ = AcquireBoard(runtime_, nullptr, nullptr);
  }
  if (!boardOpen_ || !InitializeRuntime(runtime_, mode)) {
    chipInitialised_ = false;
    liveMode_ = false;
    if (message) {
      *message = StringPrintf("Cannot Initialize: %s.\n", RuntimeErrorText(runtime_, 1024).c_str());
    }
    return false;
  }
  if (mode == 0) {
    chipInitialised_ = true;
    if (patternShown_) redrawCountdown_ = 1;
  } else {
    chipInitialised_ = false;
    liveMode_ = false;
  }
  if (message) {
    *message = StringPrintf("Initialized %s using HAL build %u.\n", ProductFullName(*this).c_str(),
                            RuntimeBuildNumber());
  }
  return chipInitialised_;
}

bool Chip62500::AttachBoard(std::string* message) {
  runtime_.block = block_;
  runtime_.block.crc = BlockCrc(runtime_.block);
  if (!boardOpen_) {
    if (!runtime_.board.driver) runtime_.board.driver = MakeBoardDriver(Tables(), block_);
    boardOpen_ = AcquireBoard(runtime_, nullptr, nullptr);
  }
  if (!boardOpen_ && message) {
    *message =
        StringPrintf("Cannot reach the board: %s.\n", RuntimeErrorText(runtime_, 1024).c_str());
  }
  return boardOpen_;
}

bool Chip62500::ShutdownChip(std::string* message) {
  if (!boardOpen_) return false;
  if (RuntimeShutdown(runtime_)) return true;
  if (message) {
    *message = StringPrintf(
        "The panel was not put to sleep: the indirect interface of %s has no sleep command.\n",
        ProductFullName(*this).c_str());
  }
  return false;
}

std::string Chip62500::BoardNote() const {
  return runtime_.board.driver ? runtime_.board.driver->Note() : std::string();
}

int Chip62500::DrawTestPattern() {
  if (!chipInitialised_) return 2;
  return ShowTestPattern(runtime_, GetFieldValue("width"), GetFieldValue("height"),
                         GetFieldValue("bpp"));
}

uint32_t Chip62500::ReadChipRegister(uint32_t index) {
  uint32_t p;
  if (!boardOpen_ || !FindRegister(index, false, &p)) return 0;
  switch (Tables().registers[p].bitWidth) {
    case 8:
      return RuntimeReadRegister8(runtime_, index);
    case 16:
      return RuntimeReadRegister16(runtime_, index);
    case 32:
      return RuntimeReadRegister32(runtime_, index);
  }
  return 0;
}

bool Chip62500::WriteChipRegister(uint32_t index, uint32_t value) {
  uint32_t p;
  if (!boardOpen_ || !FindRegister(index, false, &p)) return false;
  switch (Tables().registers[p].bitWidth) {
    case 8:
      RuntimeWriteRegister8(runtime_, index, value);
      break;
    case 16:
      RuntimeWriteRegister16(runtime_, index, value);
      break;
    case 32:
      RuntimeWriteRegister32(runtime_, index, value);
      break;
    default:
      return false;
  }
  // A register that a pattern-changing feature lives in redraws the pattern.
  if (IsPatternShown() && IsChipInitialised()) {
    for (const FeatureRecord& f : Tables().features) {
      if (f.redrawPattern && f.registerIndex == index && IsApplicable(f.existsFor)) {
        redrawCountdown_ = 1;
        break;
      }
    }
  }
  return true;
}

Chip62500& TheChip() {
  static Chip62500 chip;
  return chip;
}

}  // namespace k7q
