// chip.h: symbolic names for every register of the chip.
#pragma once

#include <string>

namespace k7q {

class Chip62500;

// The whole file, LF line ends.
std::string ChipHeader(Chip62500& chip);

}  // namespace k7q
