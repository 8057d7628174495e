#include "board/chip_runtime.h"

#include <cstdlib>
#include <cstring>

#include "board/chip_registers.h"

namespace k7q {

namespace {

constexpr const char* kRuntimeErrorTexts[] = {
    "There was no error detected",
    "Unable to find/load the K7Q62xxx driver",
    "Unable to locate an K7Q62xxx controller",
    "This program has not been configured",
    "Config CRC does not match configuration",
    "I2C bus/device initialization failure",
    "The controller has not been acquired",
    "IRQ interrupt handler failure",
    "The CNF1 pin is low (all GPIOs are outputs)",
    "An unspecified error occured",
};
constexpr uint32_t kRuntimeErrorCount = sizeof kRuntimeErrorTexts / sizeof kRuntimeErrorTexts[0];

constexpr const char* kRevision = "$Revision: 9 $";

constexpr uint32_t kMemoryWindowOffset = 0x200000;
constexpr uint32_t kPcCardRegisterOffset = 0x10000;
constexpr uint32_t kCursorReadHigh = 0x1F;

// Pseudo-register steps of the register list.
constexpr uint16_t kPllDelayIndex = 0xFFFC;

constexpr uint8_t kCursorWriteCommand = 0x46;

bool Indirect(const ChipRuntime& rt) {
  return (rt.block.flags & fINDIRECT_INTERFACE) != 0;
}

bool PcCard(const ChipRuntime& rt) {
  return (rt.block.flags & fPCCARD_INTERFACE) != 0;
}

uint32_t TranslateBoardError(uint32_t code) {
  switch (code) {
    case kBoardAdapterNotFound:
      return kRuntimeControllerNotFound;
    case kBoardDriverNotFound:
      return kRuntimeDriverNotFound;
    case kBoardIrqFailure:
      return kRuntimeIrqFailure;
    case kBoardAdapterNotMapped:
      return kRuntimeNotAcquired;
    default:
      return kRuntimeUnspecified;
  }
}

uint8_t Peek(ChipRuntime& rt, uint32_t address) {
  return rt.board.driver ? rt.board.driver->Read8(address) : 0xFF;
}

void Poke(ChipRuntime& rt, uint32_t address, uint8_t value) {
  if (rt.board.driver) rt.board.driver->Write8(address, value);
}

// The shadow value of register n is the value of pair n.
uint8_t Shadow(const ChipRuntime& rt, uint32_t index) {
  return index < kHalRegisterPairs ? static_cast<uint8_t>(rt.block.registers[index].value) : 0;
}

void SetShadow(ChipRuntime& rt, uint32_t index, uint8_t value) {
  if (index < kHalRegisterPairs) rt.block.registers[index].value = value;
}

uint32_t RegisterAddress(const ChipRuntime& rt, uint32_t index) {
  return rt.registerBase + index * (PcCard(rt) ? 2 : 1);
}

void SendCommand(ChipRuntime& rt, const IndirectCommand& c) {
  const uint8_t carried = c.carrierBits == 0 ? 0 : Shadow(rt, c.carrier);
  Poke(rt, rt.commandPort, c.command | carried);
  for (uint32_t i = 0; i < c.count; ++i) {
    Poke(rt, rt.dataPort, Shadow(rt, c.first + i));
  }
}

void RefreshCursorRead(ChipRuntime& rt) {
  Poke(rt, rt.commandPort, kCursorReadCommand);
  SetShadow(rt, kCursorReadLow, Peek(rt, rt.dataPort));
  SetShadow(rt, kCursorReadHigh, Peek(rt, rt.dataPort));
}

const IndirectCommand* CommandCarrying(uint32_t index) {
  for (const IndirectCommand& c : kIndirectCommands) {
    if (c.carrierBits != 0 && index == c.carrier) return &c;
    if (index >= c.first && index < c.first + c.count) return &c;
  }
  return nullptr;
}

// A step of the register list that is not a register: the delays wait, the clock
// steps have nothing to do on this chip.
void RunPseudoStep(ChipRuntime& rt, const RegisterPair& pair) {
  if (!rt.board.driver) return;
  if (pair.index == kPllDelayIndex) rt.board.driver->Wait(pair.value);
  if (pair.index == kOffDelayIndex || pair.index == kOnDelayIndex) {
    rt.board.driver->Wait(pair.value * 1000u);
  }
}

void ProgramRegisters(ChipRuntime& rt) {
  if (Indirect(rt)) {
    for (const IndirectCommand& c : kIndirectCommands) SendCommand(rt, c);
    return;
  }
  Poke(rt, RegisterAddress(rt, kSleepRegister), 0);
  for (uint32_t i = 0; i < kHalRegisterPairs; ++i) {
    const RegisterPair pair = rt.block.registers[i];
    if (pair.index == kEndOfTable) break;
    if (pair.index >= kFirstPseudoRegister) {
      RunPseudoStep(rt, pair);
      continue;
    }
    Poke(rt, RegisterAddress(rt, pair.index), static_cast<uint8_t>(pair.value));
    Peek(rt, RegisterAddress(rt, pair.index));
  }
}

}  // namespace

bool AcquireBoard(ChipRuntime& rt, uint32_t* memoryBase, uint32_t* registerBase) {
  rt.lastError = kRuntimeNoError;
  const bool pcCard = PcCard(rt);
  if (pcCard) rt.block.registerOffset = 0;
  if (pcCard || rt.mappedBase == 0) {
    uint32_t linear = 0, size = 0;
    if (!OpenBoard(rt.board, rt.block.baseAddress, &linear, &size)) {
      rt.lastError = TranslateBoardError(rt.board.lastError);
      rt.mappedBase = 0;
      return false;
    }
    rt.mappedBase = linear;
    rt.windowSize = size;
  }
  if (pcCard) {
    rt.memoryBase = rt.mappedBase;
    rt.registerBase = rt.mappedBase + kPcCardRegisterOffset;
  } else {
    rt.registerBase = rt.mappedBase + rt.block.registerOffset;
    rt.memoryBase = rt.mappedBase + kMemoryWindowOffset;
  }
  if (Indirect(rt)) {
    rt.commandPort = rt.memoryBase;
    rt.dataPort = rt.memoryBase + (pcCard ? 2 : 1);
  }
  if (memoryBase) *memoryBase = rt.memoryBase;
  if (registerBase) *registerBase = rt.registerBase;
  return true;
}

bool InitializeRuntime(ChipRuntime& rt, uint32_t flags) {
  rt.lastError = kRuntimeNoError;
  if (rt.block.crc == 0) {
    rt.lastError = kRuntimeNotConfigured;
    return false;
  }
  if (rt.mappedBase == 0) {
    rt.lastError = kRuntimeNotAcquired;
    return false;
  }
  if (rt.board.driver) rt.board.driver->ClearFault();
  if (!(flags & kSkipRegisterProgramming)) ProgramRegisters(rt);
  if (!(flags & kSkipMemoryClear)) RuntimeFillMemory(rt, 0, 0, kDisplayMemorySize);
  // An access that never reached the chip: the driver's note says which.
  if (rt.board.driver && rt.board.driver->Faulted()) rt.lastError = kRuntimeUnspecified;
  return rt.lastError == kRuntimeNoError;
}

uint32_t RuntimeReadRegister8(ChipRuntime& rt, uint32_t index) {
  const bool cursorRead = index == kCursorReadLow || index == kCursorReadHigh;
  if (Indirect(rt)) {
    if (cursorRead) RefreshCursorRead(rt);
    return Shadow(rt, index);
  }
  if ((rt.block.flags & kFlagShadowReads) && !cursorRead) return Shadow(rt, index);
  return Peek(rt, RegisterAddress(rt, index));
}

uint32_t RuntimeReadRegister16(ChipRuntime& rt, uint32_t index) {
  return RuntimeReadRegister8(rt, index) | RuntimeReadRegister8(rt, index + 1) << 8;
}

uint32_t RuntimeReadRegister32(ChipRuntime& rt, uint32_t index) {
  return RuntimeReadRegister16(rt, index) | RuntimeReadRegister16(rt, index + 2) << 16;
}

void RuntimeWriteRegister8(ChipRuntime& rt, uint32_t index, uint32_t value) {
  const uint8_t byte = static_cast<uint8_t>(value);
  SetShadow(rt, index, byte);
  if (!Indirect(rt)) {
    Poke(rt, RegisterAddress(rt, index), byte);
  } else if (const IndirectCommand* c = CommandCarrying(index)) {
    SendCommand(rt, *c);
  }
}

void RuntimeWriteRegister16(ChipRuntime& rt, uint32_t index, uint32_t value) {
  RuntimeWriteRegister8(rt, index, value & 0xFF);
  RuntimeWriteRegister8(rt, index + 1, (value >> 8) & 0xFF);
}

void RuntimeWriteRegister32(ChipRuntime& rt, uint32_t index, uint32_t value) {
  RuntimeWriteRegister16(rt, index, value & 0xFFFF);
  RuntimeWriteRegister16(rt, index + 2, value >> 16);
}

void RuntimeFillMemory(ChipRuntime& rt, uint32_t offset, uint8_t value, uint32_t count) {
  if (Indirect(rt)) {
    Poke(rt, rt.commandPort, kCursorWriteCommand);
    Poke(rt, rt.dataPort, offset & 0xFF);
    Poke(rt, rt.dataPort, (offset >> 8) & 0xFF);
    Poke(rt, rt.commandPort, kMemoryWriteCommand);
    for (uint32_t i = 0; i < count; ++i) Poke(rt, rt.dataPort, value);
    return;
  }
  const uint32_t step = PcCard(rt) ? 2 : 1;
  for (uint32_t i = 0; i < count; ++i) Poke(rt, rt.memoryBase + (offset + i) * step, value);
}

bool RuntimeShutdown(ChipRuntime& rt) {
  // The command table has no entry for the sleep register.
  if (Indirect(rt)) return false;
  RuntimeWriteRegister8(rt, kSleepRegister, 1);
  return true;
}

std::string RuntimeErrorText(const ChipRuntime& rt, size_t room) {
  const char* text =
      kRuntimeErrorTexts[rt.lastError < kRuntimeErrorCount ? rt.lastError : kRuntimeUnspecified];
  std::string out = rt.lastError == kRuntimeNoError ? text : std::string("ERROR: ") + text;
  if (out.size() > room) out.resize(room);
  return out;
}

uint32_t RuntimeBuildNumber() {
  const char* colon = std::strchr(kRevision, ':');
  return colon ? static_cast<uint32_t>(std::strtoul(colon + 1, nullptr, 10)) : 0;
}

}  // namespace k7q
