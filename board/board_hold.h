// A board command's hold on the board for its whole run, so that the accesses of two
// commands never interleave (an indirect-interface chip takes a command and then its
// parameters, and a second command between them would garble both).
#pragma once

namespace k7q {

class BoardHold {
 public:
  BoardHold() = default;
  explicit BoardHold(int fd) : fd_(fd) {}
  ~BoardHold();
  BoardHold(BoardHold&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  BoardHold& operator=(BoardHold&&) = delete;
  BoardHold(const BoardHold&) = delete;
  BoardHold& operator=(const BoardHold&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Waits until no other command holds the board the environment chooses (the simulated
// board's file or the device), then holds it. Holds nothing when the board cannot be
// reached; opening it then fails and says why.
BoardHold HoldBoard();

}  // namespace k7q
