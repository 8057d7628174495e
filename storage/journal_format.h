// The bytes of a rollback journal: for each file it covers, the file's identity and
// lengths and, for each range the save writes, the bytes before and after the save.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace k7q {

struct JournalRange {
  uint64_t offset = 0;
  std::string before;  // the file's bytes at offset before the save (shorter past its old end)
  std::string after;   // and after it (shorter past its new end)
  uint64_t size() const { return before.size() > after.size() ? before.size() : after.size(); }
};

struct JournalSection {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t lengthBefore = 0;
  uint64_t lengthAfter = 0;
  std::vector<JournalRange> ranges;  // ascending, not overlapping
};

// Magic, the sections, and a hash of everything before it.
std::string EncodeJournal(const std::vector<JournalSection>& sections);

// The body with the hash that makes it a complete journal appended.
std::string SealJournal(std::string_view body);

enum class JournalText {
  kComplete,      // sealed, every section sound
  kTorn,          // cut short or damaged: not sealed
  kMalformed,     // sealed, but with ranges no save writes: not one of ours
  kOlderVersion,  // written by an older build, in a form this one does not read
};

// The sections of a complete journal. Malformed: ranges out of order, overlapping,
// empty, or reaching past the larger of the section's lengths (computed so that no sum
// can overflow), lengths beyond what a file can have, a shortened file whose cut bytes
// are not all kept (its undo would leave a hole), a lengthened one whose added bytes are
// not all written (its undo could cut bytes no save wrote), or bytes left over.
JournalText DecodeJournal(std::string_view text, std::vector<JournalSection>* sections);

}  // namespace k7q
