// Reading a field's decimal text with up to three fraction digits, such as "12.5".
#pragma once

#include <cstdint>
#include <string_view>

namespace k7q {

// Reads at most 39 characters of text. Leading and inner spaces are ignored, digits
// before a "." make the whole part, the first three digits after it the thousandths.
// An empty text gives 0 and 0. True with *whole and *thousandths (whole * 1000 plus the
// fraction) set when the text is such a number; false, outputs untouched, otherwise.
bool ReadDecimalField(std::string_view text, uint32_t* whole, uint32_t* thousandths);

}  // namespace k7q
