// Arbitrary images through the block locator: load, and store back into a copy.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/block_locator.h"
#include "config/chip62500.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7q;
  static Chip62500 chip;
  chip.LoadBlock(DefaultHalStruct());
  std::string message;
  std::vector<uint8_t> image(data, data + size);
  if (LoadBlockFromImage(chip, image.data(), image.size(), &message)) {
    chip.SetValueText("fx", "10");
  }
  StoreBlockIntoImage(chip, image.data(), image.size(), size % 2 == 0, &message);
  return 0;
}
