// The evaluation board's kernel driver as the program sees it: a device that answers
// three requests and gives byte access to the board window it has mapped.
#pragma once

#include <cstdint>
#include <string>

namespace k7q {

// Complete control codes of the three requests.
constexpr uint32_t kMapBoardByNumber = 0x42404;   // in: board number; out: linear, -, size
constexpr uint32_t kMapBoardAtAddress = 0x42408;  // in: physical, 0x200000, 0; out: linear
constexpr uint32_t kUnmapBoard = 0x4240C;         // in: linear; out: none

class BoardDriver {
 public:
  virtual ~BoardDriver() = default;

  // Opens the driver's device; false when there is none.
  virtual bool OpenDevice() = 0;
  virtual void CloseDevice() = 0;
  // Sends one request of little-endian u32 words; *returned is the count of bytes
  // the driver wrote to output.
  virtual bool Control(uint32_t code, const uint32_t* input, uint32_t inputBytes, uint32_t* output,
                       uint32_t outputBytes, uint32_t* returned) = 0;

  // Byte access to the mapped window by linear address.
  virtual uint8_t Read8(uint32_t linear) = 0;
  virtual void Write8(uint32_t linear, uint8_t value) = 0;
  // Waits between programming steps (panel power and clock settling).
  virtual void Wait(uint32_t microseconds) = 0;
  // What the user must know about this board beyond the chip's own messages (that it
  // is simulated, or why its device failed); empty when nothing.
  virtual std::string Note() const { return {}; }
  // True when an access since the device was opened did not reach the board.
  virtual bool Faulted() const { return false; }
  virtual void ClearFault() {}
};

}  // namespace k7q
