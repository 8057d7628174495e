// Intel HEX text read by address: data records (00) into an address space under the
// extended segment (02) and extended linear (04) addresses, every checksum checked.
#pragma once

#include <string_view>

#include "formats/address_space.h"

namespace k7q {

// Records are separated by carriage returns and line feeds; start addresses (03, 05)
// are checked and passed over; the end-of-file record (01) must end the data.
RecordTextError ReadIntelHexRecords(std::string_view text, AddressSpace& space);

}  // namespace k7q
