#include "board/board_client.h"

#include <cstdlib>
#include <cstring>

namespace k7q {

namespace {

constexpr const char* kBoardErrorTexts[] = {"No error",    "Adapter not found",  "Driver not found",
                                            "IRQ failure", "Adapter not mapped", "Unknown error"};
constexpr uint32_t kBoardErrorCount = sizeof kBoardErrorTexts / sizeof kBoardErrorTexts[0];
constexpr size_t kBoardNumberRoom = 32;

uint32_t BoardNumberFromEnvironment() {
  const char* text = std::getenv("K7QBOARD");
  if (!text) return 0;
  char digits[kBoardNumberRoom + 1] = {};
  std::strncpy(digits, text, kBoardNumberRoom);
  return static_cast<uint32_t>(std::strtoul(digits, nullptr, 10));
}

}  // namespace

BoardClient::~BoardClient() {
  CloseBoard(*this);
}

bool OpenBoard(BoardClient& board, uint32_t physicalAddress, uint32_t* linearAddress,
               uint32_t* windowSize) {
  board.lastError = kBoardNoError;
  CloseBoard(board);
  if (!board.driver || !board.driver->OpenDevice()) {
    board.lastError = kBoardDriverNotFound;
    return false;
  }
  board.deviceOpen = true;

  uint32_t reply[3] = {0, 0, 0};
  uint32_t returned = 0;
  bool mapped;
  if (physicalAddress != 0) {
    const uint32_t request[3] = {physicalAddress, 0x200000, 0};
    mapped =
        board.driver->Control(kMapBoardAtAddress, request, sizeof request, reply, 4, &returned);
  } else {
    const uint32_t request[1] = {BoardNumberFromEnvironment()};
    mapped = board.driver->Control(kMapBoardByNumber, request, sizeof request, reply, sizeof reply,
                                   &returned);
  }
  if (!mapped) {
    board.lastError = kBoardAdapterNotFound;
    board.linearAddress = 0;
    return false;
  }
  board.linearAddress = reply[0];
  if (linearAddress) *linearAddress = reply[0];
  if (windowSize) *windowSize = returned >= 9 ? reply[2] : kDefaultWindowSize;
  return true;
}

void CloseBoard(BoardClient& board) {
  if (!board.deviceOpen) return;
  if (board.linearAddress != 0) {
    const uint32_t request[1] = {board.linearAddress};
    uint32_t returned = 0;
    board.driver->Control(kUnmapBoard, request, sizeof request, nullptr, 0, &returned);
    board.linearAddress = 0;
  }
  board.driver->CloseDevice();
  board.deviceOpen = false;
}

const char* BoardErrorText(uint32_t code) {
  return kBoardErrorTexts[code < kBoardErrorCount ? code : kBoardErrorCount - 1];
}

}  // namespace k7q
