#include "chipmodel/hal_struct.h"

#include <cstring>
#include <initializer_list>

#include "chipmodel/bit_utils.h"

namespace k7q {

namespace {

HalStruct BuildDefault() {
  static const uint8_t kRegisterValues[33] = {0x30, 0x87, 0x07, 0x4F, 0x53, 0xC7, 0x50, 0x00, 0x00,
                                              0x01, 0x05, 0x00, 0x00, 0xC7, 0x80, 0x1F, 0x27, 0x20,
                                              0x30, 0x24, 0x60, 0x07, 0x87, 0x00, 0x00, 0x00, 0x70,
                                              0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  HalStruct b;
  std::memset(&b, 0, sizeof b);
  std::strcpy(b.idString, "62500 HAL EXE");
  std::strcpy(b.chipId, "62500");
  b.size = kHalStructSize;
  b.crc = 0xE361;
  b.endian = kEndianWord;
  b.frameRate = 70;
  b.internalOsc = 6000000;
  b.clki = 6000000;
  b.pclk = 6000000;
  b.width = 640;
  b.height = 200;
  b.bitsPerPixel = 1;
  b.registerOffset = 0x8000;
  b.requiredVram = 32768;
  for (uint16_t i = 0; i < 33; ++i) b.registers[i] = {i, kRegisterValues[i]};
  b.registers[33] = {kEndOfTable, 0};
  return b;
}

}  // namespace

const HalStruct& DefaultHalStruct() {
  static const HalStruct block = BuildDefault();
  return block;
}

uint16_t Crc16(const uint8_t* bytes, size_t count, uint16_t crc) {
  for (size_t i = 0; i < count; ++i) {
    crc = static_cast<uint16_t>((crc >> 8) | (crc << 8));
    crc ^= bytes[i];
    crc ^= static_cast<uint8_t>(crc & 0xFF) >> 4;
    crc ^= static_cast<uint16_t>(crc << 12);
    crc ^= static_cast<uint16_t>((crc & 0xFF) << 5);
  }
  return crc;
}

uint16_t BlockCrc(const HalStruct& block) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&block);
  return Crc16(bytes + kCrcStart, kHalStructSize - kCrcStart);
}

void SwapBlock(HalStruct& b) {
  for (uint16_t* field :
       {&b.size, &b.crc, &b.endian, &b.frameRate, &b.width, &b.height, &b.bitsPerPixel}) {
    *field = Swap16(*field);
  }
  for (uint32_t* field : {&b.internalOsc, &b.clki, &b.pclk, &b.baseAddress, &b.registerOffset,
                          &b.memoryOffset, &b.requiredVram, &b.flags}) {
    *field = Swap32(*field);
  }
  for (RegisterPair& pair : b.registers) {
    pair.index = Swap16(pair.index);
    pair.value = Swap16(pair.value);
  }
}

uint32_t RegisterCount(const HalStruct& block) {
  uint32_t count = 0;
  while (count < kHalMaxRegisters && block.registers[count].index != kEndOfTable) ++count;
  return count;
}

}  // namespace k7q
