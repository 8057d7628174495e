#include "formats/pe_checksum.h"

#include <algorithm>
#include <cstring>

namespace k7q {

namespace {

constexpr size_t kPeHeaderOffsetField = 0x3C;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kChecksumInOptionalHeader = 64;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;

uint32_t Read16(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | p[1] << 8);
}

uint32_t Read32(const uint8_t* p) {
  return Read16(p) | Read16(p + 2) << 16;
}

// The plain sum of the bytes' shares of the image's words: a byte at an even offset is
// the low byte of its word, at an odd offset the high byte.
uint64_t WordShares(const uint8_t* bytes, size_t count, size_t offset) {
  uint64_t sum = 0;
  size_t i = 0;
  if (offset & 1 && count > 0) sum += static_cast<uint64_t>(bytes[i++]) << 8;
  for (; i + 1 < count; i += 2) sum += Read16(bytes + i);
  if (i < count) sum += bytes[i];
  return sum;
}

// The image's sum with the CheckSum field counted as zero, not yet folded.
uint64_t ImageSum(const uint8_t* image, size_t length, size_t field) {
  return WordShares(image, length, 0) - WordShares(image + field, 4, field);
}

uint32_t Finish(uint64_t sum, size_t length) {
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + length);
}

}  // namespace

std::optional<size_t> PeChecksumOffset(const uint8_t* image, size_t length) {
  if (length < kPeHeaderOffsetField + 4 || image[0] != 'M' || image[1] != 'Z') return {};
  const size_t pe = Read32(image + kPeHeaderOffsetField);
  const size_t optional = pe + 4 + kFileHeaderSize;
  if (pe > length || length - pe < 4 + kFileHeaderSize + kChecksumInOptionalHeader + 4) return {};
  if (image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0) {
    return {};
  }
  const uint32_t optionalSize = Read16(image + pe + 4 + 16);
  const uint32_t magic = Read16(image + optional);
  if (optionalSize < kChecksumInOptionalHeader + 4 ||
      (magic != kPe32Magic && magic != kPe32PlusMagic)) {
    return {};
  }
  return optional + kChecksumInOptionalHeader;
}

uint32_t PeChecksum(const uint8_t* image, size_t length, size_t checksumOffset) {
  return Finish(ImageSum(image, length, checksumOffset), length);
}

std::optional<uint32_t> PeChecksumAfterReplacing(const uint8_t* image, size_t length,
                                                 size_t position, std::string_view before) {
  const std::optional<size_t> field = PeChecksumOffset(image, length);
  if (!field || position > length || before.size() > length - position) return {};
  if (position < *field + 4 && *field < position + before.size()) return {};
  const uint32_t stored = Read32(image + *field);
  if (stored == 0) return {};
  const uint64_t after = ImageSum(image, length, *field);
  const uint64_t replaced = WordShares(image + position, before.size(), position);
  const uint64_t original =
      WordShares(reinterpret_cast<const uint8_t*>(before.data()), before.size(), position);
  if (Finish(after - replaced + original, length) != stored) return {};
  return Finish(after, length);
}

void KeepPeChecksum(uint8_t* image, size_t length, size_t position, std::string_view before,
                    std::vector<FileRange>* changes) {
  const std::optional<uint32_t> checksum =
      PeChecksumAfterReplacing(image, length, position, before);
  if (!checksum) return;
  const size_t field = *PeChecksumOffset(image, length);
  FileRange range{field, std::string(4, '\0')};
  for (size_t i = 0; i < 4; ++i) range.bytes[i] = static_cast<char>(*checksum >> (8 * i));
  if (std::memcmp(image + field, range.bytes.data(), 4) == 0) return;
  std::memcpy(image + field, range.bytes.data(), 4);
  if (!changes) return;
  const auto later = std::find_if(changes->begin(), changes->end(),
                                  [&](const FileRange& r) { return r.offset > field; });
  changes->insert(later, std::move(range));
}

}  // namespace k7q
