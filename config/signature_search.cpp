#include "config/signature_search.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace k7q {

size_t FindBytes(const uint8_t* image, size_t length, const uint8_t* needle, size_t needleLength) {
  if (needleLength == 0) return 0;
  if (needleLength > length) return length;
  size_t at = 0;
#if defined(__SSE2__)
  if (needleLength >= 2) {
    const __m128i first = _mm_set1_epi8(static_cast<char>(needle[0]));
    const __m128i last = _mm_set1_epi8(static_cast<char>(needle[needleLength - 1]));
    // Candidates start at at..at+15; the last byte of the last one must be in the image.
    for (; at + needleLength - 1 + 16 <= length; at += 16) {
      const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(image + at));
      const __m128i ends =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(image + at + needleLength - 1));
      unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
          _mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
      while (mask != 0) {
        const size_t candidate = at + static_cast<size_t>(__builtin_ctz(mask));
        if (std::memcmp(image + candidate + 1, needle + 1, needleLength - 2) == 0) return candidate;
        mask &= mask - 1;
      }
    }
  }
#endif
  const void* hit = memmem(image + at, length - at, needle, needleLength);
  return hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - image) : length;
}

}  // namespace k7q
