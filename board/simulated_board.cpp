#include "board/simulated_board.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "board/chip_registers.h"

namespace k7q {

namespace {

constexpr uint32_t kSystemSetRegisters = 8;
constexpr uint32_t kSystemSetComplete = 0xFF;
constexpr uint32_t kCursorDirection = 0x17;
constexpr uint32_t kCursorWriteLow = 0x1C;
constexpr uint32_t kVirtualWidthLow = 0x06;

constexpr uint8_t kMemoryRead = 0x43;

const IndirectCommand* FindCommand(uint8_t value) {
  for (const IndirectCommand& c : kIndirectCommands) {
    if ((value & ~c.carrierBits) == c.command) return &c;
  }
  return nullptr;
}

}  // namespace

SimulatedBoardLayout SimulatedLayoutFor(const ChipTables& tables, const HalStruct& block) {
  SimulatedBoardLayout layout;
  uint32_t count = 0;
  for (const RegisterRecord& r : tables.registers) {
    if (!r.pseudo) count = std::max(count, std::max(r.index, r.lastIndex) + 1);
  }
  layout.readOnly.assign(std::min(count, kSimulatedRegisterCount), false);
  for (const RegisterRecord& r : tables.registers) {
    if (!r.pseudo && r.readOnly && r.index < layout.readOnly.size()) {
      layout.readOnly[r.index] = true;
    }
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
  layout.indirect = (block.flags & fINDIRECT_INTERFACE) != 0;
  return layout;
}

SimulatedBoard::SimulatedBoard(SimulatedBoardLayout layout, uint32_t boardNumber)
    : SimulatedBoard(std::move(layout), std::make_unique<SimulatedChipStore>(), boardNumber) {}

SimulatedBoard::SimulatedBoard(SimulatedBoardLayout layout,
                               std::unique_ptr<SimulatedChipStore> store, uint32_t boardNumber)
    : layout_(std::move(layout)), store_(std::move(store)), boardNumber_(boardNumber) {
  layout_.readOnly.resize(std::min<size_t>(layout_.readOnly.size(), kSimulatedRegisterCount));
  layout_.memorySize = std::min(layout_.memorySize, kSimulatedMemorySize);
}

bool SimulatedBoard::OpenDevice() {
  open_ = true;
  return true;
}

void SimulatedBoard::CloseDevice() {
  open_ = false;
  mapped_ = false;
}

std::string SimulatedBoard::Note() const {
  if (Path().empty()) return "The board is simulated (in this program only); it is not hardware.";
  return "The board is simulated in " + Path() + "; it is not hardware.";
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

std::vector<BoardAccess> SimulatedBoard::Log() const {
  const SimulatedChipState& s = Chip();
  const uint32_t kept = std::min(s.logged, kSimulatedLogCapacity);
  std::vector<BoardAccess> log;
  log.reserve(kept);
  for (uint32_t i = s.logged - kept; i != s.logged; ++i) {
    log.push_back(s.log[i % kSimulatedLogCapacity]);
  }
  return log;
}

void SimulatedBoard::Record(AccessKind kind, uint32_t offset, uint32_t value) {
  SimulatedChipState& s = State();
  s.log[s.logged % kSimulatedLogCapacity] = {kind, offset, value};
  ++s.logged;
}

void SimulatedBoard::Flag(CheckFlag flag, uint32_t offset) {
  CheckRecord& record = State().checks[flag];
  if (record.count++ == 0) record.firstOffset = offset;
}

// What answers at a window offset. With the indirect interface only the two ports do.
SimulatedBoard::Target SimulatedBoard::Decode(uint32_t offset, uint32_t* at) const {
  if (!mapped_ || offset >= layout_.windowSize) return Target::kNothing;
  if (layout_.indirect) {
    if (offset == layout_.memoryOffset) return Target::kCommandPort;
    if (offset == layout_.memoryOffset + layout_.memorySpacing) return Target::kDataPort;
    return Target::kNothing;
  }
  if (offset >= layout_.registerOffset) {
    const uint32_t step = offset - layout_.registerOffset;
    *at = step / layout_.registerSpacing;
    if (step % layout_.registerSpacing == 0 && *at < layout_.readOnly.size()) {
      return Target::kRegister;
    }
  }
  if (offset >= layout_.memoryOffset) {
    const uint32_t step = offset - layout_.memoryOffset;
    *at = step / layout_.memorySpacing;
    if (step % layout_.memorySpacing == 0 && *at < layout_.memorySize) return Target::kMemory;
  }
  return Target::kNothing;
}

uint8_t SimulatedBoard::Read8(uint32_t linear) {
  const uint32_t offset = linear - kSimulatedLinearBase;
  uint32_t at = 0;
  uint8_t value = 0xFF;
  switch (linear >= kSimulatedLinearBase ? Decode(offset, &at) : Target::kNothing) {
    case Target::kRegister:
      value = Chip().registers[at];
      break;
    case Target::kMemory:
      value = Chip().memory[at];
      break;
    case Target::kDataPort:
      value = ReadData(offset);
      break;
    case Target::kCommandPort:
      break;  // the chip's status: never busy
    case Target::kNothing:
      Flag(kCheckOutsideWindow, offset);
      break;
  }
  Record(AccessKind::kRead, offset, value);
  return value;
}

void SimulatedBoard::Write8(uint32_t linear, uint8_t value) {
  const uint32_t offset = linear - kSimulatedLinearBase;
  Record(AccessKind::kWrite, offset, value);
  uint32_t at = 0;
  switch (linear >= kSimulatedLinearBase ? Decode(offset, &at) : Target::kNothing) {
    case Target::kRegister:
      if (layout_.readOnly[at]) {
        Flag(kCheckReadOnlyWrite, offset);
      } else {
        WriteRegister(at, value);
      }
      break;
    case Target::kMemory:
      WriteMemory(at, value, offset);
      break;
    case Target::kCommandPort:
      Command(value);
      break;
    case Target::kDataPort:
      WriteData(value, offset);
      break;
    case Target::kNothing:
      Flag(kCheckOutsideWindow, offset);
      break;
  }
}

// Takes the time a real board would, so that callers meet real delays.
void SimulatedBoard::Wait(uint32_t microseconds) {
  Record(AccessKind::kWait, microseconds, 0);
  std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

void SimulatedBoard::WriteRegister(uint32_t index, uint8_t value) {
  SimulatedChipState& s = State();
  s.registers[index] = value;
  if (index < kSystemSetRegisters) s.systemSetWritten |= 1u << index;
  if (index == kCursorWriteLow || index == kCursorWriteLow + 1) {
    s.cursor = s.registers[kCursorWriteLow] | s.registers[kCursorWriteLow + 1] << 8;
  }
}

void SimulatedBoard::WriteMemory(uint32_t address, uint8_t value, uint32_t offset) {
  SimulatedChipState& s = State();
  if (s.systemSetWritten != kSystemSetComplete) Flag(kCheckMemoryBeforeSetup, offset);
  if (s.registers[kSleepRegister] & 1) Flag(kCheckMemoryWhileAsleep, offset);
  s.memory[address] = value;
}

void SimulatedBoard::Command(uint8_t value) {
  SimulatedChipState& s = State();
  s.command = value;
  s.parameter = 0;
  // Display on/off and cursor direction carry their setting in the command byte.
  const IndirectCommand* c = FindCommand(value);
  if (c && c->carrierBits != 0) s.registers[c->carrier] = value & c->carrierBits;
}

// Cursor moves by the cursor direction: right, left, up or down one virtual line.
void SimulatedBoard::AdvanceCursor() {
  SimulatedChipState& s = State();
  const uint32_t line = s.registers[kVirtualWidthLow] | s.registers[kVirtualWidthLow + 1] << 8;
  const uint32_t steps[] = {1u, 0xFFFFu, 0x10000u - line, line};
  s.cursor = (s.cursor + steps[s.registers[kCursorDirection] & 3]) & 0xFFFF;
  s.registers[kCursorWriteLow] = s.registers[kCursorReadLow] = s.cursor & 0xFF;
  s.registers[kCursorWriteLow + 1] = s.registers[kCursorReadLow + 1] = s.cursor >> 8;
}

void SimulatedBoard::WriteData(uint8_t value, uint32_t offset) {
  SimulatedChipState& s = State();
  const uint32_t parameter = s.parameter++;
  if (s.command == kMemoryWriteCommand) {
    if (s.cursor < layout_.memorySize) {
      WriteMemory(s.cursor, value, offset);
    } else {
      Flag(kCheckOutsideWindow, offset);
    }
    AdvanceCursor();
    return;
  }
  const IndirectCommand* c = FindCommand(static_cast<uint8_t>(s.command));
  if (c && parameter < c->count) WriteRegister(c->first + parameter, value);
}

uint8_t SimulatedBoard::ReadData(uint32_t offset) {
  SimulatedChipState& s = State();
  const uint32_t parameter = s.parameter++;
  if (s.command == kCursorReadCommand && parameter < 2) {
    return static_cast<uint8_t>(parameter == 0 ? s.cursor & 0xFF : s.cursor >> 8);
  }
  if (s.command == kMemoryRead) {
    uint8_t value = 0xFF;
    if (s.cursor < layout_.memorySize) {
      value = s.memory[s.cursor];
    } else {
      Flag(kCheckOutsideWindow, offset);
    }
    AdvanceCursor();
    return value;
  }
  return 0xFF;
}

std::string CheckFlagText(CheckFlag flag, const CheckRecord& record) {
  static constexpr const char* kTexts[] = {
      "%u access(es) outside the chip's window, first at offset %06Xh",
      "%u write(s) to read-only registers, first at offset %06Xh",
      "%u display memory write(s) before the system set registers were programmed, first at "
      "offset %06Xh",
      "%u display memory write(s) with the sleep register set, first at offset %06Xh",
  };
  char text[160];
  std::snprintf(text, sizeof text, kTexts[flag], record.count, record.firstOffset);
  return text;
}

}  // namespace k7q
