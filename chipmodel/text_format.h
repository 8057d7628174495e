// Small text formatters and readers shared by the views and the generated files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace k7q {

// "%u.%03u MHz" above 100000 Hz, "%u Hz" below 1001 Hz, otherwise "%u.%03u KHz".
std::string FormatFrequency(uint32_t hertz);

// Reads a frequency such as "12.5", "32.768 kHz" or "50 Hz" into Hz; a number without
// unit is taken in defaultUnitHz (1000000 for MHz).
uint32_t ReadFrequency(std::string_view text, uint32_t defaultUnitHz);

// The text followed by the suffix, left-aligned and blank-filled to width characters;
// a longer text is used whole and followed by two blanks.
std::string PadField(int width, std::string_view text, std::string_view suffix = {});

// printf-style formatting into a std::string.
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ASCII case-insensitive comparison.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace k7q
