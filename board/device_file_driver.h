// The board driver reached through its device file: requests by ioctl, the board
// window by mmap of the same device.
#pragma once

#include <string>

#include "board/board_driver.h"

// Where the installed driver puts its device.
constexpr const char* kBoardDevicePath = "/dev/K7Q62xxx";

class DeviceFileDriver : public BoardDriver {
 public:
  explicit DeviceFileDriver(std::string path = kBoardDevicePath);
  ~DeviceFileDriver() override;

  bool OpenDevice() override;
  void CloseDevice() override;
  bool Control(uint32_t code, const uint32_t* input, uint32_t inputBytes, uint32_t* output,
               uint32_t outputBytes, uint32_t* returned) override;
  uint8_t Read8(uint32_t linear) override;
  void Write8(uint32_t linear, uint8_t value) override;
  void Wait(uint32_t microseconds) override;

 private:
  volatile uint8_t* At(uint32_t linear) const;
  void MapWindow(uint32_t linear, uint32_t size);
  void UnmapWindow();

  std::string path_;
  int fd_ = -1;
  void* window_ = nullptr;
  uint32_t windowLinear_ = 0;
  uint32_t windowSize_ = 0;
};
