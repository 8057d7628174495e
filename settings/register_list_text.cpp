#include "settings/register_list_text.h"

#include <algorithm>

#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "config/chip62500.h"

namespace k7q {

namespace {

// The words of the text between blanks.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    const size_t end = std::min(text.find(' ', i), text.size());
    if (end > i) words.push_back(text.substr(i, end - i));
    i = end + 1;
  }
  return words;
}

std::optional<uint16_t> ReadHex16(std::string_view word) {
  const std::optional<uint32_t> n = ReadWholeNumber(word, 16);
  if (!n || *n > 0xFFFF || word.size() > 4) return std::nullopt;
  return static_cast<uint16_t>(*n);
}

// "IIII" or "IIII:VVVV".
std::optional<ListItem> ReadItem(std::string_view word) {
  const size_t colon = word.find(':');
  const std::optional<uint16_t> index = ReadHex16(word.substr(0, colon));
  if (!index) return std::nullopt;
  if (colon == std::string_view::npos) return ListItem{*index, std::nullopt};
  const std::optional<uint16_t> value = ReadHex16(word.substr(colon + 1));
  if (!value) return std::nullopt;
  return ListItem{*index, value};
}

std::string ItemText(const ListItem& item) {
  return item.value ? StringPrintf("%04X:%04X", item.index, *item.value)
                    : StringPrintf("%04X", item.index);
}

std::vector<uint16_t> Indices(Chip62500& chip) {
  std::vector<uint16_t> indices;
  for (uint32_t p = 0; p < chip.BlockRegisterCount(); ++p)
    indices.push_back(chip.Block().registers[p].index);
  return indices;
}

}  // namespace

std::optional<std::vector<ListItem>> ReadRegisterList(std::string_view text, std::string* error) {
  std::vector<ListItem> items;
  for (std::string_view word : Words(text)) {
    const std::optional<ListItem> item = ReadItem(word);
    if (!item || item->index == kEndOfTable) {
      *error = "bad register index '" + std::string(word) + "'";
      return std::nullopt;
    }
    items.push_back(*item);
  }
  if (items.size() > kHalMaxRegisters) {
    *error = StringPrintf("more than %zu registers", kHalMaxRegisters);
    return std::nullopt;
  }
  return items;
}

std::string RegisterListText(const std::vector<ListItem>& items) {
  std::string text;
  for (const ListItem& item : items) text += (text.empty() ? "" : " ") + ItemText(item);
  return text;
}

std::vector<ListItem> RegisterListOf(Chip62500& chip) {
  const std::vector<uint16_t> indices = Indices(chip);
  std::vector<ListItem> items;
  for (size_t p = 0; p < indices.size(); ++p) {
    const uint16_t value = chip.Block().registers[p].value;
    const bool repeated =
        std::find(indices.begin() + p + 1, indices.end(), indices[p]) != indices.end();
    const bool wide = (value >> RegisterLineBits(chip, indices[p])) != 0;
    items.push_back({indices[p], repeated || wide ? std::optional<uint16_t>(value) : std::nullopt});
  }
  return items;
}

void SetRegisterList(Chip62500& chip, const std::vector<ListItem>& items) {
  std::vector<uint16_t> indices;
  for (const ListItem& item : items) indices.push_back(item.index);
  if (indices == Indices(chip)) return;
  HalStruct block = chip.Block();
  std::vector<bool> used(chip.BlockRegisterCount(), false);
  for (size_t n = 0; n < indices.size(); ++n) {
    uint16_t value = static_cast<uint16_t>(chip.RegisterDefault(indices[n], false));
    for (uint32_t p = 0; p < used.size(); ++p) {
      if (used[p] || chip.Block().registers[p].index != indices[n]) continue;
      used[p] = true;
      value = chip.Block().registers[p].value;
      break;
    }
    block.registers[n] = {indices[n], value};
  }
  block.registers[indices.size()] = {kEndOfTable, 0};
  for (size_t p = indices.size() + 1; p < kHalRegisterPairs; ++p) block.registers[p] = {0, 0};
  chip.LoadBlock(block);
}

void SetListValues(Chip62500& chip, const std::vector<ListItem>& items) {
  for (uint32_t p = 0; p < items.size(); ++p)
    if (items[p].value) chip.SetBlockValueAt(p, *items[p].value);
}

uint32_t RegisterLineBits(Chip62500& chip, uint32_t index) {
  return std::clamp(chip.RegisterHexDigits(index, false) * 4, 8u, 16u);
}

std::string ListEndText(Chip62500& chip) {
  std::vector<ListItem> pairs;
  for (size_t p = chip.BlockRegisterCount(); p < kHalRegisterPairs; ++p)
    pairs.push_back({chip.Block().registers[p].index, chip.Block().registers[p].value});
  return RegisterListText(pairs);
}

bool SetListEnd(Chip62500& chip, std::string_view text, std::string* error) {
  const uint32_t count = chip.BlockRegisterCount();
  const std::vector<std::string_view> words = Words(text);
  if (words.size() != kHalRegisterPairs - count) {
    *error = StringPrintf("expected %zu pairs INDEX:VALUE after the list's %u registers",
                          kHalRegisterPairs - count, count);
    return false;
  }
  HalStruct block = chip.Block();
  for (size_t n = 0; n < words.size(); ++n) {
    const std::optional<ListItem> pair = ReadItem(words[n]);
    if (!pair || !pair->value) {
      *error = "bad pair '" + std::string(words[n]) + "': expected INDEX:VALUE";
      return false;
    }
    block.registers[count + n] = {pair->index, *pair->value};
  }
  if (count < kHalMaxRegisters && block.registers[count].index != kEndOfTable) {
    *error = "the first pair must be the end marker FFFF";
    return false;
  }
  chip.LoadBlock(block);
  return true;
}

}  // namespace k7q
