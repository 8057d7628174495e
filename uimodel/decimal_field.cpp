#include "uimodel/decimal_field.h"

namespace k7q {

bool ReadDecimalField(std::string_view text, uint32_t* whole, uint32_t* thousandths) {
  text = text.substr(0, 39);
  uint32_t wholePart = 0, fraction = 0;
  uint32_t scale = 0;  // weight of the next fraction digit; 0 before the "."
  bool inFraction = false;
  for (char c : text) {
    if (c == ' ') continue;
    if (c == '.' && !inFraction) {
      inFraction = true;
      scale = 100;
    } else if (c >= '0' && c <= '9') {
      const uint32_t digit = static_cast<uint32_t>(c - '0');
      if (!inFraction) {
        wholePart = wholePart * 10 + digit;
      } else {
        fraction += digit * scale;
        scale /= 10;
      }
    } else {
      return false;
    }
  }
  *whole = wholePart;
  *thousandths = wholePart * 1000 + fraction;
  return true;
}

}  // namespace k7q
