#include "board/device_file_driver.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

namespace k7q {

namespace {

constexpr uint32_t kRequestWords = 3;

}  // namespace

DeviceFileDriver::DeviceFileDriver(std::string path) : path_(std::move(path)) {}

DeviceFileDriver::~DeviceFileDriver() {
  CloseDevice();
}

bool DeviceFileDriver::OpenDevice() {
  CloseDevice();
  fault_.clear();
  fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) Fail(std::strerror(errno));
  return fd_ >= 0;
}

void DeviceFileDriver::Fail(const std::string& what) {
  if (fault_.empty()) fault_ = path_ + ": " + what;
}

void DeviceFileDriver::CloseDevice() {
  UnmapWindow();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

// The request words go in and the reply comes back in one buffer; the driver's
// result is the number of reply bytes.
bool DeviceFileDriver::Control(uint32_t code, const uint32_t* input, uint32_t inputBytes,
                               uint32_t* output, uint32_t outputBytes, uint32_t* returned) {
  *returned = 0;
  if (fd_ < 0) return false;
  uint32_t buffer[kRequestWords] = {0, 0, 0};
  std::memcpy(buffer, input, std::min<uint32_t>(inputBytes, sizeof buffer));
  const int result = ::ioctl(fd_, code, buffer);
  if (result < 0) {
    char what[64];
    std::snprintf(what, sizeof what, "request %Xh: ", code);
    Fail(what + std::string(std::strerror(errno)));
    return false;
  }
  *returned = std::min<uint32_t>(static_cast<uint32_t>(result), outputBytes);
  if (output) std::memcpy(output, buffer, std::min<uint32_t>(outputBytes, sizeof buffer));

  if (code == kUnmapBoard) {
    UnmapWindow();
  } else if (output && outputBytes >= 4) {
    const uint32_t size = code == kMapBoardByNumber && *returned >= 9 ? output[2] : 0x400000;
    return MapWindow(output[0], size);
  }
  return true;
}

bool DeviceFileDriver::MapWindow(uint32_t linear, uint32_t size) {
  UnmapWindow();
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (p == MAP_FAILED) {
    Fail("cannot map the board window: " + std::string(std::strerror(errno)));
    return false;
  }
  window_ = p;
  windowLinear_ = linear;
  windowSize_ = size;
  return true;
}

void DeviceFileDriver::UnmapWindow() {
  if (window_) ::munmap(window_, windowSize_);
  window_ = nullptr;
  windowLinear_ = 0;
  windowSize_ = 0;
}

volatile uint8_t* DeviceFileDriver::At(uint32_t linear) {
  if (!window_ || linear < windowLinear_ || linear - windowLinear_ >= windowSize_) {
    char what[96];
    std::snprintf(what, sizeof what, "access at %08Xh outside the mapped window (%08Xh, %u bytes)",
                  linear, windowLinear_, windowSize_);
    Fail(what);
    return nullptr;
  }
  return static_cast<volatile uint8_t*>(window_) + (linear - windowLinear_);
}

uint8_t DeviceFileDriver::Read8(uint32_t linear) {
  volatile uint8_t* p = At(linear);
  return p ? *p : 0xFF;
}

void DeviceFileDriver::Write8(uint32_t linear, uint8_t value) {
  if (volatile uint8_t* p = At(linear)) *p = value;
}

void DeviceFileDriver::Wait(uint32_t microseconds) {
  std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

}  // namespace k7q
