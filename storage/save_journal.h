// In-place saves under a rollback journal: for every range about to change, the bytes
// before and after the save are written to a journal beside the file and flushed before
// the file is touched, so that an interrupted save can be undone when the file is next
// opened or saved, and only into the file it was written for.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k7q {

struct FileRange {
  uint64_t offset = 0;
  std::string bytes;
};

// The ranges in which changed differs from original (both length bytes, at offset in the
// file); ranges closer than a few bytes are merged.
std::vector<FileRange> ChangedRanges(const uint8_t* original, const uint8_t* changed, size_t length,
                                     uint64_t offset);

// ".NAME" followed by suffix beside the file, or a short hashed name in place of NAME where
// that, with reserve more characters, would be too long for a name.
std::string HiddenPathBeside(const std::string& path, const char* suffix, size_t reserve = 0);

// ".NAME.k7q-journal" beside the file, or a short hashed name where that would be too long.
std::string JournalPath(const std::string& path);

// [begin, end) of a file.
struct ByteRegion {
  uint64_t begin = 0;
  uint64_t end = 0;
};

// The bytes a save of one kind of file may change (its block, the digits and checksums
// of the block's records, ...), found in the file as it stood before the save. A journal
// with a range outside them was not written by such a save and is never applied.
using ChangeableRegions = std::function<std::vector<ByteRegion>(std::string_view before)>;

// One file's in-place save. The steps are separate so that a pass over several files can
// write every journal, then every file, then remove every journal.
struct InPlaceSave {
  std::string path;  // the file itself, links resolved
  int fd = -1;       // open for reading and writing, locked for the save
  struct stat info {};
  std::vector<FileRange> changes;    // the new bytes
  std::vector<FileRange> originals;  // the bytes they replace, read by WriteJournal
  std::string journal;               // the journal's name while it exists
  bool withoutJournal = false;       // the folder takes no journal: one write of one range
  uint64_t applied = 0;              // bytes of the changes written so far, in order
  int error = 0;                     // errno of the step that failed
  std::string failure;               // a reason of its own for the failure, or empty
  // Part of a group commit: the steps leave the flushes to the caller, who flushes the
  // file system once after every journal and once after every file.
  bool deferFlush = false;
  // A rewrite of the whole file: its length afterwards. The changes may reach past the old
  // end, and the journal keeps the tail that a shorter file loses. A rewrite needs a journal.
  std::optional<uint64_t> newLength;
};

// The note for a file saved with withoutJournal set.
std::string SavedWithoutJournal(const std::string& path);

// Reads the originals and writes and flushes the journal. Where the folder cannot take
// one, the changes of a save become one write of one range (withoutJournal) and a rewrite
// is refused (EACCES). False: nothing was
// changed, no journal is left.
bool WriteJournal(InPlaceSave& save);

// The journals of several saves of a group commit (deferFlush set): one file for the
// saves of a folder, with each save's journal name linked to it, so that removing the
// names frees its space once. A save whose journal could not be written gets its error.
void WriteJournals(const std::vector<InPlaceSave*>& saves);

// Writes the changes (and, for a rewrite, sets the new length) and flushes the file.
bool ApplyChanges(InPlaceSave& save);

// Removes the journal: the save is complete.
bool RemoveJournal(InPlaceSave& save);

// Writes the originals back, flushes the file and removes the journal.
bool UndoChanges(InPlaceSave& save);

// Every step in order; a failure after the first write undoes the changes.
bool SaveInPlace(InPlaceSave& save);

// Replaces the whole contents of the file open on save.fd (save.path, save.info set) by
// content, in place, so that its links, owner and mode stay: the same steps as a save,
// writing only the pages that differ, with room for the new length reserved first and a
// file-size limit checked before anything is written. A folder that takes no journal
// refuses (EACCES). False with save.error and the file as it was.
bool RewriteInPlace(InPlaceSave& save, std::string_view content);

enum class JournalFound {
  kNone,          // no journal of the file beside it
  kUndone,        // a journal of this file: its save was undone
  kTorn,          // incomplete or damaged: its save never touched the file
  kForeign,       // of another file, by another user, writable by others, or outside
                  // what a save of the file may change
  kMovedOn,       // the file holds neither the bytes before nor after that save
  kOlderVersion,  // written by an older build: this one cannot undo its save
  kUnreadable,    // cannot be read (errno says why)
  kNotAJournal,   // a link, folder or other file in the journal's place
  kUndoFailed     // could not be applied: left for the next try (errno says why)
};

struct FoundJournal {
  JournalFound found = JournalFound::kNone;
  std::string path;  // the journal's name
  int error = 0;
};

// The name of a pending journal of the file (path with links resolved) beside it: under
// its own name (anything there), or, for a file with several links, a journal of the same
// file under the name of another of its links. Empty when there is none.
std::string PendingJournal(const std::string& path, const struct stat& file);

// Undoes the save that the journal records in the file open on fd (locked for the save),
// where that is safe: the journal is the file's own and every range holds the bytes from
// before or after that save. changeable: the bytes a save of the file's kind may change,
// kept to by every journal that keeps the length; none: any bytes (a rewritten output). A
// journal that changes the length is a whole output's rewrite, bound by its bytes alone.
FoundJournal UndoInterruptedSave(const std::string& journal, int fd,
                                 const ChangeableRegions& changeable);

}  // namespace k7q
