// Command, parameter and delay sequences and their one-line text form, for example
// "c2A(start)  p5  d100": a kind letter, the value (hexadecimal, decimal for a delay)
// and the label in parentheses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace k7q {

// Kinds of sequence items.
constexpr uint32_t kSequenceCommand = 0x10000000u;
constexpr uint32_t kSequenceParameter = 0x20000000u;
constexpr uint32_t kSequenceDelay = 0x40000000u;

// One entry of a command/parameter/delay sequence.
struct SequenceItem {
  uint32_t kind = 0;  // kSequenceCommand, kSequenceParameter or kSequenceDelay
  uint32_t value = 0;
  std::string label;  // at most 255 characters
};

// "c2A", "p5" or "d100", then "(label)" when there is a label.
std::string SequenceItemText(const SequenceItem& item);
// The items' texts, two blanks between them.
std::string SequenceText(const std::vector<SequenceItem>& items);
// The items of a text: a ";" or blanks end an item; an item that does not start with
// "c", "p" or "d" is passed over up to the next ";". A label is cut at 255 characters.
std::vector<SequenceItem> ReadSequenceText(std::string_view text);

}  // namespace k7q
