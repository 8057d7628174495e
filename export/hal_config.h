// HAL_config.c: the C source that instantiates the configuration block.
#pragma once

#include <cstdint>
#include <string>

namespace k7q {

class Chip62500;

// The HAL information flags as C names joined by "|", or "0".
std::string FlagNames(uint32_t flags);

// The whole file, LF line ends.
std::string HalConfigSource(Chip62500& chip);

}  // namespace k7q
