// The block of every file opened in this process as it stood in the file when it was
// read, so that a save notices when another program has saved into the file since.
// Files are known by their path with links resolved.
#pragma once

#include <string>

namespace k7q {

constexpr char kChangedSinceOpened[] =
    "The configuration data in the file was changed by another program after the file "
    "was opened. Open the file again to see the change.";

void RememberOpenedBlock(const std::string& path, const std::string& bytes);

// True when the file was opened here and its block no longer reads as it did then.
bool OpenedBlockChanged(const std::string& path, const std::string& bytes);

// After a save: the file's block as it now stands, for a file opened here.
void UpdateOpenedBlock(const std::string& path, const std::string& bytes);

}  // namespace k7q
