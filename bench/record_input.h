// Large S-record and Intel HEX files whose block is read by address, for the by-hand
// benchmarks.
#pragma once

#include <cstddef>
#include <string>

namespace k7q {

// About size bytes of S3 records of 32 data bytes: filler with a valid block (little
// endian, CLKI 6000) halfway, at consecutive addresses from 0x08000000.
std::string SrecordByAddressText(size_t size);

// About size bytes of Intel HEX records of 16 data bytes (as objcopy writes them), with an
// extended linear address record every 64 KiB: the same filler and block.
std::string IntelHexBenchText(size_t size);

}  // namespace k7q
