#include "formats/needle_search.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace k7q {

NeedleSearch::NeedleSearch(std::string needle) : needle_(std::move(needle)), piece_(kPiece + 256) {}

void NeedleSearch::Feed(uint64_t address, const uint8_t* data, size_t count) {
  const bool continues = address == address_ + length_;
  if (continues && length_ + count <= piece_.size()) {
    std::memcpy(piece_.data() + length_, data, count);
    length_ += count;
    return;
  }
  SearchPiece(&hits_);
  // A needle may start in the piece's last bytes and end in the ones fed.
  const size_t kept = continues ? std::min(length_, needle_.size() - 1) : 0;
  std::memmove(piece_.data(), piece_.data() + length_ - kept, kept);
  address_ = address - kept;
  std::memcpy(piece_.data() + kept, data, count);
  length_ = kept + count;
}

std::vector<uint64_t> NeedleSearch::Hits() const {
  std::vector<uint64_t> hits = hits_;
  SearchPiece(&hits);
  return hits;
}

void NeedleSearch::SearchPiece(std::vector<uint64_t>* hits) const {
  const size_t n = needle_.size();
  if (length_ < n) return;
  const uint8_t* bytes = piece_.data();
  const size_t positions = length_ - n + 1;
  auto take = [&](size_t p) {
    if (std::memcmp(bytes + p, needle_.data(), n) == 0) hits->push_back(address_ + p);
  };
  size_t p = 0;
#if defined(__SSE2__)
  // 16 positions a step: those where the needle's first and last bytes both lie.
  const __m128i first = _mm_set1_epi8(needle_.front());
  const __m128i last = _mm_set1_epi8(needle_.back());
  for (; p + 16 <= positions; p += 16) {
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p + n - 1));
    auto both = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
    for (; both != 0; both &= both - 1) take(p + static_cast<size_t>(__builtin_ctz(both)));
  }
#endif
  for (; p < positions; ++p) {
    if (bytes[p] == static_cast<uint8_t>(needle_.front())) take(p);
  }
}

}  // namespace k7q
