#include "tests/support/fixtures.h"

#include <cstring>
#include <filesystem>
#include <iterator>

namespace k7q {

const std::string kOddDescription =
    "Panel\t\"A\"\\B\x01"
    "F\x7f\xff\x1b"
    "9 end\r\n\a\b\v\f";

std::string SrecordTargetText(int type, const std::string& after) {
  return SrecordText(std::string(28, '\0') + SrecordBlockBytes(SrecordTargetBlock()) + after, type,
                     28);
}

std::string WriteImage(const TempDir& dir, const std::string& name, const HalStruct& block,
                       bool bigEndian) {
  const std::string path = dir.File(name);
  WriteFile(path, ImageWith(StoredBlock(block, bigEndian)));
  return path;
}

HalStruct WithDescription(HalStruct block, const std::string& text) {
  std::memset(block.configDescription, 0, sizeof block.configDescription);
  std::memcpy(block.configDescription, text.data(), text.size());
  return block;
}

size_t EntryCount(const std::string& folder) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace k7q
