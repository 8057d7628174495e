// The thin client of the board driver: opens the device, maps the board window and
// remembers its linear address; unmaps and closes again.
#pragma once

#include <cstdint>
#include <memory>

#include "board/board_driver.h"

namespace k7q {

enum BoardError : uint32_t {
  kBoardNoError = 0,
  kBoardAdapterNotFound = 1,
  kBoardDriverNotFound = 2,
  kBoardIrqFailure = 3,
  kBoardAdapterNotMapped = 4,
  kBoardUnknownError = 5,
};

// Window size assumed when the driver does not report one.
constexpr uint32_t kDefaultWindowSize = 0x400000;

struct BoardClient {
  std::unique_ptr<BoardDriver> driver;
  bool deviceOpen = false;
  uint32_t linearAddress = 0;
  uint32_t lastError = kBoardNoError;

  BoardClient() = default;
  BoardClient(const BoardClient&) = delete;
  BoardClient& operator=(const BoardClient&) = delete;
  ~BoardClient();
};

// physicalAddress 0: the board is found by the number in K7QBOARD (0 when unset).
bool OpenBoard(BoardClient& board, uint32_t physicalAddress, uint32_t* linearAddress,
               uint32_t* windowSize);
// Unmaps and closes; harmless when nothing is open.
void CloseBoard(BoardClient& board);
const char* BoardErrorText(uint32_t code);

}  // namespace k7q
