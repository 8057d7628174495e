// How numbers are read from text and written as text everywhere in the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace k7q {

// Radix of a suffix letter (h 16, i 2, o 8, t 10, either case), 0 for any other character.
unsigned RadixOfSuffix(char c);

// True when the token is a number; *radix receives the radix it is written in.
bool RecogniseNumber(std::string_view token, unsigned defaultRadix, unsigned* radix);

// Reads digits of the radix (2, 10 or 16) modulo 2^32, stopping silently at the first
// other character. In radix 16 a leading "0x" is skipped. Other radices give 0.
uint32_t ReadNumber(std::string_view text, unsigned radix);

// Upper-case hexadecimal or decimal zero-padded to width digits; binary from the highest
// set bit or bit width-1. Other radices give an empty text.
std::string FormatNumber(uint32_t value, unsigned radix, unsigned width);

}  // namespace k7q
