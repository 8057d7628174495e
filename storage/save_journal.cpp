#include "storage/save_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <map>

#include "chipmodel/text_format.h"
#include "storage/file_system.h"
#include "storage/safe_file.h"

namespace k7q {

namespace {

// Version 2 records each file's length after the save as well; version 1 journals, of
// saves that keep the length, are still undone.
constexpr char kMagic[8] = {'K', '7', 'Q', 'J', 'R', 'N', 'L', '2'};
constexpr char kMagicV1[8] = {'K', '7', 'Q', 'J', 'R', 'N', 'L', '1'};
constexpr size_t kMergeGap = 8;
const char kSuffix[] = ".k7q-journal";

uint64_t Fnv1a(const char* data, size_t size, uint64_t hash = 14695981039346656037ull) {
  for (size_t i = 0; i < size; ++i) {
    hash ^= static_cast<uint8_t>(data[i]);
    hash *= 1099511628211ull;
  }
  return hash;
}

void Put64(std::string& out, uint64_t v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

bool Get64(const std::string& in, size_t* at, uint64_t* v) {
  if (in.size() - *at < sizeof *v) return false;
  std::memcpy(v, in.data() + *at, sizeof *v);
  *at += sizeof *v;
  return true;
}

uint64_t LengthOf(const InPlaceSave& save) {
  return static_cast<uint64_t>(save.info.st_size);
}

uint64_t NewLengthOf(const InPlaceSave& save) {
  return save.newLength.value_or(LengthOf(save));
}

// Journal: magic, then a section for each file (device, inode, length, length after the
// save, range count, each range's offset, size and bytes), then the hash of everything
// before it. The journals of a group commit are one file with a name beside each of its
// files.
void PutSection(std::string& text, const InPlaceSave& save) {
  Put64(text, save.info.st_dev);
  Put64(text, save.info.st_ino);
  Put64(text, LengthOf(save));
  Put64(text, NewLengthOf(save));
  const std::vector<FileRange>& originals = save.originals;
  Put64(text, originals.size());
  for (const FileRange& range : originals) {
    Put64(text, range.offset);
    Put64(text, range.bytes.size());
    text += range.bytes;
  }
}

void PutHash(std::string& text) {
  Put64(text, Fnv1a(text.data(), text.size()));
}

// The originals of the file described by info, from a complete journal, and the file's
// lengths before and after the save. A save that changes the length matches the file at
// any length between the two.
bool ParseJournal(const std::string& text, const struct stat& info,
                  std::vector<FileRange>* originals, uint64_t* before, uint64_t* after) {
  if (text.size() < sizeof kMagic + 5 * 8) return false;
  const bool v2 = std::memcmp(text.data(), kMagic, sizeof kMagic) == 0;
  if (!v2 && std::memcmp(text.data(), kMagicV1, sizeof kMagicV1) != 0) return false;
  const size_t end = text.size() - 8;
  size_t at = end;
  uint64_t hash = 0;
  if (!Get64(text, &at, &hash) || hash != Fnv1a(text.data(), end)) return false;
  at = sizeof kMagic;
  bool found = false;
  while (at < end) {
    uint64_t device = 0, inode = 0, length = 0, newLength = 0, count = 0;
    if (!Get64(text, &at, &device) || !Get64(text, &at, &inode) || !Get64(text, &at, &length) ||
        (v2 && !Get64(text, &at, &newLength)) || !Get64(text, &at, &count) || at > end) {
      return false;
    }
    if (!v2) newLength = length;
    const uint64_t now = static_cast<uint64_t>(info.st_size);
    const bool mine = !found && device == static_cast<uint64_t>(info.st_dev) &&
                      inode == info.st_ino && now >= std::min(length, newLength) &&
                      now <= std::max(length, newLength);
    if (mine) *before = length, *after = newLength;
    for (uint64_t i = 0; i < count; ++i) {
      FileRange range;
      uint64_t size = 0;
      if (!Get64(text, &at, &range.offset) || !Get64(text, &at, &size) || at > end ||
          size > end - at || range.offset + size > length) {
        return false;
      }
      if (mine) originals->push_back({range.offset, text.substr(at, size)});
      at += size;
    }
    found = found || mine;
  }
  return found && at == end;
}

// Writes the ranges in order, at most limit bytes of them; *done gets the bytes written.
bool WriteRanges(int fd, const std::vector<FileRange>& ranges, uint64_t limit, uint64_t* done) {
  *done = 0;
  for (const FileRange& range : ranges) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(range.bytes.size(), limit - *done));
    size_t written = 0;
    const bool ok =
        WriteAt(fd, range.bytes.data(), count, static_cast<off_t>(range.offset), &written);
    *done += written;
    if (!ok) return false;
    if (*done == limit) break;
  }
  return true;
}

bool ReadRanges(int fd, const std::vector<FileRange>& like, std::vector<FileRange>* out) {
  out->clear();
  for (const FileRange& range : like) {
    FileRange original{range.offset, std::string(range.bytes.size(), '\0')};
    size_t done = 0;
    if (!ReadAt(fd, original.bytes.data(), original.bytes.size(),
                static_cast<off_t>(original.offset), &done)) {
      if (errno == 0) errno = EIO;
      return false;
    }
    out->push_back(std::move(original));
  }
  return true;
}

// The bytes that the changes replace, those past the old end aside, and the tail that a
// shorter file loses.
bool ReadOriginals(InPlaceSave& save) {
  const uint64_t length = LengthOf(save), newLength = NewLengthOf(save);
  std::vector<FileRange> like;
  for (const FileRange& range : save.changes) {
    if (range.offset >= length) break;
    const uint64_t size = std::min<uint64_t>(range.bytes.size(), length - range.offset);
    like.push_back({range.offset, std::string(static_cast<size_t>(size), '\0')});
  }
  if (newLength < length) {
    like.push_back({newLength, std::string(static_cast<size_t>(length - newLength), '\0')});
  }
  return ReadRanges(save.fd, like, &save.originals);
}

bool LinkIn(int fd, const std::string& journal) {
  return FileSystem().link(fd, journal.c_str()) == 0;
}

bool Fail(InPlaceSave& save) {
  save.error = errno ? errno : EIO;
  return false;
}

}  // namespace

std::vector<FileRange> ChangedRanges(const uint8_t* original, const uint8_t* changed, size_t length,
                                     uint64_t offset) {
  std::vector<FileRange> ranges;
  size_t i = 0;
  while (i < length) {
    // Long equal stretches (all of a large text but its block) go a chunk at a time.
    if (length - i >= 256 && std::memcmp(original + i, changed + i, 256) == 0) {
      i += 256;
      continue;
    }
    if (original[i] == changed[i]) {
      ++i;
      continue;
    }
    size_t end = i + 1, same = 0;
    for (size_t j = end; j < length && same <= kMergeGap; ++j) {
      if (original[j] == changed[j]) {
        ++same;
      } else {
        same = 0;
        end = j + 1;
      }
    }
    ranges.push_back(
        {offset + i, std::string(reinterpret_cast<const char*>(changed + i), end - i)});
    i = end;
  }
  return ranges;
}

std::string HiddenPathBeside(const std::string& path, const char* suffix, size_t reserve) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() + 1 + std::strlen(suffix) + reserve <= NAME_MAX) {
    return folder + "." + name + suffix;
  }
  return folder +
         StringPrintf(".%016llx",
                      static_cast<unsigned long long>(Fnv1a(name.data(), name.size()))) +
         suffix;
}

std::string JournalPath(const std::string& path) {
  return HiddenPathBeside(path, kSuffix);
}

bool WriteJournal(InPlaceSave& save) {
  errno = 0;
  if (!ReadOriginals(save)) return Fail(save);
  const std::string journal = JournalPath(save.path);
  FileSystemCalls& fs = FileSystem();
  // Written without a name and linked in when complete: a kill never leaves half a journal.
  int fd = fs.open(FolderOf(journal).c_str(), O_TMPFILE | O_WRONLY, 0600);
  const bool unnamed = fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR);
  if (!unnamed) {
    fd = fs.open(journal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (fd >= 0) save.journal = journal;
  }
  if (fd < 0) {
    // A folder that takes no new file: the few bytes are written without a journal.
    if (errno == EACCES || errno == EPERM || errno == EROFS) return true;
    return Fail(save);
  }
  std::string text(kMagic, sizeof kMagic);
  PutSection(text, save);
  PutHash(text);
  size_t written = 0;
  bool ok = WriteAt(fd, text.data(), text.size(), 0, &written) &&
            (save.deferFlush || fs.fsync(fd) == 0) && (!unnamed || LinkIn(fd, journal));
  if (ok) save.journal = journal;
  const int error = errno;
  ok = fs.close(fd) == 0 && ok && (save.deferFlush || SyncFolderOf(journal));
  if (!ok) {
    save.error = errno ? errno : error ? error : EIO;
    if (!save.journal.empty()) fs.unlink(journal.c_str());
    save.journal.clear();
    return false;
  }
  return true;
}

namespace {

// A journal file holds at most this many files' sections, one name each (well under the
// link limits of file systems).
constexpr size_t kNamesPerJournal = 1000;

// One journal for saves whose journals lie in folder, linked in under each save's journal
// name. False when the journal file could not be made; the saves then have no journal.
bool WriteSharedJournal(const std::string& folder, const std::vector<InPlaceSave*>& saves) {
  std::string text(kMagic, sizeof kMagic);
  std::vector<InPlaceSave*> journaled;
  for (InPlaceSave* save : saves) {
    errno = 0;
    if (!ReadOriginals(*save)) {
      Fail(*save);
      continue;
    }
    PutSection(text, *save);
    journaled.push_back(save);
  }
  if (journaled.empty()) return true;
  PutHash(text);
  FileSystemCalls& fs = FileSystem();
  const int fd = fs.open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (fd < 0) return false;
  size_t written = 0;
  const bool complete = WriteAt(fd, text.data(), text.size(), 0, &written);
  for (InPlaceSave* save : complete ? journaled : std::vector<InPlaceSave*>{}) {
    const std::string journal = JournalPath(save->path);
    if (LinkIn(fd, journal)) {
      save->journal = journal;
    } else {
      Fail(*save);
    }
  }
  if (fs.close(fd) == 0 && complete) return true;
  for (InPlaceSave* save : journaled) {
    if (!save->journal.empty()) fs.unlink(save->journal.c_str());
    save->journal.clear();
  }
  return false;
}

}  // namespace

void WriteJournals(const std::vector<InPlaceSave*>& saves) {
  std::map<std::string, std::vector<InPlaceSave*>> byFolder;
  for (InPlaceSave* save : saves) byFolder[FolderOf(JournalPath(save->path))].push_back(save);
  for (const auto& [folder, all] : byFolder) {
    for (size_t first = 0; first < all.size(); first += kNamesPerJournal) {
      const std::vector<InPlaceSave*> part(
          all.begin() + static_cast<std::ptrdiff_t>(first),
          all.begin() +
              static_cast<std::ptrdiff_t>(std::min(all.size(), first + kNamesPerJournal)));
      if (WriteSharedJournal(folder, part)) continue;
      // No shared file (a folder without unnamed files, a failed write): one each.
      for (InPlaceSave* save : part) {
        if (save->error == 0) WriteJournal(*save);
      }
    }
  }
}

bool ApplyChanges(InPlaceSave& save) {
  errno = 0;
  FileSystemCalls& fs = FileSystem();
  const bool written = WriteRanges(save.fd, save.changes, UINT64_MAX, &save.applied);
  const bool cut = NewLengthOf(save) >= LengthOf(save) ||
                   fs.ftruncate(save.fd, static_cast<off_t>(NewLengthOf(save))) == 0;
  if (!written || !cut || (!save.deferFlush && fs.fsync(save.fd) != 0)) return Fail(save);
  return true;
}

bool RemoveJournal(InPlaceSave& save) {
  errno = 0;
  if (save.journal.empty()) return true;
  if (FileSystem().unlink(save.journal.c_str()) != 0) return Fail(save);
  save.journal.clear();
  save.applied = 0;
  if (!save.deferFlush) SyncFolderOf(save.path);  // the file is complete either way
  return true;
}

bool UndoChanges(InPlaceSave& save) {
  FileSystemCalls& fs = FileSystem();
  // A save that changes the length may have written or cut anything: all is put back.
  const bool resized = NewLengthOf(save) != LengthOf(save);
  uint64_t undone = 0;
  if ((save.applied > 0 || resized) &&
      (!WriteRanges(save.fd, save.originals, resized ? UINT64_MAX : save.applied, &undone) ||
       (resized && fs.ftruncate(save.fd, static_cast<off_t>(LengthOf(save))) != 0) ||
       fs.fsync(save.fd) != 0)) {
    return false;
  }
  save.applied = 0;
  return RemoveJournal(save);
}

bool SaveInPlace(InPlaceSave& save) {
  if (save.changes.empty() && NewLengthOf(save) == LengthOf(save)) return true;
  if (!WriteJournal(save)) return false;
  if (save.newLength && save.journal.empty()) {
    save.error = EACCES;
    return false;
  }
  if (ApplyChanges(save) && RemoveJournal(save)) return true;
  const int error = save.error;
  UndoChanges(save);
  save.error = error;
  return false;
}

bool RewriteInPlace(InPlaceSave& save, std::string_view content) {
  std::string old, error;
  if (!ReadAll(save.fd, save.path, &old, &error)) {
    save.error = errno ? errno : EIO;
    return false;
  }
  save.info.st_size = static_cast<off_t>(old.size());
  const size_t common = std::min(old.size(), content.size());
  save.changes = ChangedRanges(reinterpret_cast<const uint8_t*>(old.data()),
                               reinterpret_cast<const uint8_t*>(content.data()), common, 0);
  if (content.size() > common)
    save.changes.push_back({common, std::string(content.substr(common))});
  save.newLength = content.size();
  return SaveInPlace(save);
}

JournalFound UndoInterruptedSave(const std::string& path, int fd, std::string* journal) {
  *journal = JournalPath(path);
  FileDescriptor in(open(journal->c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) return errno == ENOENT ? JournalFound::kNone : JournalFound::kInTheWay;
  std::string text, error;
  InPlaceSave save;
  save.path = path;
  save.fd = fd;
  save.journal = *journal;
  save.applied = UINT64_MAX;  // how far the save got is not known
  uint64_t before = 0, after = 0;
  if (fstat(fd, &save.info) != 0 || !ReadAll(in.get(), *journal, &text, &error) ||
      !ParseJournal(text, save.info, &save.originals, &before, &after)) {
    return JournalFound::kInTheWay;
  }
  save.info.st_size = static_cast<off_t>(before);
  save.newLength = after;
  if (!UndoChanges(save)) return JournalFound::kUndoFailed;
  return JournalFound::kUndone;
}

}  // namespace k7q
