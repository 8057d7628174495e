// A software evaluation board: the chip's registers and display memory behind the
// same requests and window access as the real driver, with a log of every access.
#pragma once

#include <cstdint>
#include <vector>

#include "board/board_driver.h"
#include "chipmodel/chip_tables.h"
#include "chipmodel/hal_struct.h"

// Linear address at which the model's window appears.
constexpr uint32_t kSimulatedLinearBase = 0x40000000;

// Where the board wires the chip into its window.
struct SimulatedBoardLayout {
  uint32_t windowSize = 0x400000;
  uint32_t registerOffset = 0;
  uint32_t registerSpacing = 1;
  std::vector<bool> readOnly;  // one per register, index 0 first
  uint32_t memoryOffset = 0x200000;
  uint32_t memorySpacing = 1;
  uint32_t memorySize = 0x8000;
};

// The layout that a block describes: register offset and bus from the block, the
// registers and their access from the chip definition.
SimulatedBoardLayout SimulatedLayoutFor(const ChipTables& tables, const HalStruct& block);

enum class AccessKind { kRead, kWrite, kWait };

struct BoardAccess {
  AccessKind kind;
  uint32_t offset;  // in the window; microseconds for a wait
  uint32_t value;
};

class SimulatedBoard : public BoardDriver {
 public:
  explicit SimulatedBoard(SimulatedBoardLayout layout, uint32_t boardNumber = 0);

  bool OpenDevice() override;
  void CloseDevice() override;
  bool Control(uint32_t code, const uint32_t* input, uint32_t inputBytes, uint32_t* output,
               uint32_t outputBytes, uint32_t* returned) override;
  uint8_t Read8(uint32_t linear) override;
  void Write8(uint32_t linear, uint8_t value) override;
  void Wait(uint32_t microseconds) override;

  const SimulatedBoardLayout& Layout() const { return layout_; }
  bool IsOpen() const { return open_; }
  bool IsMapped() const { return mapped_; }
  // The number sent with the last find-and-map request.
  uint32_t RequestedBoardNumber() const { return requestedNumber_; }
  uint8_t Register(uint32_t index) const { return registers_.at(index); }
  // Sets a register as the chip itself would, read-only ones included.
  void Preset(uint32_t index, uint8_t value) { registers_.at(index) = value; }
  uint8_t Memory(uint32_t offset) const { return memory_.at(offset); }
  const std::vector<BoardAccess>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // Offset in the window of a register and of a display-memory byte.
  uint32_t RegisterOffset(uint32_t index) const;
  uint32_t MemoryOffset(uint32_t offset) const;

 private:
  uint8_t* Decode(uint32_t offset, bool forWrite);

  SimulatedBoardLayout layout_;
  uint32_t boardNumber_;
  uint32_t requestedNumber_ = 0;
  bool open_ = false;
  bool mapped_ = false;
  std::vector<uint8_t> registers_;
  std::vector<uint8_t> memory_;
  std::vector<BoardAccess> log_;
};
