// Arbitrary text through the S-record reader; a block that reads is written back into
// the same text and must read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/srecord_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7q;
  std::string text(reinterpret_cast<const char*>(data), size);
  HalStruct staging = DefaultHalStruct();
  std::string message;
  if (!ReadSrecordBlock(text, &staging, &message)) return 0;
  HalStruct written = staging;
  if (!RewriteSrecordBlock(text, &written, &message)) std::abort();
  HalStruct reread = DefaultHalStruct();
  if (!ReadSrecordBlock(text, &reread, &message)) std::abort();
  if (std::memcmp(&reread, &staging, sizeof staging) != 0) std::abort();
  return 0;
}
