#include "board/simulated_board.h"

#include <algorithm>
#include <utility>

SimulatedBoardLayout SimulatedLayoutFor(const ChipTables& tables, const HalStruct& block) {
  SimulatedBoardLayout layout;
  uint32_t count = 0;
  for (const RegisterRecord& r : tables.registers) {
    if (!r.pseudo) count = std::max(count, std::max(r.index, r.lastIndex) + 1);
  }
  layout.readOnly.assign(count, false);
  for (const RegisterRecord& r : tables.registers) {
    if (!r.pseudo && r.readOnly) layout.readOnly[r.index] = true;
  }
  if (block.flags & fPCCARD_INTERFACE) {
    // Registers and memory at every other byte, memory first.
    layout.registerOffset = 0x10000;
    layout.registerSpacing = 2;
    layout.memoryOffset = 0;
    layout.memorySpacing = 2;
  } else {
    layout.registerOffset = block.registerOffset;
  }
  return layout;
}

SimulatedBoard::SimulatedBoard(SimulatedBoardLayout layout, uint32_t boardNumber)
    : layout_(std::move(layout)),
      boardNumber_(boardNumber),
      registers_(layout_.readOnly.size(), 0),
      memory_(layout_.memorySize, 0) {}

bool SimulatedBoard::OpenDevice() {
  open_ = true;
  return true;
}

void SimulatedBoard::CloseDevice() {
  open_ = false;
  mapped_ = false;
}

bool SimulatedBoard::Control(uint32_t code, const uint32_t* input, uint32_t inputBytes,
                             uint32_t* output, uint32_t outputBytes, uint32_t* returned) {
  *returned = 0;
  if (!open_ || inputBytes < 4) return false;
  if (code == kMapBoardByNumber) {
    requestedNumber_ = input[0];
    if (input[0] != boardNumber_ || outputBytes < 12) return false;
    output[0] = kSimulatedLinearBase;
    output[1] = 0;
    output[2] = layout_.windowSize;
    *returned = 12;
  } else if (code == kMapBoardAtAddress) {
    if (outputBytes < 4) return false;
    output[0] = kSimulatedLinearBase;
    *returned = 4;
  } else if (code == kUnmapBoard) {
    if (!mapped_ || input[0] != kSimulatedLinearBase) return false;
    mapped_ = false;
    return true;
  } else {
    return false;
  }
  mapped_ = true;
  return true;
}

uint32_t SimulatedBoard::RegisterOffset(uint32_t index) const {
  return layout_.registerOffset + index * layout_.registerSpacing;
}

uint32_t SimulatedBoard::MemoryOffset(uint32_t offset) const {
  return layout_.memoryOffset + offset * layout_.memorySpacing;
}

// The register or memory byte at a window offset; nullptr where nothing answers
// and, for writes, at read-only registers.
uint8_t* SimulatedBoard::Decode(uint32_t offset, bool forWrite) {
  if (offset >= layout_.registerOffset) {
    const uint32_t step = offset - layout_.registerOffset;
    const uint32_t index = step / layout_.registerSpacing;
    if (step % layout_.registerSpacing == 0 && index < registers_.size()) {
      if (forWrite && layout_.readOnly[index]) return nullptr;
      return &registers_[index];
    }
  }
  if (offset >= layout_.memoryOffset) {
    const uint32_t step = offset - layout_.memoryOffset;
    const uint32_t at = step / layout_.memorySpacing;
    if (step % layout_.memorySpacing == 0 && at < memory_.size()) return &memory_[at];
  }
  return nullptr;
}

uint8_t SimulatedBoard::Read8(uint32_t linear) {
  const uint32_t offset = linear - kSimulatedLinearBase;
  uint8_t* cell = mapped_ && linear >= kSimulatedLinearBase ? Decode(offset, false) : nullptr;
  const uint8_t value = cell ? *cell : 0xFF;
  log_.push_back({AccessKind::kRead, offset, value});
  return value;
}

void SimulatedBoard::Write8(uint32_t linear, uint8_t value) {
  const uint32_t offset = linear - kSimulatedLinearBase;
  uint8_t* cell = mapped_ && linear >= kSimulatedLinearBase ? Decode(offset, true) : nullptr;
  if (cell) *cell = value;
  log_.push_back({AccessKind::kWrite, offset, value});
}

void SimulatedBoard::Wait(uint32_t microseconds) {
  log_.push_back({AccessKind::kWait, microseconds, 0});
}
