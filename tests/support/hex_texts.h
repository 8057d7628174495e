// Intel HEX texts for the tests.
#pragma once

#include <cstdint>
#include <string>

namespace k7q {

// Intel HEX of the bytes at address, perRecord data bytes a record, an extended linear
// address record (04) before the first record and wherever the upper 16 bits change,
// then the end-of-file record.
std::string IntelHexText(const std::string& bytes, uint32_t address, size_t perRecord);

// One record of the type at the 16-bit offset with its checksum, without a line end.
std::string IntelHexRecord(uint8_t type, uint16_t offset, const std::string& data);

}  // namespace k7q
