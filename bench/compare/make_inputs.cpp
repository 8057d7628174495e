// Writes the inputs of compare.sh into FOLDER: big.srec (64 MiB of S3 records with the
// block inside as one stream of fields), address.srec and address.hex (64 MiB of S3 and
// Intel HEX records with the block at consecutive addresses), big.elf (256 MiB), images/NNNN.elf
// (1000 images of 1 MiB) and source.elf (one more of them) and needle.bin (the block's first bytes,
// for the bare loops).
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "bench/record_input.h"
#include "bench/srecord_input.h"
#include "chipmodel/hal_struct.h"

namespace k7q {

namespace {

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

}  // namespace k7q

int main(int argc, char** argv) {
  using namespace k7q;
  if (argc != 2) {
    std::fputs("usage: make_inputs FOLDER\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  std::mt19937_64 random(7);
  const HalStruct block = DefaultHalStruct();
  bool ok = Write(folder + "/needle.bin", std::string(reinterpret_cast<const char*>(&block), 16)) &&
            Write(folder + "/big.srec", SrecordBenchText(64u << 20)) &&
            Write(folder + "/address.srec", SrecordByAddressText(64u << 20)) &&
            Write(folder + "/address.hex", IntelHexBenchText(64u << 20)) &&
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
