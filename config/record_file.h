// S-record and Intel HEX files read by address: the block found among the addresses the
// data records fill, loaded into the chip, and saved in place into the digits that hold
// it (only the changed digits and their records' checksums, under a journal).
#pragma once

#include <string>

#include "config/configurable_file.h"

namespace k7q {

class Chip62500;
struct FileKind;

struct RecordFileStep {
  FileOutcome outcome;
  // The records read but hold no block that validates by address; an S-record file may
  // still be of the layout read as one stream of fields (the caller tries it).
  bool noBlockByAddress = false;
};

// Opens the file's block into the chip; on failure the chip's block is unchanged.
RecordFileStep OpenRecordFile(Chip62500& chip, const std::string& path, const FileKind& kind);

// Reads the opened file again and saves the chip's block over the block that validates
// by address, in place or (newPath not empty) into a copy named newPath. A block that
// validates by address only with its CRC unchecked (not yet configured, or corrupted) is
// saved over unless the file validates as of the stream layout, which is then left to
// the caller (noBlockByAddress). Nothing is written on failure.
RecordFileStep SaveRecordFile(Chip62500& chip, const std::string& openedPath,
                              const std::string& newPath, const FileKind& kind,
                              bool preserveAddresses);

}  // namespace k7q
