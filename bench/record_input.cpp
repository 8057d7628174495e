#include "bench/record_input.h"

#include <cstdint>
#include <cstring>

#include "chipmodel/hal_struct.h"

namespace k7q {

namespace {

constexpr uint32_t kBase = 0x08000000;

std::string Payload(size_t bytes) {
  HalStruct b = DefaultHalStruct();
  b.clki = 6000;
  b.crc = BlockCrc(b);
  std::string payload(bytes, '\0');
  uint32_t x = 7;
  for (char& c : payload) {
    x = x * 1103515245 + 12345;
    c = static_cast<char>(x >> 23);
  }
  std::memcpy(payload.data() + bytes / 2, &b, sizeof b);
  return payload;
}

void PutByte(std::string& out, unsigned byte, unsigned* sum) {
  static const char kDigits[] = "0123456789ABCDEF";
  out += kDigits[byte >> 4 & 15];
  out += kDigits[byte & 15];
  *sum += byte & 0xFF;
}

}  // namespace

std::string SrecordByAddressText(size_t size) {
  const size_t records = size / 80;
  const std::string payload = Payload(records * 32);
  std::string out;
  out.reserve(records * 80);
  for (size_t r = 0; r < records; ++r) {
    const uint32_t a = kBase + static_cast<uint32_t>(r * 32);
    unsigned sum = 0;
    out += "S3";
    PutByte(out, 37, &sum);
    for (int shift = 24; shift >= 0; shift -= 8) PutByte(out, a >> shift, &sum);
    for (size_t i = 0; i < 32; ++i) PutByte(out, static_cast<uint8_t>(payload[r * 32 + i]), &sum);
    PutByte(out, ~sum, &sum);
    out += "\r\n";
  }
  return out + "S70508000000F2\r\n";
}

std::string IntelHexBenchText(size_t size) {
  const size_t records = size / 45;
  const std::string payload = Payload(records * 16);
  std::string out;
  out.reserve(records * 45);
  for (size_t r = 0; r < records; ++r) {
    const uint32_t a = kBase + static_cast<uint32_t>(r * 16);
    unsigned sum = 0;
    if ((a & 0xFFFF) == 0) {
      out += ':';
      for (unsigned byte : {2u, 0u, 0u, 4u, a >> 24, a >> 16 & 0xFF}) PutByte(out, byte, &sum);
      PutByte(out, 0x100 - (sum & 0xFF), &sum);
      out += "\r\n";
      sum = 0;
    }
    out += ':';
    for (unsigned byte : {16u, a >> 8 & 0xFF, a & 0xFF, 0u}) PutByte(out, byte, &sum);
    for (size_t i = 0; i < 16; ++i) PutByte(out, static_cast<uint8_t>(payload[r * 16 + i]), &sum);
    PutByte(out, 0x100 - (sum & 0xFF), &sum);
    out += "\r\n";
  }
  return out + ":00000001FF\r\n";
}

}  // namespace k7q
