// Arbitrary journals beside a small file: the first section is made the file's own and
// the journal complete, so that every check of the reader is reached. The file must end
// either as it was, or undone: its old length, with each range's old bytes in place, and
// cut only where the save's ranges lay.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/journal_format.h"
#include "storage/safe_file.h"
#include "storage/save_journal.h"

using namespace k7q;

namespace {

// One folder per process, removed with what it holds when the process exits.
class Folder {
 public:
  Folder() {
    char name[] = "/tmp/journal-fuzz-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    path_ = name;
  }
  ~Folder() {
    unlink(File().c_str());
    unlink(JournalPath(File()).c_str());
    rmdir(path_.c_str());
  }
  std::string File() const { return path_ + "/f.bin"; }

 private:
  std::string path_;
};

const Folder folder;

void Put64(std::string& text, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) text[at + i] = static_cast<char>(v >> (8 * i));
}

std::string Contents(int fd) {
  std::string text, error;
  if (!ReadAll(fd, "", &text, &error)) std::abort();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = folder.File(), journal = JournalPath(path);
  const std::string original(3000, 'o');
  FileDescriptor fd(open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600));
  size_t written = 0;
  if (fd.get() < 0 || !WriteAll(fd.get(), original, &written)) std::abort();
  struct stat info;
  fstat(fd.get(), &info);
  std::string body(reinterpret_cast<const char*>(data), size);
  if (body.size() >= 24 && body.compare(0, 8, "K7QJRNL2") == 0) {
    Put64(body, 8, info.st_dev);
    Put64(body, 16, info.st_ino);
  }
  const std::string text = size % 2 ? body : SealJournal(body);
  {
    FileDescriptor out(open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    if (out.get() < 0 || !WriteAll(out.get(), text, &written)) std::abort();
  }
  // Every other input with a rule that allows only the first kilobyte.
  const ChangeableRegions firstKilobyte = [](std::string_view) {
    return std::vector<ByteRegion>{{0, 1024}};
  };
  const FoundJournal found =
      UndoInterruptedSave(journal, fd.get(), size % 3 ? nullptr : firstKilobyte);
  const std::string now = Contents(fd.get());
  std::vector<JournalSection> sections;
  if (found.found != JournalFound::kUndone) {
    if (now != original) std::abort();
  } else {
    if (DecodeJournal(text, &sections) != JournalText::kComplete || sections.empty()) {
      std::abort();
    }
    const JournalSection& section = sections.front();
    if (now.size() != section.lengthBefore) std::abort();
    // Bytes the undo cut were bytes the save had added: inside its ranges.
    uint64_t covered = now.size();
    for (const JournalRange& range : section.ranges) {
      if (range.offset <= covered)
        covered = std::max<uint64_t>(covered, range.offset + range.size());
      if (range.before.empty()) continue;  // past the old end
      if (now.compare(range.offset, range.before.size(), range.before) != 0) std::abort();
    }
    if (covered < original.size()) std::abort();
    if (access(journal.c_str(), F_OK) == 0) std::abort();
  }
  unlink(journal.c_str());
  return 0;
}
