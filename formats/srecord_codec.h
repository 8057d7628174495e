// Motorola S-record text of the board images' layout: the configuration block read out
// of the data records as one stream of fields, and written back into the same records.
#pragma once

#include <string>
#include <string_view>

#include "chipmodel/hal_struct.h"

namespace k7q {

// Where the block lies in S-record text: from the start of the record that holds the
// signature's first byte to the end of the record that holds the last field read.
struct SrecordBlockRecords {
  size_t begin = 0;
  size_t end = 0;
};

// Reads the block out of S-record text into *staging (fields as the file holds them,
// CLKI divided by 1000). False on a syntax or checksum error, or when the text ends
// before the block is complete; *message gets the error box text, if the error has one.
// *records, if given, gets where the block lies.
bool ReadSrecordBlock(std::string_view text, HalStruct* staging, std::string* message,
                      SrecordBlockRecords* records = nullptr);

// Writes the staging block's fields into the records of text in place, recomputing
// the checksum of every touched record. The 256 description bytes of the file stay;
// they replace the staging block's description. On failure text may be partly
// rewritten and must be discarded.
bool RewriteSrecordBlock(std::string& text, HalStruct* staging, std::string* message);

}  // namespace k7q
