// Arbitrary files opened and saved through the configurable-file layer; the first
// byte picks the file kind.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "formats/file_kinds.h"

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
  // A name of each kind, or none, which leaves the kind to the content.
  const std::vector<FileKind>& kinds = FileKinds();
  const size_t pick = (data[0] & 0x7F) % (kinds.size() + 1);
  const std::string path =
      Folder() + "/f" + (pick < kinds.size() ? std::string(kinds[pick].extensions[0]) : "");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  Chip62500 chip;
  if (OpenConfigurableFile(chip, path).ok) chip.SetValueText("fx", "12");
  SaveConfigurableFile(chip, path, "", data[0] & 0x80);
  unlink(path.c_str());
  return 0;
}
