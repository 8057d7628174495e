// The large S-record file the by-hand benchmarks save into.
#pragma once

#include <cstddef>
#include <string>

namespace k7q {

// About size bytes of S3 records of 32 data bytes each, with a valid block (CLKI 6000)
// halfway; its numeric fields start at a record, most significant byte first.
std::string SrecordBenchText(size_t size);

}  // namespace k7q
