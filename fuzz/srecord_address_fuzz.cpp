// Arbitrary text through the S-record reader by address; see record_text_check.h.
#include "formats/srecord_records.h"
#include "fuzz/record_text_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckRecordText(data, size, [](std::string_view text, k7q::AddressSpace& space) {
    return static_cast<bool>(k7q::ReadSrecordRecords(text, space));
  });
  return 0;
}
