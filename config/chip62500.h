// The 62500: the chip engine with the configuration block and the features that
// live in the block or are computed from other features.
#pragma once

#include <memory>
#include <string>

#include "board/board_driver.h"
#include "board/chip_runtime.h"
#include "chipmodel/chip_engine.h"
#include "chipmodel/hal_struct.h"

namespace k7q {

class Chip62500 : public ChipEngine {
 public:
  // Loads the embedded chip definition into the tables (once per process).
  explicit Chip62500(ChipTables& tables = ProcessChipTables());

  bool SelectProduct(std::string_view keyname) override;
  bool MemoryMapEntry(uint32_t kind, uint32_t entry, std::string* name, uint32_t* first,
                      uint32_t* second) override;
  bool RegisterIndexAt(bool fromBlock, uint32_t position, uint32_t* index) override;
  uint32_t GetRawValue(std::string_view name) override;
  bool SetRawValue(std::string_view name, uint32_t raw) override;
  const char* GetValueText(std::string_view name, bool readSide) override;
  bool SetValueText(std::string_view name, std::string_view text) override;
  uint32_t GetMinimum(std::string_view name) override;
  uint32_t GetMaximum(std::string_view name) override;
  uint32_t ConfigurationErrors(std::string& out, uint32_t room) override;
  uint32_t ReservedSettingsReport(std::string& out, uint32_t room) override;
  bool InitializeChip(uint32_t mode, std::string* message) override;
  int DrawTestPattern() override;
  uint32_t ReadChipRegister(uint32_t index) override;
  bool WriteChipRegister(uint32_t index, uint32_t value) override;
  uint32_t BlockValueAt(uint32_t position) override;
  bool SetBlockValueAt(uint32_t position, uint16_t value) override;
  bool FindBlockPosition(uint32_t index, uint32_t* position, bool stopAtDelay) override;
  bool BlockIndexAt(uint32_t position, uint32_t* index) override;

  // The current block, in host byte order.
  const HalStruct& Block() const { return block_; }
  uint32_t BlockRegisterCount() const { return registerCount_; }
  // Replaces the current block (host order); clears live mode and chip initialisation.
  void LoadBlock(const HalStruct& block);
  // "62500 HAL EXE": what files are searched for.
  const std::string& Signature() const { return signature_; }

  // The board to drive; without one, the first initialization chooses it.
  void UseBoardDriver(std::unique_ptr<BoardDriver> driver);
  // Maps the board and programs nothing, for single register and memory accesses on a
  // chip that an earlier run initialized. *message says why it failed.
  bool AttachBoard(std::string* message);
  // After AttachBoard: treat the chip as initialized, so that the test pattern draws.
  void AssumeChipInitialised() { chipInitialised_ = boardOpen_; }
  // Puts the panel of the physical chip to sleep. False, with *message saying so, when
  // the chip's interface has no way to.
  bool ShutdownChip(std::string* message);
  // What the user must know about the board in use (that it is simulated), or empty.
  std::string BoardNote() const;
  const ChipRuntime& Runtime() const { return runtime_; }

 private:
  uint32_t FrameRate();

  HalStruct block_;
  uint32_t registerCount_ = 0;
  std::string signature_;
  ChipRuntime runtime_;
};

// The one chip object of the process, built on first use.
Chip62500& TheChip();

}  // namespace k7q
