// The chip's own runtime: acquires the evaluation board, programs the registers from
// a configuration block, clears display memory and reads and writes single registers.
#pragma once

#include <cstdint>
#include <string>

#include "board/board_client.h"
#include "chipmodel/hal_struct.h"

namespace k7q {

enum RuntimeError : uint32_t {
  kRuntimeNoError = 0,
  kRuntimeDriverNotFound = 1,
  kRuntimeControllerNotFound = 2,
  kRuntimeNotConfigured = 3,
  kRuntimeCrcMismatch = 4,
  kRuntimeI2cFailure = 5,
  kRuntimeNotAcquired = 6,
  kRuntimeIrqFailure = 7,
  kRuntimeCnf1Low = 8,
  kRuntimeUnspecified = 9,
};

// Initialization flags.
constexpr uint32_t kSkipRegisterProgramming = 0x10;
constexpr uint32_t kSkipMemoryClear = 0x80;

// Display memory cleared by initialization, in bytes.
constexpr uint32_t kDisplayMemorySize = 0x8000;

struct ChipRuntime {
  // Programmed from; its register list is the shadow copy of the registers.
  HalStruct block = DefaultHalStruct();
  BoardClient board;
  uint32_t mappedBase = 0;
  uint32_t registerBase = 0;
  uint32_t memoryBase = 0;
  uint32_t windowSize = 0;
  uint32_t lastError = kRuntimeNoError;
  uint32_t commandPort = 0;
  uint32_t dataPort = 0;
};

bool AcquireBoard(ChipRuntime& rt, uint32_t* memoryBase, uint32_t* registerBase);
bool InitializeRuntime(ChipRuntime& rt, uint32_t flags);

// Wider accesses combine consecutive 8-bit registers, least significant first.
uint32_t RuntimeReadRegister8(ChipRuntime& rt, uint32_t index);
uint32_t RuntimeReadRegister16(ChipRuntime& rt, uint32_t index);
uint32_t RuntimeReadRegister32(ChipRuntime& rt, uint32_t index);
void RuntimeWriteRegister8(ChipRuntime& rt, uint32_t index, uint32_t value);
void RuntimeWriteRegister16(ChipRuntime& rt, uint32_t index, uint32_t value);
void RuntimeWriteRegister32(ChipRuntime& rt, uint32_t index, uint32_t value);

void RuntimeFillMemory(ChipRuntime& rt, uint32_t offset, uint8_t value, uint32_t count);
// Puts the panel to sleep; false on the indirect interface, which has no sleep command.
bool RuntimeShutdown(ChipRuntime& rt);

// "ERROR: " and the text of the last error, or the bare no-error text.
std::string RuntimeErrorText(const ChipRuntime& rt, size_t room);
// The build number of this runtime.
uint32_t RuntimeBuildNumber();

}  // namespace k7q
