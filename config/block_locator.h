// Finds the configuration block in a file image by its signature, validates it,
// loads it into the chip and writes the current block back in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "chipmodel/hal_struct.h"

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

// Loads the image's block (with the CRC check) into the chip, in host order.
// *message receives the reason in every case; *position, when given, the block's offset.
bool LoadBlockFromImage(Chip62500& chip, const uint8_t* image, size_t length, std::string* message,
                        size_t* position = nullptr);

// Overwrites the image's block with the chip's current block in the image's byte order
// and with a fresh CRC; with preserveAddresses the image keeps its own base address.
// *position, when given, receives the block's offset in the image.
bool StoreBlockIntoImage(const Chip62500& chip, uint8_t* image, size_t length,
                         bool preserveAddresses, std::string* message, size_t* position = nullptr);
