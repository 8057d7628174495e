#include "formats/record_excerpt.h"

#include <algorithm>

#include "storage/safe_file.h"

namespace k7q {

namespace {

// Characters of a record's data and checksum digits.
size_t Span(const DataRecord& record) {
  return 2 * size_t{record.count} + 2;
}

}  // namespace

RecordExcerpt ExcerptOf(std::string_view fileText, const RangePlaces& places) {
  RecordExcerpt excerpt;
  excerpt.places = places;
  for (DataRecord& record : excerpt.places.records) {
    excerpt.fileOffset.push_back(record.digits);
    excerpt.offset.push_back(excerpt.text.size());
    excerpt.text.append(fileText.substr(record.digits, Span(record)));
    excerpt.text += '\n';
    record.digits = excerpt.offset.back();
  }
  for (RangePlaces::Place& place : excerpt.places.places) {
    place.digits = place.digits - excerpt.fileOffset[place.record] + excerpt.offset[place.record];
  }
  return excerpt;
}

bool StillInFile(int fd, const RecordExcerpt& excerpt) {
  std::string span;
  for (size_t r = 0; r < excerpt.offset.size(); ++r) {
    span.resize(Span(excerpt.places.records[r]));
    size_t done = 0;
    if (!ReadAt(fd, span.data(), span.size(), static_cast<off_t>(excerpt.fileOffset[r]), &done) ||
        excerpt.text.compare(excerpt.offset[r], span.size(), span) != 0) {
      return false;
    }
  }
  return true;
}

std::vector<TextPatch> InFile(const RecordExcerpt& excerpt, const std::vector<TextPatch>& patches) {
  std::vector<TextPatch> inFile;
  for (const TextPatch& patch : patches) {
    // The record whose span holds the patch: the last that starts at or before it.
    const size_t r = static_cast<size_t>(
        std::upper_bound(excerpt.offset.begin(), excerpt.offset.end(), patch.offset) -
        excerpt.offset.begin() - 1);
    inFile.push_back({patch.offset - excerpt.offset[r] + excerpt.fileOffset[r], patch.text});
  }
  return inFile;
}

void Update(RecordExcerpt& excerpt, const std::vector<TextPatch>& patches,
            const std::string& bytes) {
  excerpt.text = Patched(excerpt.text, patches);
  excerpt.places.bytes = bytes;
}

}  // namespace k7q
