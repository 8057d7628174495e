// Reading what a user types as a number or a frequency: a text is read whole, or
// refused with the reason. The desktop editors and the command line share these rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace k7q {

// Digits of radix (2, 10 or 16), or digits followed by a radix letter (h, i, t); "0x"
// marks hexadecimal. Blanks around the number are allowed. Nothing for any other text
// or a value above 32 bits; *error (when given) then says why.
std::optional<uint32_t> ReadWholeNumber(std::string_view text, unsigned radix,
                                        std::string* error = nullptr);

// Digits with an optional fraction, then an optional unit: MHz (also without a unit),
// kHz or Hz in any letter case, blanks allowed around the unit. The frequency in Hz;
// nothing when the text is anything else, finer than 1 Hz or above 32 bits in Hz.
std::optional<uint32_t> ReadFrequencyText(std::string_view text, std::string* error = nullptr);

}  // namespace k7q
