// Finding a byte string (the block's signature) in a large image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k7q {

// Offset of the first occurrence of needle in the length bytes at image, or length when
// there is none. Images are scanned 16 bytes a step, testing the needle's first and last
// byte together, so that only rare candidates are compared in full.
size_t FindBytes(const uint8_t* image, size_t length, const uint8_t* needle, size_t needleLength);

}  // namespace k7q
