// Which board driver the program talks to.
#pragma once

#include <memory>
#include <string>

#include "board/board_driver.h"
#include "chipmodel/chip_tables.h"
#include "chipmodel/hal_struct.h"

namespace k7q {

// Set to a file, the program drives the simulated board kept in that file; set to 1,
// the one in the user's runtime folder.
constexpr const char* kSimulatedBoardVariable = "K7Q_SIMULATED_BOARD";

// The simulated board's file the environment names, or empty for the device. Set to 1
// without a runtime folder: "board" in a folder of the user's own in the temporary
// folder ($TMPDIR or /tmp).
std::string SimulatedBoardPath();

// Makes that folder of the user's own when it is missing, and checks that it is one: a
// real folder of this user that no one else can write in. *error says why not.
bool PrepareSimulatedBoardFolder(std::string* error);

// The board the environment chooses, wired as the block describes. A simulated board
// whose file cannot be mapped becomes a driver that cannot open, telling why.
std::unique_ptr<BoardDriver> MakeBoardDriver(const ChipTables& tables, const HalStruct& block);

}  // namespace k7q
