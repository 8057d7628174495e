// Simulated boards under a chip.
#pragma once

#include <cstdint>

#include "board/simulated_board.h"
#include "config/chip62500.h"

namespace k7q {

// Puts a simulated board wired as the chip's current block under the chip.
SimulatedBoard* AttachBoard(Chip62500& chip, uint32_t boardNumber = 0);

}  // namespace k7q
