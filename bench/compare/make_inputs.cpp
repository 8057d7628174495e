// Writes the inputs of compare.sh into FOLDER: big.srec (64 MiB of S3 records with the
// block inside), big.elf (256 MiB), images/NNNN.elf (1000 images of 1 MiB) and
// source.elf (one more of them) and needle.bin (the block's first bytes, for the bare
// loops).
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "chipmodel/hal_struct.h"

namespace {

void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i));
}

// S3 records of 32 data bytes; the block's numeric fields start at a record, most
// significant byte first, CLKI 1000 times larger.
std::string SrecordText(size_t size) {
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

// Random bytes with a valid block (CLKI 6000, so that configuring changes it) halfway.
std::string Image(size_t size, std::mt19937_64& random) {
  HalStruct block = DefaultHalStruct();
  block.clki = 6000;
  block.crc = BlockCrc(block);
  std::string image(size, '\0');
  for (size_t i = 0; i + 8 <= size; i += 8) {
    const uint64_t v = random();
    image.replace(i, 8, reinterpret_cast<const char*>(&v), 8);
  }
  image.replace(size / 2, sizeof block, reinterpret_cast<const char*>(&block), sizeof block);
  return image;
}

bool Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_inputs FOLDER\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  std::mt19937_64 random(7);
  const HalStruct block = DefaultHalStruct();
  bool ok = Write(folder + "/needle.bin", std::string(reinterpret_cast<const char*>(&block), 16)) &&
            Write(folder + "/big.srec", SrecordText(64u << 20)) &&
            Write(folder + "/big.elf", Image(256u << 20, random));
  mkdir((folder + "/images").c_str(), 0755);
  const std::string small = Image(1u << 20, random);
  ok = ok && Write(folder + "/source.elf", small);
  for (int i = 0; ok && i < 1000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/images/%04d.elf", i);
    std::string copy = small;
    copy.replace(0, sizeof i, reinterpret_cast<const char*>(&i), sizeof i);
    ok = Write(folder + name, copy);
  }
  return ok ? 0 : 1;
}
