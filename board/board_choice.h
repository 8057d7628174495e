// Which board driver the program talks to.
#pragma once

#include <memory>

#include "board/board_driver.h"
#include "chipmodel/chip_tables.h"
#include "chipmodel/hal_struct.h"

// Set to 1, the program drives a simulated board wired as the block describes.
constexpr const char* kSimulatedBoardVariable = "K7Q_SIMULATED_BOARD";

std::unique_ptr<BoardDriver> MakeBoardDriver(const ChipTables& tables, const HalStruct& block);
