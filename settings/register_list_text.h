// The register list in settings files: the indices of "block registerList", with the
// exact value of a pair that no register line can carry, and the pairs from the end
// marker on of "block registerListEnd".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chipmodel/hal_struct.h"

namespace k7q {

class Chip62500;

// One pair of the list: "0005", or "0005:1234" when the line gives the pair's value.
struct ListItem {
  uint16_t index = 0;
  std::optional<uint16_t> value;
  bool operator==(const ListItem&) const = default;
};

// The items of a "block registerList" value; nothing for a bad one, *error says why.
std::optional<std::vector<ListItem>> ReadRegisterList(std::string_view text, std::string* error);
std::string RegisterListText(const std::vector<ListItem>& items);

// The chip's list. A pair gets its value when register and feature lines cannot reach
// it: an index that comes again later in the list (they act on its last pair), or a
// value wider than a register line takes.
std::vector<ListItem> RegisterListOf(Chip62500& chip);

// The list with these indices; a register keeps its value when it was in the list, else
// it takes its default. A changed list ends with the end marker and zero pairs.
void SetRegisterList(Chip62500& chip, const std::vector<ListItem>& items);
// The values the items give, pair by pair.
void SetListValues(Chip62500& chip, const std::vector<ListItem>& items);

// The bits a "register XXXX = YY" line takes for the register: its width, at least 8
// and at most the 16 bits of a pair.
uint32_t RegisterLineBits(Chip62500& chip, uint32_t index);

// The pairs from the end of the register list to the end of the field as
// "FFFF:0000 0000:0000 ...", and setting them from that text.
std::string ListEndText(Chip62500& chip);
bool SetListEnd(Chip62500& chip, std::string_view text, std::string* error);

}  // namespace k7q
