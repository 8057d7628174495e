// The board driver reached through its device file: requests by ioctl, the board
// window by mmap of the same device (docs/board-driver.md).
#pragma once

#include <string>

#include "board/board_driver.h"

namespace k7q {

// Where the installed driver puts its device.
constexpr const char* kBoardDevicePath = "/dev/K7Q62xxx";

class DeviceFileDriver : public BoardDriver {
 public:
  explicit DeviceFileDriver(std::string path = kBoardDevicePath);
  ~DeviceFileDriver() override;

  bool OpenDevice() override;
  void CloseDevice() override;
  // A map request whose window cannot be mapped fails.
  bool Control(uint32_t code, const uint32_t* input, uint32_t inputBytes, uint32_t* output,
               uint32_t outputBytes, uint32_t* returned) override;
  // Accesses outside the mapped window do nothing and are recorded as the fault.
  uint8_t Read8(uint32_t linear) override;
  void Write8(uint32_t linear, uint8_t value) override;
  void Wait(uint32_t microseconds) override;
  // The first failure since the device was opened, with the device path and the
  // system's reason; empty when none.
  std::string Note() const override { return fault_; }
  bool Faulted() const override { return !fault_.empty(); }
  void ClearFault() override { fault_.clear(); }

 private:
  volatile uint8_t* At(uint32_t linear);
  bool MapWindow(uint32_t linear, uint32_t size);
  void UnmapWindow();
  void Fail(const std::string& what);

  std::string path_;
  int fd_ = -1;
  void* window_ = nullptr;
  uint32_t windowLinear_ = 0;
  uint32_t windowSize_ = 0;
  std::string fault_;
};

}  // namespace k7q
