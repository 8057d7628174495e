#include "board/board_choice.h"

#include <cstdlib>
#include <cstring>

#include "board/device_file_driver.h"
#include "board/simulated_board.h"

std::unique_ptr<BoardDriver> MakeBoardDriver(const ChipTables& tables, const HalStruct& block) {
  const char* simulated = std::getenv(kSimulatedBoardVariable);
  if (simulated && std::strcmp(simulated, "1") == 0) {
    return std::make_unique<SimulatedBoard>(SimulatedLayoutFor(tables, block));
  }
  return std::make_unique<DeviceFileDriver>();
}
