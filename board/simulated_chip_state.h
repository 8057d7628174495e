// The simulated chip's whole state in one plain record: registers, display memory, the
// indirect interface's decoder, the check flags and the access log. A file can hold
// it, so that every process that maps the file drives the same chip.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

namespace k7q {

constexpr uint32_t kSimulatedRegisterCount = 0x40;
constexpr uint32_t kSimulatedMemorySize = 0x8000;
constexpr uint32_t kSimulatedLogCapacity = 0x10000;

enum class AccessKind : uint32_t { kRead, kWrite, kWait };

struct BoardAccess {
  AccessKind kind;
  uint32_t offset;  // in the window; microseconds for a wait
  uint32_t value;
};

// What a real chip would not take.
enum CheckFlag : uint32_t {
  kCheckOutsideWindow,      // an access where nothing of the chip answers
  kCheckReadOnlyWrite,      // a write to a read-only register
  kCheckMemoryBeforeSetup,  // display memory written before the system set
  kCheckMemoryWhileAsleep,  // display memory written with the sleep register set
  kCheckFlagCount,
};

struct CheckRecord {
  uint32_t count;
  uint32_t firstOffset;  // window offset of the first such access
};

struct SimulatedChipState {
  char magic[8];
  uint32_t size;
  uint8_t registers[kSimulatedRegisterCount];
  uint8_t memory[kSimulatedMemorySize];
  uint32_t systemSetWritten;  // one bit per system set register 00h..07h written
  uint32_t command;           // last command byte of the indirect interface
  uint32_t parameter;         // data bytes since that command
  uint32_t cursor;            // display memory address of the cursor
  CheckRecord checks[kCheckFlagCount];
  uint32_t logged;  // accesses logged since the log was cleared; the ring keeps the last
  BoardAccess log[kSimulatedLogCapacity];
};

// Where the state lives: in this process alone, or in a shared file mapping.
class SimulatedChipStore {
 public:
  // A chip after reset, private to this process.
  SimulatedChipStore();
  ~SimulatedChipStore();
  SimulatedChipStore(const SimulatedChipStore&) = delete;
  SimulatedChipStore& operator=(const SimulatedChipStore&) = delete;

  // Maps the file, making it a chip after reset when it is new or empty. Nothing when
  // it cannot; *error then names the file and the system's reason.
  static std::unique_ptr<SimulatedChipStore> OpenFile(const std::string& path, std::string* error);

  SimulatedChipState& State() { return *state_; }
  const SimulatedChipState& State() const { return *state_; }
  // The file, or empty for a private chip.
  const std::string& Path() const { return path_; }

 private:
  struct Mapped {};
  explicit SimulatedChipStore(Mapped) {}

  SimulatedChipState* state_ = nullptr;
  std::unique_ptr<SimulatedChipState> owned_;
  std::string path_;
};

// The bytes of the simulated board's file that its users lock (beyond its end is fine):
// one while a new file is made a chip after reset, one while a command holds the board.
constexpr off_t kBoardSetupByte = 0;
constexpr off_t kBoardHoldByte = 1;

// Opens the board's file for reading and writing, creating it (mode 0600) when missing;
// a symbolic link in its place, or anything but a regular file, is refused. -1 when it
// cannot; *error then names the file and the reason.
int OpenSimulatedBoardFile(const std::string& path, std::string* error);

// Resets the chip: registers and display memory 0, no flags, an empty log.
void ResetSimulatedChip(SimulatedChipState& state);

}  // namespace k7q
