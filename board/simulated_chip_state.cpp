#include "board/simulated_chip_state.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace k7q {

namespace {

constexpr char kMagic[8] = "K7QSIM1";

std::string Reason(const std::string& path, const char* what) {
  return "simulated board file " + path + ": " + what;
}

// Locks or unlocks one byte of the file, waiting for another process's lock.
void LockByte(int fd, off_t byte, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  while (::fcntl(fd, F_OFD_SETLKW, &lock) != 0 && errno == EINTR) {
  }
}

}  // namespace

void ResetSimulatedChip(SimulatedChipState& state) {
  std::memset(&state, 0, sizeof state);
  std::memcpy(state.magic, kMagic, sizeof kMagic);
  state.size = sizeof state;
}

SimulatedChipStore::SimulatedChipStore() : owned_(std::make_unique<SimulatedChipState>()) {
  state_ = owned_.get();
  ResetSimulatedChip(*state_);
}

SimulatedChipStore::~SimulatedChipStore() {
  if (!owned_ && state_) ::munmap(state_, sizeof *state_);
}

int OpenSimulatedBoardFile(const std::string& path, std::string* error) {
  // O_NONBLOCK: a FIFO in its place must not hang the open.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = Reason(
        path, errno == ELOOP ? "a symbolic link; name the file itself" : std::strerror(errno));
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = Reason(path, "not a regular file");
    ::close(fd);
    return -1;
  }
  return fd;
}

std::unique_ptr<SimulatedChipStore> SimulatedChipStore::OpenFile(const std::string& path,
                                                                 std::string* error) {
  const int fd = OpenSimulatedBoardFile(path, error);
  if (fd < 0) return nullptr;
  // One process at a time makes a new file a chip after reset.
  LockByte(fd, kBoardSetupByte, F_WRLCK);
  struct stat info {};
  bool fresh = false;
  const char* failure = nullptr;
  if (::fstat(fd, &info) != 0) {
    failure = std::strerror(errno);
  } else if (info.st_size == 0) {
    fresh = true;
    if (::ftruncate(fd, sizeof(SimulatedChipState)) != 0) failure = std::strerror(errno);
  } else if (static_cast<size_t>(info.st_size) != sizeof(SimulatedChipState)) {
    failure = "not a simulated board of this program (wrong size)";
  }
  void* p = MAP_FAILED;
  if (!failure) {
    p = ::mmap(nullptr, sizeof(SimulatedChipState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) failure = std::strerror(errno);
  }
  if (!failure) {
    auto* state = static_cast<SimulatedChipState*>(p);
    if (fresh) {
      ResetSimulatedChip(*state);
    } else if (std::memcmp(state->magic, kMagic, sizeof kMagic) != 0) {
      ::munmap(p, sizeof(SimulatedChipState));
      failure = "not a simulated board of this program";
    }
  }
  LockByte(fd, kBoardSetupByte, F_UNLCK);
  ::close(fd);
  if (failure) {
    *error = Reason(path, failure);
    return nullptr;
  }
  auto store = std::unique_ptr<SimulatedChipStore>(new SimulatedChipStore(Mapped{}));
  store->state_ = static_cast<SimulatedChipState*>(p);
  store->path_ = path;
  return store;
}

}  // namespace k7q
