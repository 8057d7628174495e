#include "tests/support/boards.h"

#include <memory>
#include <utility>

namespace k7q {

SimulatedBoard* AttachBoard(Chip62500& chip, uint32_t boardNumber) {
  auto board = std::make_unique<SimulatedBoard>(SimulatedLayoutFor(chip.Tables(), chip.Block()),
                                                boardNumber);
  SimulatedBoard* model = board.get();
  chip.UseBoardDriver(std::move(board));
  return model;
}

}  // namespace k7q
