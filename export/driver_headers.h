// Headers for display drivers: the generic header with configuration macros and a
// register table macro, and the WinCE header that instantiates one display mode.
#pragma once

#include <string>

namespace k7q {

class Chip62500;

// "%s.h" after the product: the whole file, LF line ends.
std::string GenericHeader(Chip62500& chip);
// "mode%u.h": the whole file, LF line ends.
std::string WinCeModeHeader(Chip62500& chip, unsigned mode);

}  // namespace k7q
