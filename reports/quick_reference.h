// The quick register reference: every register with its values, a bit diagram and
// the details of the features that live in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace k7q {

class ChipEngine;

// Page width of the exported reference.
constexpr size_t kQuickReferenceWidth = 74;

// The whole report with LF line ends and the export's width.
std::string QuickReference(ChipEngine& chip);
// The whole report with the given line break and page width.
std::string QuickReference(ChipEngine& chip, std::string_view lineBreak, size_t width);

// Appends one register's block: header, values, bit diagram (unless withDiagram is
// false) and the details of its features. With a block position the current value is
// that pair's, not the last pair's for the register.
void RegisterBlock(ChipEngine& chip, uint32_t index, std::string& out, std::string_view lineBreak,
                   size_t width, bool withDiagram = true,
                   std::optional<uint32_t> blockPosition = std::nullopt);

}  // namespace k7q
