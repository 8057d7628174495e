// Pairs of hexadecimal digits in record texts: read strictly, written in the record's
// own letter case.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace k7q {

// Value of a hexadecimal digit (either letter case), or kNotADigit.
constexpr uint8_t kNotADigit = 0x80;
extern const std::array<uint8_t, 256> kDigitValues;
inline uint8_t DigitValue(char c) {
  return kDigitValues[static_cast<uint8_t>(c)];
}

// Decodes count bytes from the 2 * count digits at in into out (when not null); returns
// their sum, or -1 when a character is not a hexadecimal digit.
int64_t DecodeBytes(const char* in, size_t count, uint8_t* out);

// Writes the byte as two digits at out, lower case when lowerCase.
void EncodeByte(uint8_t byte, bool lowerCase, char* out);

// True when the count characters at in hold a lower-case letter digit.
bool HasLowerCaseDigit(const char* in, size_t count);

}  // namespace k7q
