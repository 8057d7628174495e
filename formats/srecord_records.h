// Motorola S-record text read by address: every data record (S1, S2, S3) into an
// address space, every record's checksum checked.
#pragma once

#include <string_view>

#include "formats/address_space.h"

namespace k7q {

// Records are separated by carriage returns and line feeds; S0, S5 and S6 are checked
// and passed over, a termination record (S7, S8, S9) ends the data.
RecordTextError ReadSrecordRecords(std::string_view text, AddressSpace& space);

}  // namespace k7q
