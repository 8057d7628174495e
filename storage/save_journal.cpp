#include "storage/save_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <map>

#include "chipmodel/text_format.h"
#include "storage/file_system.h"
#include "storage/journal_format.h"
#include "storage/mapping.h"
#include "storage/safe_file.h"

namespace k7q {

namespace {

constexpr size_t kMergeGap = 8;
const char kSuffix[] = ".k7q-journal";
// A rewrite goes a page at a time: a kill never leaves one of its writes half done.
constexpr size_t kRewriteChunk = 4096;
constexpr size_t kTailChunk = 1 << 20;
// A journal longer than twice its file and this is not one of ours.
constexpr uint64_t kJournalSlack = 64ull << 20;

uint64_t NameHash(const std::string& name) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// Reads up to count bytes at offset: fewer at the end of the file.
bool ReadUpTo(int fd, uint64_t offset, size_t count, std::string* out) {
  out->assign(count, '\0');
  size_t done = 0;
  errno = 0;
  const bool ok = ReadAt(fd, out->data(), count, static_cast<off_t>(offset), &done) || errno == 0;
  out->resize(done);
  return ok;
}

bool WithinFileSizeLimit(uint64_t length) {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  return limit.rlim_cur == RLIM_INFINITY || length <= limit.rlim_cur;
}

bool Fail(InPlaceSave& save) {
  save.error = errno ? errno : EIO;
  return false;
}

uint64_t LengthOf(const InPlaceSave& save) {
  return static_cast<uint64_t>(save.info.st_size);
}

uint64_t NewLengthOf(const InPlaceSave& save) {
  return save.newLength.value_or(LengthOf(save));
}

// The bytes the changes replace and, where a rewrite shortens the file, the bytes it cuts.
bool ReadOriginals(InPlaceSave& save) {
  save.originals.clear();
  for (const FileRange& change : save.changes) {
    FileRange original{change.offset, {}};
    if (!ReadUpTo(save.fd, change.offset, change.bytes.size(), &original.bytes)) return false;
    save.originals.push_back(std::move(original));
  }
  const uint64_t length = LengthOf(save);
  for (uint64_t at = NewLengthOf(save); at < length; at += kTailChunk) {
    FileRange cut{at, {}};
    if (!ReadUpTo(save.fd, at, static_cast<size_t>(std::min<uint64_t>(kTailChunk, length - at)),
                  &cut.bytes)) {
      return false;
    }
    save.originals.push_back(std::move(cut));
  }
  return true;
}

JournalSection SectionOf(const InPlaceSave& save) {
  JournalSection section;
  section.device = static_cast<uint64_t>(save.info.st_dev);
  section.inode = static_cast<uint64_t>(save.info.st_ino);
  section.lengthBefore = LengthOf(save);
  section.lengthAfter = NewLengthOf(save);
  for (size_t i = 0; i < save.originals.size(); ++i) {
    const std::string after = i < save.changes.size() ? save.changes[i].bytes : std::string();
    section.ranges.push_back({save.originals[i].offset, save.originals[i].bytes, after});
  }
  return section;
}

// Writes the ranges in order; *done gets the bytes written.
bool WriteRanges(int fd, const std::vector<FileRange>& ranges, uint64_t* done) {
  *done = 0;
  for (const FileRange& range : ranges) {
    size_t written = 0;
    const bool ok = WriteAt(fd, range.bytes.data(), range.bytes.size(),
                            static_cast<off_t>(range.offset), &written);
    *done += written;
    if (!ok) return false;
  }
  return true;
}

bool LinkIn(int fd, const std::string& journal) {
  return FileSystem().link(fd, journal.c_str()) == 0;
}

void NameTaken(InPlaceSave& save, const std::string& journal) {
  save.failure = StringPrintf(
      "The name of the file's journal, \"%s\", is taken by another file; remove it to save "
      "this file.",
      journal.c_str());
}

// A folder that takes no journal: the changes become one write of one range, from the
// first changed byte to the last, so that nothing can stop between two of them. A rewrite
// may cut the file, which one write cannot undo: it is refused.
bool WithoutJournal(InPlaceSave& save) {
  if (save.newLength) {
    errno = EACCES;
    return Fail(save);
  }
  save.withoutJournal = true;
  if (save.changes.empty()) return true;
  const uint64_t begin = save.changes.front().offset;
  const uint64_t end = save.changes.back().offset + save.changes.back().bytes.size();
  std::string before;
  if (!ReadUpTo(save.fd, begin, static_cast<size_t>(end - begin), &before)) return Fail(save);
  std::string bytes = before;
  bytes.resize(static_cast<size_t>(end - begin));
  for (const FileRange& change : save.changes) {
    bytes.replace(static_cast<size_t>(change.offset - begin), change.bytes.size(), change.bytes);
  }
  // No rewrite gets here: the originals are those of the changes alone.
  save.changes.assign(1, FileRange{begin, std::move(bytes)});
  save.originals.assign(1, FileRange{begin, std::move(before)});
  return true;
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
  // The folder part ends with its slash; a plain name has none (npos + 1 is 0).
  const size_t start = path.rfind('/') + 1;
  const std::string folder = path.substr(0, start), name = path.substr(start);
  if (name.size() + 1 + std::strlen(suffix) + reserve <= NAME_MAX) {
    return folder + "." + name + suffix;
  }
  return folder + StringPrintf(".%016llx", static_cast<unsigned long long>(NameHash(name))) +
         suffix;
}

std::string JournalPath(const std::string& path) {
  return HiddenPathBeside(path, kSuffix);
}

std::string SavedWithoutJournal(const std::string& path) {
  return StringPrintf(
      "\"%s\" was saved without a journal: its folder cannot take one. The changes went in "
      "one write, but a crash during it could not have been undone.",
      path.c_str());
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
    if (errno == EACCES || errno == EPERM || errno == EROFS) return WithoutJournal(save);
    if (errno == EEXIST) NameTaken(save, journal);
    return Fail(save);
  }
  std::vector<JournalSection> sections;
  sections.push_back(SectionOf(save));
  const std::string text = EncodeJournal(sections);
  size_t written = 0;
  const bool fits = WithinFileSizeLimit(text.size());
  if (!fits) errno = EFBIG;
  bool ok = fits && WriteAt(fd, text.data(), text.size(), 0, &written) &&
            (save.deferFlush || fs.fsync(fd) == 0) && (!unnamed || LinkIn(fd, journal));
  if (!ok && errno == EEXIST) NameTaken(save, journal);  // only a link gives it
  if (ok) save.journal = journal;
  // A failed call leaves its errno: a close that succeeds does not touch it.
  ok = fs.close(fd) == 0 && ok && (save.deferFlush || SyncFolderOf(journal));
  if (!ok) {
    Fail(save);
    if (!save.journal.empty()) fs.unlink(journal.c_str());
    save.journal.clear();
  }
  return ok;
}

namespace {

// A journal file holds at most this many files' sections, one name each (well under the
// link limits of file systems).
constexpr size_t kNamesPerJournal = 1000;

// One journal for saves whose journals lie in folder, linked in under each save's journal
// name. False when the journal file could not be made; the saves then have no journal.
bool WriteSharedJournal(const std::string& folder, const std::vector<InPlaceSave*>& saves) {
  std::vector<JournalSection> sections;
  std::vector<InPlaceSave*> journaled;
  for (InPlaceSave* save : saves) {
    errno = 0;
    if (!ReadOriginals(*save)) {
      Fail(*save);
      continue;
    }
    sections.push_back(SectionOf(*save));
    journaled.push_back(save);
  }
  const std::string text = EncodeJournal(sections);
  FileSystemCalls& fs = FileSystem();
  const int fd = fs.open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (fd < 0) return false;
  size_t written = 0;
  const bool complete =
      WithinFileSizeLimit(text.size()) && WriteAt(fd, text.data(), text.size(), 0, &written);
  for (size_t i = 0; complete && i < journaled.size(); ++i) {
    InPlaceSave& save = *journaled[i];
    const std::string journal = JournalPath(save.path);
    if (LinkIn(fd, journal)) {
      save.journal = journal;
    } else {
      if (errno == EEXIST) NameTaken(save, journal);
      Fail(save);
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
  const bool written = WriteRanges(save.fd, save.changes, &save.applied);
  const bool cut = NewLengthOf(save) >= LengthOf(save) ||
                   FileSystem().ftruncate(save.fd, static_cast<off_t>(NewLengthOf(save))) == 0;
  if (!written || !cut || (!save.deferFlush && FileSystem().fsync(save.fd) != 0)) {
    return Fail(save);
  }
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
  uint64_t left = save.applied;
  for (size_t i = 0; i < save.changes.size() && left > 0; ++i) {
    const uint64_t count = std::min<uint64_t>(left, save.changes[i].bytes.size());
    const std::string& original = save.originals[i].bytes;
    size_t written = 0;
    if (!WriteAt(save.fd, original.data(), std::min<size_t>(original.size(), count),
                 static_cast<off_t>(save.originals[i].offset), &written)) {
      return false;
    }
    left -= count;
  }
  if (save.newLength) {
    uint64_t done = 0;
    const std::vector<FileRange> cut(
        save.originals.begin() + static_cast<std::ptrdiff_t>(save.changes.size()),
        save.originals.end());
    if (!WriteRanges(save.fd, cut, &done) ||
        FileSystem().ftruncate(save.fd, save.info.st_size) != 0) {
      return false;
    }
  }
  if ((save.applied > 0 || save.newLength) && FileSystem().fsync(save.fd) != 0) return false;
  save.applied = 0;
  return RemoveJournal(save);
}

bool SaveInPlace(InPlaceSave& save) {
  if (save.changes.empty() && NewLengthOf(save) == LengthOf(save)) return true;
  if (!WriteJournal(save)) return false;
  if (ApplyChanges(save) && RemoveJournal(save)) return true;
  const int error = save.error;
  UndoChanges(save);
  save.error = error;
  return false;
}

bool RewriteInPlace(InPlaceSave& save, std::string_view content) {
  save.newLength = content.size();
  const uint64_t length = LengthOf(save);
  errno = 0;
  if (!WithinFileSizeLimit(std::max<uint64_t>(length, content.size()))) {
    errno = EFBIG;
    return Fail(save);
  }
  // Room for the new bytes first: a full disk then stops the rewrite before it starts.
  if (content.size() > length &&
      FileSystem().fallocate(save.fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(content.size())) !=
          0 &&
      errno != EOPNOTSUPP) {
    return Fail(save);
  }
  save.changes.clear();
  std::string old;
  for (size_t at = 0; at < content.size(); at += kRewriteChunk) {
    const std::string_view chunk = content.substr(at, kRewriteChunk);
    if (!ReadUpTo(save.fd, at, chunk.size(), &old)) return Fail(save);
    if (old != chunk) save.changes.push_back({at, std::string(chunk)});
  }
  return SaveInPlace(save);
}

namespace {

// Whether the journal could be one of a save of the file described by file: a regular
// file, owned by the file's owner or by this user, and writable by nobody else.
bool OwnJournal(const struct stat& journal, const struct stat& file) {
  return (journal.st_uid == file.st_uid || journal.st_uid == geteuid()) &&
         (journal.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Opens the journal for reading, never through a link nor waiting on a FIFO; *info gets
// its state. False with errno, ELOOP for a link or anything but a regular file.
bool OpenJournal(const std::string& path, FileDescriptor* in, struct stat* info) {
  in->reset(FileSystem().open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0));
  *info = {};
  if (in->get() < 0) return false;
  fstat(in->get(), info);
  errno = ELOOP;
  return S_ISREG(info->st_mode);
}

// The journal open on in (info its state), judged beside a file of fileLength bytes; one
// far longer than a save of that file writes is not one of ours, and is not read.
// *error: errno when it could not be read.
JournalText ReadJournal(int in, const struct stat& info, uint64_t fileLength,
                        std::vector<JournalSection>* sections, int* error) {
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  if (size > 2 * fileLength + kJournalSlack) return JournalText::kMalformed;
  std::string text;
  errno = 0;
  if (!ReadUpTo(in, 0, static_cast<size_t>(size), &text)) {
    *error = errno;
    return JournalText::kTorn;
  }
  return DecodeJournal(text, sections);
}

const JournalSection* SectionFor(const std::vector<JournalSection>& sections,
                                 const struct stat& file) {
  for (const JournalSection& section : sections) {
    if (section.device == static_cast<uint64_t>(file.st_dev) &&
        section.inode == static_cast<uint64_t>(file.st_ino)) {
      return &section;
    }
  }
  return nullptr;
}

// Another journal in the folder, written through another name of the same file.
std::string JournalOfAnotherLink(const std::string& path, const struct stat& file) {
  const std::string folder = path.substr(0, path.rfind('/') + 1);  // with its slash
  std::string found;
  DIR* dir = opendir(FolderOf(path).c_str());
  if (!dir) return found;
  const size_t suffix = sizeof kSuffix - 1;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= suffix || name[0] != '.' ||
        name.compare(name.size() - suffix, suffix, kSuffix)) {
      continue;
    }
    const std::string candidate = folder + name;
    FileDescriptor in;
    struct stat info;
    if (!OpenJournal(candidate, &in, &info)) continue;
    std::vector<JournalSection> sections;
    int error = 0;
    const JournalText text =
        ReadJournal(in.get(), info, static_cast<uint64_t>(file.st_size), &sections, &error);
    if (text == JournalText::kComplete && SectionFor(sections, file)) {
      found = candidate;
      break;
    }
  }
  closedir(dir);
  return found;
}

// The current bytes of the range within a file of length bytes.
bool Holds(int fd, uint64_t length, const JournalRange& range, bool* before, bool* after) {
  const uint64_t count = range.offset >= length ? 0 : std::min(range.size(), length - range.offset);
  std::string now;
  if (!ReadUpTo(fd, range.offset, static_cast<size_t>(count), &now)) return false;
  *before = std::string_view(range.before).substr(0, count) == now;
  *after = std::string_view(range.after).substr(0, count) == now;
  return true;
}

// Whether every range lies in the bytes a save of the file's kind may change, judged on
// the file as it stood before the save (its own pages, with the ranges' old bytes). Only
// the rewrite of a whole output changes the length, and it may change any byte: its undo
// is bound by the bytes before and after alone.
bool WithinChangeable(int fd, const JournalSection& section, const ChangeableRegions& changeable) {
  if (section.lengthBefore != section.lengthAfter || section.ranges.empty()) return true;
  Mapping view(fd, static_cast<size_t>(section.lengthBefore), PROT_READ | PROT_WRITE, MAP_PRIVATE);
  if (!view.ok()) return false;
  for (const JournalRange& range : section.ranges) {  // both sides of equal size
    std::memcpy(view.bytes() + range.offset, range.before.data(), range.before.size());
  }
  const std::vector<ByteRegion> regions = changeable(std::string_view(
      reinterpret_cast<const char*>(view.bytes()), static_cast<size_t>(section.lengthBefore)));
  if (view.Changed()) return false;
  return std::all_of(section.ranges.begin(), section.ranges.end(), [&](const JournalRange& range) {
    return std::any_of(regions.begin(), regions.end(), [&](const ByteRegion& region) {
      return range.offset >= region.begin && range.offset <= region.end &&
             range.size() <= region.end - range.offset;
    });
  });
}

JournalFound Undo(int fd, const JournalSection& section, const std::string& journal) {
  errno = 0;
  for (const JournalRange& range : section.ranges) {
    size_t written = 0;
    if (!WriteAt(fd, range.before.data(), range.before.size(), static_cast<off_t>(range.offset),
                 &written)) {
      return JournalFound::kUndoFailed;
    }
  }
  FileSystemCalls& fs = FileSystem();
  if ((section.lengthBefore != section.lengthAfter &&
       fs.ftruncate(fd, static_cast<off_t>(section.lengthBefore)) != 0) ||
      fs.fsync(fd) != 0 || fs.unlink(journal.c_str()) != 0) {
    return JournalFound::kUndoFailed;
  }
  SyncFolderOf(journal);
  return JournalFound::kUndone;
}

JournalFound Judge(int fd, const struct stat& file, const std::string& journal,
                   const ChangeableRegions& changeable, int* error) {
  FileDescriptor in;
  struct stat info;
  if (!OpenJournal(journal, &in, &info)) {
    *error = errno;
    return errno == ELOOP ? JournalFound::kNotAJournal : JournalFound::kUnreadable;
  }
  if (!OwnJournal(info, file)) return JournalFound::kForeign;
  std::vector<JournalSection> sections;
  const JournalText text =
      ReadJournal(in.get(), info, static_cast<uint64_t>(file.st_size), &sections, error);
  if (*error != 0) return JournalFound::kUnreadable;
  if (text == JournalText::kTorn) return JournalFound::kTorn;
  if (text == JournalText::kMalformed) return JournalFound::kForeign;
  if (text == JournalText::kOlderVersion) return JournalFound::kOlderVersion;
  const JournalSection* section = SectionFor(sections, file);
  if (!section) return JournalFound::kForeign;
  const uint64_t length = static_cast<uint64_t>(file.st_size);
  if (length < std::min(section->lengthBefore, section->lengthAfter) ||
      length > std::max(section->lengthBefore, section->lengthAfter)) {
    return JournalFound::kMovedOn;
  }
  for (const JournalRange& range : section->ranges) {
    bool before = false, after = false;
    if (!Holds(fd, length, range, &before, &after)) return JournalFound::kUndoFailed;
    if (!before && !after) return JournalFound::kMovedOn;
  }
  if (changeable && !WithinChangeable(fd, *section, changeable)) return JournalFound::kForeign;
  const JournalFound undone = Undo(fd, *section, journal);
  *error = errno;
  return undone;
}

}  // namespace

std::string PendingJournal(const std::string& path, const struct stat& file) {
  const std::string own = JournalPath(path);
  struct stat info;
  if (lstat(own.c_str(), &info) == 0 || errno != ENOENT) return own;
  return file.st_nlink > 1 ? JournalOfAnotherLink(path, file) : std::string();
}

FoundJournal UndoInterruptedSave(const std::string& journal, int fd,
                                 const ChangeableRegions& changeable) {
  FoundJournal found;
  found.path = journal;
  struct stat file;
  if (fstat(fd, &file) != 0) {
    found.error = errno;
    found.found = JournalFound::kUndoFailed;
    return found;
  }
  found.found = Judge(fd, file, journal, changeable, &found.error);
  return found;
}

}  // namespace k7q
