#include "tests/support/fixtures.h"

#include <filesystem>
#include <iterator>

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

size_t EntryCount(const std::string& folder) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}
