// Files the tests configure: images and S-record targets, and folder listings.
#pragma once

#include <string>

#include "tests/support/test_files.h"

namespace k7q {

// The S-record text of a target file: 28 bytes, the target's block, then after.
std::string SrecordTargetText(int type = 1, const std::string& after = {});

// Writes the image of a block with a correct CRC into the folder; its path.
std::string WriteImage(const TempDir& dir, const std::string& name,
                       const HalStruct& block = DefaultHalStruct(), bool bigEndian = false);

// The block with the description, the rest of the field zero.
HalStruct WithDescription(HalStruct block, const std::string& text);
// Tabs, quotes, a backslash, control and high bytes and an escape before a hex digit.
extern const std::string kOddDescription;

// The number of entries in a folder.
size_t EntryCount(const std::string& folder);

}  // namespace k7q
