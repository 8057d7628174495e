#include "formats/hex_digits.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace k7q {

constexpr std::array<uint8_t, 256> kDigitValues = [] {
  std::array<uint8_t, 256> value{};
  for (int c = 0; c < 256; ++c) {
    if (c >= '0' && c <= '9') {
      value[c] = static_cast<uint8_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      value[c] = static_cast<uint8_t>(c - 'A' + 10);
    } else if (c >= 'a' && c <= 'f') {
      value[c] = static_cast<uint8_t>(c - 'a' + 10);
    } else {
      value[c] = kNotADigit;
    }
  }
  return value;
}();

#if defined(__SSE2__)
// The nibble of every digit of 16 characters; a lane that is no digit sets its lane of bad.
inline __m128i Nibbles(__m128i c, __m128i* bad) {
  const __m128i digit = _mm_sub_epi8(c, _mm_set1_epi8('0'));
  const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
  const __m128i letter = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
  const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
  *bad = _mm_or_si128(*bad, _mm_andnot_si128(_mm_or_si128(isDigit, isLetter), _mm_set1_epi8(-1)));
  return _mm_or_si128(_mm_and_si128(isDigit, digit),
                      _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
}

// The 8 bytes of 16 characters, one a 16-bit lane.
inline __m128i PairBytes(__m128i nibbles) {
  return _mm_or_si128(_mm_slli_epi16(_mm_and_si128(nibbles, _mm_set1_epi16(0xFF)), 4),
                      _mm_srli_epi16(nibbles, 8));
}
#endif

int64_t DecodeBytes(const char* in, size_t count, uint8_t* out) {
  const auto* digits = reinterpret_cast<const uint8_t*>(in);
#if defined(__SSE2__)
  if (count >= 16) {
    // 16 bytes a step; the last step decodes the 16 bytes that end at count, again the
    // ones decoded before it, and sums only the new ones.
    static const uint8_t kNewLanes[32] = {0,    0,    0,    0,    0,    0,    0,    0,
                                          0,    0,    0,    0,    0,    0,    0,    0,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    __m128i badLanes = _mm_setzero_si128(), sums = _mm_setzero_si128();
    auto step = [&](size_t at, __m128i newLanes) {
      const auto* pairs = reinterpret_cast<const __m128i*>(digits + 2 * at);
      const __m128i low = PairBytes(Nibbles(_mm_loadu_si128(pairs), &badLanes));
      const __m128i high = PairBytes(Nibbles(_mm_loadu_si128(pairs + 1), &badLanes));
      const __m128i bytes = _mm_packus_epi16(low, high);
      if (out) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), bytes);
      sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(bytes, newLanes), _mm_setzero_si128()));
    };
    size_t i = 0;
    for (; i + 16 <= count; i += 16) step(i, _mm_set1_epi8(-1));
    if (i < count) {
      step(count - 16, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kNewLanes + (count - i))));
    }
    if (_mm_movemask_epi8(badLanes)) return -1;
    return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
  }
#endif
  uint32_t sum = 0, bad = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t high = kDigitValues[digits[2 * i]];
    const uint32_t low = kDigitValues[digits[2 * i + 1]];
    bad |= high | low;
    const uint32_t byte = (high << 4 | low) & 0xFF;
    if (out) out[i] = static_cast<uint8_t>(byte);
    sum += byte;
  }
  return (bad & kNotADigit) ? int64_t{-1} : int64_t{sum};
}

void EncodeByte(uint8_t byte, bool lowerCase, char* out) {
  const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
  out[0] = digits[byte >> 4];
  out[1] = digits[byte & 15];
}

bool HasLowerCaseDigit(const char* in, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (in[i] >= 'a' && in[i] <= 'f') return true;
  }
  return false;
}

}  // namespace k7q
