// The current product's names: "62500", "K7Q62500", and with the suffix.
#pragma once

#include <string>

namespace k7q {

class ChipEngine;

// NAME, e.g. "62500".
std::string ProductName(const ChipEngine& chip);
// PREFIX+NAME, e.g. "K7Q62500".
std::string ProductFullName(const ChipEngine& chip);
// PREFIX+NAME+SUFFIX.
std::string ProductTitle(const ChipEngine& chip);

}  // namespace k7q
