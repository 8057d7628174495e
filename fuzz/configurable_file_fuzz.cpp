// Arbitrary files opened and saved through the configurable-file layer; the first
// byte picks the file kind.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "config/chip62500.h"
#include "config/configurable_file.h"

namespace k7q {

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/k7qfuzz.XXXXXX";
    return std::string(mkdtemp(name));
  }();
  return folder;
}

}  // namespace

}  // namespace k7q

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7q;
  if (size == 0) return 0;
  static const char* const kNames[] = {"f.exe", "f.s19", "f.elf", "f.srec", "f.out", "f.TKB"};
  const std::string path = Folder() + "/" + kNames[data[0] % 6];
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  Chip62500 chip;
  if (OpenConfigurableFile(chip, path).ok) chip.SetValueText("fx", "12");
  SaveConfigurableFile(chip, path, "", data[0] & 0x80);
  unlink(path.c_str());
  return 0;
}
