#include "config/block_locator.h"

#include <cstring>

#include "chipmodel/bit_utils.h"
#include "config/chip62500.h"
#include "config/signature_search.h"

namespace k7q {

const char kNoConfigurationData[] = "The file does not contain any configuration data.";

namespace {

constexpr uint16_t kSwappedEndianWord = 0x3412;

// Next occurrence of the signature at or after from, or length when none.
size_t NextSignature(const uint8_t* image, size_t length, size_t from, const std::string& sig) {
  if (from >= length) return length;
  return from + FindBytes(image + from, length - from, reinterpret_cast<const uint8_t*>(sig.data()),
                          sig.size());
}

}  // namespace

BlockScan::BlockScan(const Chip62500& chip, bool checkCrc) : chip_(chip), checkCrc_(checkCrc) {
  find_.message = kNoConfigurationData;
}

bool BlockScan::Take(const HalStruct& candidate, size_t position) {
  const uint16_t endian = candidate.endian;
  bool wellFormed;
  if (endian == kEndianWord) {
    wellFormed = candidate.size == kHalStructSize;
  } else if (endian == kSwappedEndianWord) {
    wellFormed = Swap16(candidate.size) == kHalStructSize;
  } else {
    return true;
  }
  if (!wellFormed) {
    TakeIncomplete("The configuration data structure size is incorrect.");
    return true;
  }
  if (seenWellFormed_) {
    find_.result = FindResult::kInvalid;
    find_.message = "The file contains multiple configuration data structures.";
    return false;
  }
  seenWellFormed_ = true;
  if (strncmp(candidate.chipId, chip_.Block().chipId, sizeof candidate.chipId) != 0) {
    find_.result = FindResult::kInvalid;
    find_.message = "The file contains configuration data for another chip.";
    return false;
  }
  if (checkCrc_) {
    const uint16_t stored = endian == kSwappedEndianWord ? Swap16(candidate.crc) : candidate.crc;
    if (BlockCrc(candidate) != stored) {
      find_.result = FindResult::kInvalid;
      find_.message = stored == 0 ? "The file has not yet been configured by this application."
                                  : "The file contains corrupted configuration data.";
      return true;
    }
  }
  find_.result = FindResult::kFound;
  find_.message.clear();
  find_.position = position;
  find_.block = candidate;
  return true;
}

void BlockScan::TakeIncomplete(const std::string& message) {
  if (seenWellFormed_) return;
  find_.result = FindResult::kInvalid;
  find_.message = message;
}

BlockFind FindBlock(const Chip62500& chip, const uint8_t* image, size_t length, bool checkCrc) {
  BlockScan scan(chip, checkCrc);
  if (length < kHalStructSize) return scan.Result();
  const std::string& signature = chip.Signature();
  const size_t last = length - kHalStructSize;
  for (size_t p = NextSignature(image, last + signature.size(), 0, signature); p <= last;
       p = NextSignature(image, last + signature.size(), p + 1, signature)) {
    HalStruct candidate;
    std::memcpy(&candidate, image + p, kHalStructSize);
    if (!scan.Take(candidate, p)) break;
  }
  return scan.Result();
}

bool LoadBlockFromImage(Chip62500& chip, const uint8_t* image, size_t length, std::string* message,
                        size_t* position) {
  BlockFind find = FindBlock(chip, image, length, true);
  if (message) *message = find.message;
  if (find.result != FindResult::kFound) return false;
  if (position) *position = find.position;
  if (find.block.endian == kSwappedEndianWord) SwapBlock(find.block);
  chip.LoadBlock(find.block);
  return true;
}

bool StoreBlockIntoImage(const Chip62500& chip, uint8_t* image, size_t length,
                         bool preserveAddresses, std::string* message, size_t* position) {
  const BlockFind find = FindBlock(chip, image, length, false);
  if (message) *message = find.message;
  if (find.result != FindResult::kFound) return false;
  const bool swapped = find.block.endian == kSwappedEndianWord;
  HalStruct copy = chip.Block();
  if (swapped) SwapBlock(copy);
  if (preserveAddresses) copy.baseAddress = find.block.baseAddress;
  const uint16_t crc = BlockCrc(copy);
  copy.crc = swapped ? Swap16(crc) : crc;
  std::memcpy(image + find.position, &copy, kHalStructSize);
  if (position) *position = find.position;
  return true;
}

}  // namespace k7q
