#include "chipmodel/scratch_ring.h"

#include <array>

namespace k7q {

namespace {
constexpr int kMaxRings = 8;
std::array<std::unique_ptr<ScratchRing>, kMaxRings>& RingTable() {
  static std::array<std::unique_ptr<ScratchRing>, kMaxRings> table;
  return table;
}
}  // namespace

ScratchRing::ScratchRing(int count, uint32_t defaultSize)
    : buffers_(count > 0 ? count : 1),
      sizes_(buffers_.size(), 0),
      defaultSize_(defaultSize == 0 ? 1024 : defaultSize) {}

void ScratchRing::Advance() {
  if (++current_ >= buffers_.size()) current_ = 0;
}

char* ScratchRing::NextText() {
  Advance();
  if (!buffers_[current_]) {
    buffers_[current_] = std::make_unique<char[]>(defaultSize_);
    sizes_[current_] = defaultSize_;
  }
  buffers_[current_][0] = '\0';
  return buffers_[current_].get();
}

char* ScratchRing::NextTextSized(uint32_t size) {
  Advance();
  const uint32_t needed = size > defaultSize_ ? size : defaultSize_;
  const bool tooSmall = sizes_[current_] < needed;
  const bool oversized = needed == defaultSize_ && sizes_[current_] > defaultSize_;
  if (!buffers_[current_] || tooSmall || oversized) {
    buffers_[current_] = std::make_unique<char[]>(needed);
    sizes_[current_] = needed;
  }
  buffers_[current_][0] = '\0';
  return buffers_[current_].get();
}

ScratchRing* CreateRing(int count, uint32_t defaultSize) {
  for (auto& place : RingTable()) {
    if (!place) {
      place = std::make_unique<ScratchRing>(count, defaultSize);
      return place.get();
    }
  }
  return nullptr;
}

ScratchRing& DefaultRing() {
  static ScratchRing* ring = CreateRing(24, 512);
  static ScratchRing fallback(24, 512);
  return ring ? *ring : fallback;
}

}  // namespace k7q
