// Finds the configuration block in a file image by its signature, validates it,
// loads it into the chip and writes the current block back in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "chipmodel/hal_struct.h"

namespace k7q {

class Chip62500;

enum class FindResult { kFound, kNotFound, kInvalid };

struct BlockFind {
  FindResult result = FindResult::kNotFound;
  std::string message;
  size_t position = 0;
  HalStruct block{};  // the bytes as they stand in the image
};

extern const char kNoConfigurationData[];  // "The file does not contain any configuration data."

BlockFind FindBlock(const Chip62500& chip, const uint8_t* image, size_t length, bool checkCrc);

// The verdict over the signature's candidates of one image, given in ascending position.
class BlockScan {
 public:
  BlockScan(const Chip62500& chip, bool checkCrc);
  // Takes the 464 bytes at a signature; false once the verdict cannot change.
  bool Take(const HalStruct& candidate, size_t position);
  // A candidate whose bytes cannot all be had counts as one of the wrong size does,
  // with its own message.
  void TakeIncomplete(const std::string& message);
  const BlockFind& Result() const { return find_; }

 private:
  const Chip62500& chip_;
  bool checkCrc_;
  bool seenWellFormed_ = false;
  BlockFind find_;
};

// Loads the image's block (with the CRC check) into the chip, in host order.
// *message receives the reason in every case; *position, when given, the block's offset.
bool LoadBlockFromImage(Chip62500& chip, const uint8_t* image, size_t length, std::string* message,
                        size_t* position = nullptr);

// Overwrites the image's block with the chip's current block in the image's byte order
// and with a fresh CRC; with preserveAddresses the image keeps its own base address.
// *position, when given, receives the block's offset in the image.
bool StoreBlockIntoImage(const Chip62500& chip, uint8_t* image, size_t length,
                         bool preserveAddresses, std::string* message, size_t* position = nullptr);

}  // namespace k7q
