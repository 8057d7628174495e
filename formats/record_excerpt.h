// The records that hold an address range (the block's), as a text of their own, so that
// a save into a file unchanged since it was read rereads and rewrites only those records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/address_space.h"

namespace k7q {

struct RecordExcerpt {
  std::string text;                  // each record's data and checksum digits, a line feed
  std::vector<uint64_t> fileOffset;  // of each record's digits in the file
  std::vector<uint64_t> offset;      // of each in text
  RangePlaces places;                // the range's, in text
};

RecordExcerpt ExcerptOf(std::string_view fileText, const RangePlaces& places);

// Reads the records from the file open on fd again; true when they read as they did.
bool StillInFile(int fd, const RecordExcerpt& excerpt);

// Patches of the excerpt's text as patches of the file's.
std::vector<TextPatch> InFile(const RecordExcerpt& excerpt, const std::vector<TextPatch>& patches);

// The excerpt once the patches are written and the range holds bytes.
void Update(RecordExcerpt& excerpt, const std::vector<TextPatch>& patches,
            const std::string& bytes);

}  // namespace k7q
