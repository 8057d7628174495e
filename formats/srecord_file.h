// Motorola S-record and board image files of the layout read as one stream of fields:
// the block read into a staging block under the file's lock, and written back into the
// same records in place under a journal, or into a copy.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "chipmodel/hal_struct.h"

namespace k7q {

// The block of the last S-record file read; starts as the default block.
HalStruct& StagingBlock();

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

// True when the file at path was last read or saved here as of the stream layout.
bool ReadAsStreamLayout(const std::string& path);
void RememberStreamLayout(const std::string& path, bool streamLayout);

}  // namespace k7q
