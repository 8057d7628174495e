// The records that hold a block found by address, as a text of their own, so that a save
// into a file unchanged since it was read rereads and rewrites only those records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/address_block.h"

namespace k7q {

struct BlockExcerpt {
  std::string text;                  // each record's data and checksum digits, a line feed
  std::vector<uint64_t> fileOffset;  // of each record's digits in the file
  std::vector<uint64_t> offset;      // of each in text
  AddressedBlock block;              // places in text
};

BlockExcerpt ExcerptOf(std::string_view fileText, const AddressedBlock& block);

// Reads the records from the file open on fd again; true when they read as they did.
bool StillInFile(int fd, const BlockExcerpt& excerpt);

// Patches of the excerpt's text as patches of the file's.
std::vector<k7q::TextPatch> InFile(const BlockExcerpt& excerpt,
                                   const std::vector<k7q::TextPatch>& patches);

// The excerpt once the patches are written and the block holds bytes.
void Update(BlockExcerpt& excerpt, const std::vector<k7q::TextPatch>& patches,
            const std::string& bytes);

}  // namespace k7q
