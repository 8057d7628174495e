// The rules of the feature editors that do not depend on the toolkit: the
// "Currently" line, reading typed numbers, range and alignment checks, memory map lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chipmodel/sequence_text.h"

namespace k7q {

class ChipEngine;

// "Currently  =  " and the feature's value as the editor shows it.
std::string CurrentlyLine(ChipEngine& chip, std::string_view feature, unsigned radix);

// A text that starts with a decimal digit and holds only letters and digits is a number
// in radix (or with a radix letter, "0x" for hexadecimal); any other text is an
// expression (features, operators) evaluated to a number. An empty text reads as 0.
// False with *error set when the number cannot be read whole, or the expression fails
// or is not a number.
bool ReadTypedNumber(std::string_view text, unsigned radix, uint32_t* value, std::string* error);

// Reads text as a frequency and sets the feature to it. False with *error set, and the
// feature unchanged, when the text is not a frequency or the chip refuses the value.
bool SetFrequencyText(ChipEngine& chip, std::string_view feature, std::string_view text,
                      std::string* error);
// Sets the frequency feature to hertz; false with *error set, and the feature
// unchanged, when the chip refuses the value.
bool SetFrequencyHertz(ChipEngine& chip, std::string_view feature, uint32_t hertz,
                       std::string* error);

// "" when value fits the feature's range and step, otherwise the message to show.
std::string ValidateNumber(ChipEngine& chip, std::string_view feature, uint32_t value,
                           unsigned radix);

// "COMMAND 2A", "PARAM 05" or "DELAY 100", then "  ( label )" when there is a label.
std::string SequenceLine(const SequenceItem& item);
// The value as the sequence editor shows and reads it: decimal for a delay, else hex.
unsigned SequenceRadix(uint32_t kind);

// "%08Xh-%08Xh %s", or "%08Xh           %s" when the end is 0.
std::string MemoryMapLine(uint32_t first, uint32_t second, std::string_view name);
// The start address of a memory map line.
uint32_t MemoryMapLineStart(std::string_view line);

}  // namespace k7q
