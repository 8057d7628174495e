// The 464-byte configuration block that a driver program carries in its image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k7q {

struct RegisterPair {
  uint16_t index;
  uint16_t value;
};

constexpr size_t kHalStructSize = 464;
constexpr size_t kHalRegisterPairs = 34;
constexpr size_t kHalMaxRegisters = 33;
constexpr uint16_t kEndOfTable = 0xFFFF;
constexpr uint16_t kOnDelayIndex = 0xFFFE;
constexpr uint16_t kOffDelayIndex = 0xFFFD;
constexpr uint16_t kFirstPseudoRegister = 0xFFF0;
constexpr uint16_t kEndianWord = 0x1234;
constexpr size_t kCrcStart = 284;

constexpr uint32_t fINDIRECT_INTERFACE = 0x80000000u;
constexpr uint32_t kFlagBusFamilyHigh = 0x40000000u;
constexpr uint32_t kFlagBusFamilyLow = 0x20000000u;
constexpr uint32_t kFlagShiftDivHigh = 0x10000000u;
constexpr uint32_t kFlagShiftDivLow = 0x08000000u;
constexpr uint32_t fPCCARD_INTERFACE = 0x00000400u;
constexpr uint32_t kFlagShadowReads = 0x00000200u;
constexpr uint32_t fDEBUG_REG_WRITES = 0x00000100u;
constexpr uint32_t kFlagClockSource = 0x00000002u;

// The flags that the generated driver header names, in the order they are listed.
struct NamedHalFlag {
  uint32_t mask;
  const char* name;
};
constexpr NamedHalFlag kNamedHalFlags[] = {{fINDIRECT_INTERFACE, "fINDIRECT_INTERFACE"},
                                           {fPCCARD_INTERFACE, "fPCCARD_INTERFACE"},
                                           {fDEBUG_REG_WRITES, "fDEBUG_REG_WRITES"}};

// Fields in the byte order of whoever holds the block; the endian word tells which.
struct HalStruct {
  char idString[16];
  char configDescription[256];
  char chipId[8];
  uint16_t size;
  uint16_t crc;
  uint16_t endian;
  uint16_t frameRate;
  uint32_t internalOsc;
  uint32_t clki;
  uint32_t pclk;
  uint16_t width;
  uint16_t height;
  uint16_t bitsPerPixel;
  uint16_t padding;
  uint32_t baseAddress;
  uint32_t registerOffset;
  uint32_t memoryOffset;
  uint32_t requiredVram;
  uint32_t flags;
  RegisterPair registers[kHalRegisterPairs];
};
static_assert(sizeof(HalStruct) == kHalStructSize);

// The block built into the program, in host order.
const HalStruct& DefaultHalStruct();

// CRC-16 (0x1021, initial 0xFFFF) of bytes 284 to 463 as they are stored.
uint16_t BlockCrc(const HalStruct& block);
uint16_t Crc16(const uint8_t* bytes, size_t count, uint16_t crc = 0xFFFF);

// Converts the block in place between the two byte orders.
void SwapBlock(HalStruct& block);

// Number of pairs before the first end marker (at most 33).
uint32_t RegisterCount(const HalStruct& block);

}  // namespace k7q
