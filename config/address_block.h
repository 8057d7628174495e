// The configuration block among the addresses of an S-record or Intel HEX text, found and
// validated as in a mapped image, and written back into the digits that hold it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/block_locator.h"
#include "formats/address_space.h"

namespace k7q {

class Chip62500;

struct AddressedBlock {
  BlockFind find;           // the position is the block's address
  k7q::RangePlaces places;  // where the found block's bytes lie in the text
};

// Every occurrence of the signature in the address space is a candidate; a candidate
// whose 464 bytes are not all there, or are held twice with different values, is
// refused with a message that says at which address.
AddressedBlock FindBlockByAddress(const Chip62500& chip, const k7q::AddressSpace& space,
                                  std::string_view text, bool checkCrc);

// The patches that store the chip's block over the found one: in the file's byte order,
// with a fresh CRC, with preserveAddresses the file's own base address kept. Only the
// digits of changed bytes and their records' checksums change. *bytes, when given, gets
// the block as the file will hold it.
std::vector<k7q::TextPatch> StoreBlockPatches(const Chip62500& chip, std::string_view text,
                                              const AddressedBlock& block, bool preserveAddresses,
                                              std::string* bytes = nullptr);

}  // namespace k7q
