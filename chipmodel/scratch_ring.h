// Rings of reusable text buffers: operations that return text hand out the next
// buffer of a ring; callers copy what they keep, as the buffer comes round again.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace k7q {

class ScratchRing {
 public:
  ScratchRing(int count, uint32_t defaultSize);

  // Next buffer of the default size, first character NUL.
  char* NextText();
  // Next buffer with room for at least max(size, default size) bytes.
  char* NextTextSized(uint32_t size);
  uint32_t DefaultSize() const { return defaultSize_; }

 private:
  void Advance();

  std::vector<std::unique_ptr<char[]>> buffers_;
  std::vector<uint32_t> sizes_;
  uint32_t defaultSize_;
  uint32_t current_ = 0;
};

// A ring in a free place of the process-wide table (8 places); nullptr when all are taken.
ScratchRing* CreateRing(int count, uint32_t defaultSize);
// The ring used by callers that name none: 24 buffers of 512 bytes.
ScratchRing& DefaultRing();

}  // namespace k7q
