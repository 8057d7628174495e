// Registers and indirect-interface commands of the 62500 that both sides of the board
// know: the runtime that drives the chip and the simulated chip that answers it.
#pragma once

#include <cstdint>

#include "chipmodel/sleep_register.h"

namespace k7q {

constexpr uint32_t kCursorReadLow = 0x1E;

constexpr uint8_t kMemoryWriteCommand = 0x42;
constexpr uint8_t kCursorReadCommand = 0x47;

// One command of the indirect interface, in programming order: its byte, then the values
// of count registers from first. Where carrierBits is not 0, the low bits of the command
// byte carry the value of register carrier.
struct IndirectCommand {
  uint8_t command;
  uint8_t carrierBits;
  uint32_t carrier;
  uint32_t first;
  uint32_t count;
};

inline constexpr IndirectCommand kIndirectCommands[] = {
    {0x40, 0, 0, 0x00, 8}, {0x58, 0x01, 0x09, 0x0A, 1}, {0x44, 0, 0, 0x0B, 10},
    {0x5D, 0, 0, 0x15, 2}, {0x4C, 0x03, 0x17, 0x00, 0}, {0x5B, 0, 0, 0x18, 1},
    {0x5C, 0, 0, 0x19, 2}, {0x5A, 0, 0, 0x1B, 1},       {0x46, 0, 0, 0x1C, 2},
    {0x60, 0, 0, 0x20, 1},
};

}  // namespace k7q
