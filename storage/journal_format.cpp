#include "storage/journal_format.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace k7q {

namespace {

constexpr char kMagic[8] = {'K', '7', 'Q', 'J', 'R', 'N', 'L', '2'};
// Older builds' journals kept only the bytes before each range.
constexpr char kMagicV1[8] = {'K', '7', 'Q', 'J', 'R', 'N', 'L', '1'};
// A length that fits an off_t: every offset and end the journal gives can be used as one.
constexpr uint64_t kLargestLength = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

uint64_t Fnv1a(std::string_view data) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : data) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

void Put64(std::string& out, uint64_t v) {
  char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(v >> (8 * i));
  out.append(bytes, sizeof bytes);
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool Get64(uint64_t* v) {
    if (text_.size() - at_ < 8) return false;
    *v = 0;
    for (int i = 0; i < 8; ++i) *v |= uint64_t{static_cast<uint8_t>(text_[at_ + i])} << (8 * i);
    at_ += 8;
    return true;
  }
  bool GetBytes(uint64_t count, std::string* out) {
    if (count > text_.size() - at_) return false;
    out->assign(text_.substr(at_, count));
    at_ += count;
    return true;
  }
  bool AtEnd() const { return at_ == text_.size(); }

 private:
  std::string_view text_;
  size_t at_ = sizeof kMagic;
};

// The bytes of a range of size bytes at offset that lie within a file of length bytes.
uint64_t Within(uint64_t offset, uint64_t size, uint64_t length) {
  return offset >= length ? 0 : std::min(size, length - offset);
}

bool GetRange(Reader& in, const JournalSection& section, uint64_t from, JournalRange* range) {
  uint64_t before = 0, after = 0;
  if (!in.Get64(&range->offset) || !in.Get64(&before) || !in.Get64(&after)) return false;
  const uint64_t size = std::max(before, after);
  const uint64_t limit = std::max(section.lengthBefore, section.lengthAfter);
  // offset + size <= limit, written so that it cannot wrap.
  if (range->offset < from || range->offset > limit || size > limit - range->offset || size == 0) {
    return false;
  }
  // Each side holds exactly the range's bytes that its file had.
  if (before != Within(range->offset, size, section.lengthBefore) ||
      after != Within(range->offset, size, section.lengthAfter)) {
    return false;
  }
  return in.GetBytes(before, &range->before) && in.GetBytes(after, &range->after);
}

bool GetSection(Reader& in, JournalSection* section) {
  uint64_t count = 0;
  if (!in.Get64(&section->device) || !in.Get64(&section->inode) ||
      !in.Get64(&section->lengthBefore) || !in.Get64(&section->lengthAfter) || !in.Get64(&count)) {
    return false;
  }
  if (section->lengthBefore > kLargestLength || section->lengthAfter > kLargestLength) return false;
  uint64_t from = 0, cut = 0, grown = 0;
  for (uint64_t i = 0; i < count; ++i) {
    JournalRange range;
    if (!GetRange(in, *section, from, &range)) return false;
    from = range.offset + range.size();
    cut += range.before.size() - Within(range.offset, range.before.size(), section->lengthAfter);
    grown += range.after.size() - Within(range.offset, range.after.size(), section->lengthBefore);
    section->ranges.push_back(std::move(range));
  }
  // A save that shortened the file kept every byte it cut: the undo leaves no hole. One
  // that lengthened it wrote every byte it added: a file of any length in between holds
  // them, and its undo cuts only those.
  if (section->lengthBefore > section->lengthAfter) {
    return cut == section->lengthBefore - section->lengthAfter;
  }
  return grown == section->lengthAfter - section->lengthBefore;
}

}  // namespace

std::string EncodeJournal(const std::vector<JournalSection>& sections) {
  std::string text(kMagic, sizeof kMagic);
  for (const JournalSection& section : sections) {
    Put64(text, section.device);
    Put64(text, section.inode);
    Put64(text, section.lengthBefore);
    Put64(text, section.lengthAfter);
    Put64(text, section.ranges.size());
    for (const JournalRange& range : section.ranges) {
      Put64(text, range.offset);
      Put64(text, range.before.size());
      Put64(text, range.after.size());
      text += range.before;
      text += range.after;
    }
  }
  return SealJournal(text);
}

std::string SealJournal(std::string_view body) {
  std::string text(body);
  Put64(text, Fnv1a(body));
  return text;
}

JournalText DecodeJournal(std::string_view text, std::vector<JournalSection>* sections) {
  sections->clear();
  if (text.size() >= sizeof kMagicV1 && std::memcmp(text.data(), kMagicV1, sizeof kMagicV1) == 0) {
    return JournalText::kOlderVersion;
  }
  if (text.size() < sizeof kMagic + 8 || std::memcmp(text.data(), kMagic, sizeof kMagic) != 0) {
    return JournalText::kTorn;
  }
  const std::string_view body = text.substr(0, text.size() - 8);
  if (SealJournal(body) != text) return JournalText::kTorn;
  Reader in(body);
  while (!in.AtEnd()) {
    JournalSection section;
    if (!GetSection(in, &section)) {
      sections->clear();
      return JournalText::kMalformed;
    }
    sections->push_back(std::move(section));
  }
  return JournalText::kComplete;
}

}  // namespace k7q
