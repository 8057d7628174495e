#include "board/board_hold.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "board/board_choice.h"
#include "board/device_file_driver.h"
#include "board/simulated_chip_state.h"

namespace k7q {

BoardHold::~BoardHold() {
  if (fd_ >= 0) ::close(fd_);  // the lock goes with the descriptor
}

BoardHold HoldBoard() {
  const std::string simulated = SimulatedBoardPath();
  std::string error;
  if (!simulated.empty() && !PrepareSimulatedBoardFolder(&error)) return BoardHold();
  const int fd = simulated.empty() ? ::open(kBoardDevicePath, O_RDWR | O_CLOEXEC | O_NONBLOCK)
                                   : OpenSimulatedBoardFile(simulated, &error);
  if (fd < 0) return BoardHold();
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kBoardHoldByte;
  lock.l_len = 1;
  int result;
  while ((result = ::fcntl(fd, F_OFD_SETLKW, &lock)) != 0 && errno == EINTR) {
  }
  if (result != 0) {
    ::close(fd);
    return BoardHold();
  }
  return BoardHold(fd);
}

}  // namespace k7q
