#include "bench/srecord_input.h"

#include <cstdio>

#include "chipmodel/hal_struct.h"

namespace k7q {

static void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i));
}

// S3 records of 32 data bytes; the block's numeric fields start at a record, most
// significant byte first, CLKI 1000 times larger.
std::string SrecordBenchText(size_t size) {
  HalStruct b = DefaultHalStruct();
  b.clki = 6000;
  b.crc = BlockCrc(b);
  std::string data(reinterpret_cast<const char*>(&b), 280);
  for (uint16_t v : {b.size, b.crc, b.endian, b.frameRate}) Put(data, v, 2);
  for (uint32_t v : {b.internalOsc, b.clki * 1000, b.pclk}) Put(data, v, 4);
  for (uint16_t v : {b.width, b.height, b.bitsPerPixel, b.padding}) Put(data, v, 2);
  for (uint32_t v : {b.baseAddress, b.registerOffset, b.memoryOffset, b.requiredVram, b.flags}) {
    Put(data, v, 4);
  }
  for (const RegisterPair& pair : b.registers) {
    Put(data, pair.index, 2);
    Put(data, pair.value, 2);
  }
  const size_t records = size / 80;
  std::string payload(records * 32 / 2, '\x5A');
  payload.resize(payload.size() - payload.size() % 32 + 8, '\0');
  payload += data;
  payload.resize(records * 32, '\x33');
  std::string out;
  out.reserve(records * 80);
  char line[128];
  for (size_t r = 0; r < records; ++r) {
    const size_t a = r * 32;
    unsigned sum = 37 + (a >> 24 & 0xFF) + (a >> 16 & 0xFF) + (a >> 8 & 0xFF) + (a & 0xFF);
    int n = std::snprintf(line, sizeof line, "S325%08zX", a);
    for (size_t i = 0; i < 32; ++i) {
      const unsigned byte = static_cast<uint8_t>(payload[a + i]);
      sum += byte;
      n += std::snprintf(line + n, sizeof line - n, "%02X", byte);
    }
    std::snprintf(line + n, sizeof line - n, "%02X\r\n", ~sum & 0xFF);
    out += line;
  }
  return out;
}

}  // namespace k7q
