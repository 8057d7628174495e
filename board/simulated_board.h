// A software evaluation board: the chip's registers and display memory behind the
// same requests and window access as the real driver. It decodes the indirect
// interface as the chip does, logs every access and flags what a real chip would not
// take. Its state may live in a file that other processes map too.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/board_driver.h"
#include "board/simulated_chip_state.h"
#include "chipmodel/chip_tables.h"
#include "chipmodel/hal_struct.h"

namespace k7q {

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
  uint32_t memorySize = kSimulatedMemorySize;
  // The chip is reached only through its command port at memoryOffset and its data
  // port one step above.
  bool indirect = false;
};

// The layout that a block describes: register offset and bus from the block, the
// registers and their access from the chip definition.
SimulatedBoardLayout SimulatedLayoutFor(const ChipTables& tables, const HalStruct& block);

class SimulatedBoard : public BoardDriver {
 public:
  // A board of this process alone.
  explicit SimulatedBoard(SimulatedBoardLayout layout, uint32_t boardNumber = 0);
  // A board whose chip lives in the store.
  SimulatedBoard(SimulatedBoardLayout layout, std::unique_ptr<SimulatedChipStore> store,
                 uint32_t boardNumber = 0);

  bool OpenDevice() override;
  void CloseDevice() override;
  bool Control(uint32_t code, const uint32_t* input, uint32_t inputBytes, uint32_t* output,
               uint32_t outputBytes, uint32_t* returned) override;
  uint8_t Read8(uint32_t linear) override;
  void Write8(uint32_t linear, uint8_t value) override;
  void Wait(uint32_t microseconds) override;
  std::string Note() const override;

  const SimulatedBoardLayout& Layout() const { return layout_; }
  bool IsOpen() const { return open_; }
  bool IsMapped() const { return mapped_; }
  // The number sent with the last find-and-map request.
  uint32_t RequestedBoardNumber() const { return requestedNumber_; }
  const SimulatedChipState& Chip() const { return store_->State(); }
  const std::string& Path() const { return store_->Path(); }
  uint8_t Register(uint32_t index) const { return Chip().registers[index]; }
  // Sets a register as the chip itself would, read-only ones included.
  void Preset(uint32_t index, uint8_t value) { store_->State().registers[index] = value; }
  uint8_t Memory(uint32_t offset) const { return Chip().memory[offset]; }
  // The logged accesses, oldest first (at most the ring's capacity).
  std::vector<BoardAccess> Log() const;
  void ClearLog() { store_->State().logged = 0; }
  // Offset in the window of a register and of a display-memory byte.
  uint32_t RegisterOffset(uint32_t index) const;
  uint32_t MemoryOffset(uint32_t offset) const;

 private:
  enum class Target { kNothing, kRegister, kMemory, kCommandPort, kDataPort };
  Target Decode(uint32_t offset, uint32_t* at) const;
  SimulatedChipState& State() { return store_->State(); }
  void Record(AccessKind kind, uint32_t offset, uint32_t value);
  void Flag(CheckFlag flag, uint32_t offset);
  void WriteRegister(uint32_t index, uint8_t value);
  void WriteMemory(uint32_t address, uint8_t value, uint32_t offset);
  void Command(uint8_t value);
  void WriteData(uint8_t value, uint32_t offset);
  uint8_t ReadData(uint32_t offset);
  void AdvanceCursor();

  SimulatedBoardLayout layout_;
  std::unique_ptr<SimulatedChipStore> store_;
  uint32_t boardNumber_;
  uint32_t requestedNumber_ = 0;
  bool open_ = false;
  bool mapped_ = false;
};

// The text of a check flag, for its count and first offset.
std::string CheckFlagText(CheckFlag flag, const CheckRecord& record);

}  // namespace k7q
