#include "config/address_block.h"

#include <cstring>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"

namespace k7q {

namespace {

std::string IncompleteMessage(const k7q::RangeRead& read, uint64_t address) {
  const auto block = static_cast<unsigned long long>(address);
  const auto at = static_cast<unsigned long long>(read.address);
  if (read.status == k7q::RangeStatus::kGap) {
    return StringPrintf(
        "The configuration data at address 0x%08llX is not complete: the file holds no byte at "
        "address 0x%08llX.",
        block, at);
  }
  return StringPrintf(
      "The configuration data at address 0x%08llX cannot be used: the file holds two different "
      "bytes at address 0x%08llX.",
      block, at);
}

}  // namespace

AddressedBlock FindBlockByAddress(const Chip62500& chip, const k7q::AddressSpace& space,
                                  std::string_view text, bool checkCrc) {
  AddressedBlock found;
  BlockScan scan(chip, checkCrc);
  for (uint64_t address : space.NeedleAddresses(text)) {
    k7q::RangeRead read = space.Read(text, address, kHalStructSize);
    if (read.status != k7q::RangeStatus::kComplete) {
      scan.TakeIncomplete(IncompleteMessage(read, address));
      continue;
    }
    HalStruct candidate;
    std::memcpy(&candidate, read.places.bytes.data(), kHalStructSize);
    const bool goOn = scan.Take(candidate, static_cast<size_t>(address));
    if (scan.Result().result == FindResult::kFound && scan.Result().position == address) {
      found.places = std::move(read.places);
    }
    if (!goOn) break;
  }
  found.find = scan.Result();
  if (found.find.result != FindResult::kFound) found.places = {};
  return found;
}

std::vector<k7q::TextPatch> StoreBlockPatches(const Chip62500& chip, std::string_view text,
                                              const AddressedBlock& block, bool preserveAddresses,
                                              std::string* bytes) {
  std::string stored = block.places.bytes;
  StoreBlockIntoImage(chip, reinterpret_cast<uint8_t*>(stored.data()), stored.size(),
                      preserveAddresses, nullptr);
  if (bytes) *bytes = stored;
  return k7q::RangePatches(text, block.places, stored);
}

}  // namespace k7q
