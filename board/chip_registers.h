// Registers and indirect-interface commands of the 62500 that both sides of the board
// know: the runtime that drives the chip and the simulated chip that answers it.
#pragma once

#include <cstdint>

#include "chipmodel/sleep_register.h"

namespace k7q {

constexpr uint32_t kCursorReadLow = 0x1E;

constexpr uint8_t kMemoryWriteCommand = 0x42;
constexpr uint8_t kCursorReadCommand = 0x47;

}  // namespace k7q
