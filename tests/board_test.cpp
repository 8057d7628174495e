// The board driver client against a missing device and against the simulated board.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "board/board_choice.h"
#include "board/board_client.h"
#include "board/device_file_driver.h"
#include "board/simulated_board.h"
#include "config/chip62500.h"
#include "tests/support/test_env.h"
#include "tests/support/test_files.h"

TEST(BoardClient, MissingDeviceFailsAsDriverNotFound) {
  for (const char* path : {kBoardDevicePath, "/nonexistent/K7Q62xxx"}) {
    BoardClient board;
    board.driver = std::make_unique<DeviceFileDriver>(path);
    uint32_t linear = 7, size = 7;
    EXPECT_FALSE(OpenBoard(board, 0, &linear, &size)) << path;
    EXPECT_EQ(board.lastError, kBoardDriverNotFound);
    EXPECT_STREQ(BoardErrorText(board.lastError), "Driver not found");
    EXPECT_FALSE(board.deviceOpen);
    EXPECT_EQ(board.linearAddress, 0u);
    CloseBoard(board);
    CloseBoard(board);
  }
  EXPECT_STREQ(BoardErrorText(kBoardNoError), "No error");
  EXPECT_STREQ(BoardErrorText(kBoardAdapterNotMapped), "Adapter not mapped");
  EXPECT_STREQ(BoardErrorText(kBoardUnknownError), "Unknown error");
  EXPECT_STREQ(BoardErrorText(42), "Unknown error");
}

TEST(BoardClient, MapsTheBoardNamedByK7QBOARD) {
  const Chip62500 chip;
  SimulatedBoardLayout layout = SimulatedLayoutFor(chip.Tables(), chip.Block());
  layout.windowSize = 0x100000;

  BoardClient board;
  auto owned = std::make_unique<SimulatedBoard>(layout, 2);
  SimulatedBoard* model = owned.get();
  board.driver = std::move(owned);
  uint32_t linear = 0, size = 0;
  {
    ScopedEnv unset("K7QBOARD", nullptr);
    EXPECT_FALSE(OpenBoard(board, 0, &linear, &size));
    EXPECT_EQ(model->RequestedBoardNumber(), 0u);
    EXPECT_EQ(board.lastError, kBoardAdapterNotFound);
    EXPECT_STREQ(BoardErrorText(board.lastError), "Adapter not found");
    EXPECT_TRUE(model->IsOpen());  // a failed map leaves the device open
    EXPECT_FALSE(model->IsMapped());
  }
  {
    ScopedEnv two("K7QBOARD", "2");
    ASSERT_TRUE(OpenBoard(board, 0, &linear, &size));
    EXPECT_EQ(model->RequestedBoardNumber(), 2u);
    EXPECT_EQ(board.lastError, kBoardNoError);
    EXPECT_EQ(linear, kSimulatedLinearBase);
    EXPECT_EQ(size, 0x100000u);  // as the driver reports it
    EXPECT_TRUE(model->IsMapped());
  }
  // Mapping at a physical address: the 4-byte reply carries no size.
  ASSERT_TRUE(OpenBoard(board, 0x00C00000, &linear, &size));
  EXPECT_EQ(size, kDefaultWindowSize);
  CloseBoard(board);
  EXPECT_FALSE(model->IsMapped());
  EXPECT_FALSE(model->IsOpen());
  CloseBoard(board);
  EXPECT_FALSE(board.deviceOpen);
}

TEST(BoardChoice, EnvironmentSelectsTheSimulatedBoard) {
  const Chip62500 chip;
  const TempDir folder;
  {
    ScopedEnv on(kSimulatedBoardVariable, folder.File("board").c_str());
    EXPECT_NE(dynamic_cast<SimulatedBoard*>(MakeBoardDriver(chip.Tables(), chip.Block()).get()),
              nullptr);
  }
  for (const char* value : {"0", static_cast<const char*>(nullptr)}) {
    ScopedEnv off(kSimulatedBoardVariable, value);
    EXPECT_NE(dynamic_cast<DeviceFileDriver*>(MakeBoardDriver(chip.Tables(), chip.Block()).get()),
              nullptr);
  }
}
