// The CSV listing: the block's CRC, then one line per register pair of the block.
#pragma once

#include <string>

namespace k7q {

class Chip62500;

// The whole file, LF line ends.
std::string CsvExport(Chip62500& chip);

}  // namespace k7q
