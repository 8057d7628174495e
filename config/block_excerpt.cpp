#include "config/block_excerpt.h"

#include <algorithm>

#include "storage/safe_file.h"

namespace k7q {

namespace {

// Characters of a record's data and checksum digits.
size_t Span(const k7q::DataRecord& record) {
  return 2 * size_t{record.count} + 2;
}

}  // namespace

BlockExcerpt ExcerptOf(std::string_view fileText, const AddressedBlock& block) {
  BlockExcerpt excerpt;
  excerpt.block = block;
  for (k7q::DataRecord& record : excerpt.block.places.records) {
    excerpt.fileOffset.push_back(record.digits);
    excerpt.offset.push_back(excerpt.text.size());
    excerpt.text.append(fileText.substr(record.digits, Span(record)));
    excerpt.text += '\n';
    record.digits = excerpt.offset.back();
  }
  for (k7q::RangePlaces::Place& place : excerpt.block.places.places) {
    place.digits = place.digits - excerpt.fileOffset[place.record] + excerpt.offset[place.record];
  }
  return excerpt;
}

bool StillInFile(int fd, const BlockExcerpt& excerpt) {
  std::string span;
  for (size_t r = 0; r < excerpt.offset.size(); ++r) {
    span.resize(Span(excerpt.block.places.records[r]));
    size_t done = 0;
    if (!ReadAt(fd, span.data(), span.size(), static_cast<off_t>(excerpt.fileOffset[r]), &done) ||
        excerpt.text.compare(excerpt.offset[r], span.size(), span) != 0) {
      return false;
    }
  }
  return true;
}

std::vector<k7q::TextPatch> InFile(const BlockExcerpt& excerpt,
                                   const std::vector<k7q::TextPatch>& patches) {
  std::vector<k7q::TextPatch> inFile;
  for (const k7q::TextPatch& patch : patches) {
    // The record whose span holds the patch: the last that starts at or before it.
    const size_t r = static_cast<size_t>(
        std::upper_bound(excerpt.offset.begin(), excerpt.offset.end(), patch.offset) -
        excerpt.offset.begin() - 1);
    inFile.push_back({patch.offset - excerpt.offset[r] + excerpt.fileOffset[r], patch.text});
  }
  return inFile;
}

void Update(BlockExcerpt& excerpt, const std::vector<k7q::TextPatch>& patches,
            const std::string& bytes) {
  excerpt.text = k7q::Patched(excerpt.text, patches);
  excerpt.block.places.bytes = bytes;
}

}  // namespace k7q
