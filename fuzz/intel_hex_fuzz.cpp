// Arbitrary text through the Intel HEX reader; see record_text_check.h.
#include "formats/intel_hex.h"
#include "fuzz/record_text_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckRecordText(data, size, [](std::string_view text, k7q::AddressSpace& space) {
    return static_cast<bool>(k7q::ReadIntelHexRecords(text, space));
  });
  return 0;
}
