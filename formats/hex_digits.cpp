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
// The nibbles of 16 digits, letters of either case folded to lower case. A character that
// is no digit gives a nibble above 15 (those between the decimal digits and the letters
// are moved up), or is below 20h (it folds onto a decimal digit): highest and lowest keep
// both for one test after the last step.
inline __m128i Nibbles(__m128i c, __m128i* highest, __m128i* lowest) {
  const __m128i folded = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('0'));
  const __m128i aboveDigits =
      _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8(9)), _mm_set1_epi8(0x40));
  const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - '0' - 1)),
                                        _mm_set1_epi8(0x40 + 'a' - '0' - 10));
  const __m128i nibbles = _mm_sub_epi8(_mm_add_epi8(folded, aboveDigits), letters);
  *highest = _mm_max_epu8(*highest, nibbles);
  *lowest = _mm_min_epu8(*lowest, c);
  return nibbles;
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
    // 16 bytes a step; the rest in a last step of 8 or 16 bytes that end at count, which
    // decodes some bytes again and sums only the new ones.
    static const uint8_t kNewLanes[32] = {0,    0,    0,    0,    0,    0,    0,    0,
                                          0,    0,    0,    0,    0,    0,    0,    0,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    auto newLanes = [](size_t n, size_t of) {  // set: the last n of the first `of` lanes
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kNewLanes + 16 - of + n));
    };
    __m128i highest = _mm_setzero_si128(), lowest = _mm_set1_epi8(-1);
    __m128i sums = _mm_setzero_si128();
    auto pairs = [&](size_t at) {  // the 8 bytes from at, one a 16-bit lane
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(digits + 2 * at));
      return PairBytes(Nibbles(c, &highest, &lowest));
    };
    auto sum = [&](__m128i bytes, __m128i lanes) {
      sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(bytes, lanes), _mm_setzero_si128()));
    };
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
      const __m128i bytes = _mm_packus_epi16(pairs(i), pairs(i + 8));
      if (out) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
      sum(bytes, _mm_set1_epi8(-1));
    }
    if (count - i > 8) {
      const __m128i bytes = _mm_packus_epi16(pairs(count - 16), pairs(count - 8));
      if (out) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count - 16), bytes);
      sum(bytes, newLanes(count - i, 16));
    } else if (count > i) {
      const __m128i bytes = _mm_packus_epi16(pairs(count - 8), _mm_setzero_si128());
      if (out) _mm_storel_epi64(reinterpret_cast<__m128i*>(out + count - 8), bytes);
      sum(bytes, newLanes(count - i, 8));
    }
    const __m128i bad = _mm_or_si128(_mm_subs_epu8(highest, _mm_set1_epi8(15)),
                                     _mm_subs_epu8(_mm_set1_epi8(0x20), lowest));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF) return -1;
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
