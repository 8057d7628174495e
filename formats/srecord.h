// Motorola S-record and board image files: the configuration block read out of the
// data records into a staging block, and written back into the same records.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "chipmodel/hal_struct.h"

namespace k7q {

// The block of the last S-record file read; starts as the default block.
HalStruct& StagingBlock();

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

struct SrecordFileResult {
  bool ok = false;
  std::vector<std::string> messages;  // error box texts, in order
  std::vector<std::string> notices;   // information: an interrupted save was undone
  // A reason for the "could not be opened/saved because" sentence (a file that is not a
  // regular file, a save that would lose another program's change); empty otherwise.
  std::string refusal;
  std::string detail;  // the system's reason for the failing call, with the path
};

// Reads the file's block into the staging block.
SrecordFileResult ReadSrecordFile(const std::string& path);

// Writes the staging block into the records of the opened file in place (only the
// changed digits, under a journal; a file unchanged since it was read or saved here has
// only its block's records read again), or into a copy of it named newPath (another file,
// which appears only when complete; the opened file is then unchanged). refusal sees the
// block as the file holds it (read as the staging block) and gives the reason why it may
// not be saved over, or nothing.
SrecordFileResult WriteSrecordFile(
    const std::string& openedPath, const std::string& newPath,
    const std::function<std::string(const HalStruct& fileBlock)>& refusal);

}  // namespace k7q
