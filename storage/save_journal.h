// In-place saves under a rollback journal: the original bytes of every range about to
// change are written to a journal beside the file and flushed before the file is touched,
// so that an interrupted save can be undone when the file is next opened or saved.
#pragma once

#include <sys/stat.h>

#include <cstdint>
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

// One file's in-place save. The steps are separate so that a pass over several files can
// write every journal, then every file, then remove every journal.
struct InPlaceSave {
  std::string path;  // the file itself, links resolved
  int fd = -1;       // open for reading and writing, locked for the save
  struct stat info {};
  std::vector<FileRange> changes;    // the new bytes
  std::vector<FileRange> originals;  // the bytes they replace, read by WriteJournal
  std::string journal;               // empty when the folder takes no journal
  uint64_t applied = 0;              // bytes of the changes written so far, in order
  int error = 0;                     // errno of the step that failed
  // Part of a group commit: the steps leave the flushes to the caller, who flushes the
  // file system once after every journal and once after every file.
  bool deferFlush = false;
  // A rewrite of the whole file: its length afterwards. The changes may reach past the old
  // end, and the journal keeps the tail that a shorter file loses. A rewrite needs a journal.
  std::optional<uint64_t> newLength;
};

// Reads the originals and writes and flushes the journal. Where the folder cannot take
// one the save goes on without it. False: nothing was changed, no journal is left.
bool WriteJournal(InPlaceSave& save);

// The journals of several saves of a group commit (deferFlush set): one file for the
// saves of a folder, with each save's journal name linked to it, so that removing the
// names frees its space once. A save whose journal could not be written gets its error.
void WriteJournals(const std::vector<InPlaceSave*>& saves);

// Writes the changes and flushes the file.
bool ApplyChanges(InPlaceSave& save);

// Removes the journal: the save is complete.
bool RemoveJournal(InPlaceSave& save);

// Writes the originals back, flushes the file and removes the journal.
bool UndoChanges(InPlaceSave& save);

// Every step in order; a failure after the first write undoes the changes.
bool SaveInPlace(InPlaceSave& save);

// Rewrites the file of save (path, fd and info set) to hold content, writing only the
// bytes that differ, under a journal; a folder that takes no journal refuses (EACCES).
// False with save.error and the file as it was.
bool RewriteInPlace(InPlaceSave& save, std::string_view content);

enum class JournalFound {
  kNone,       // no journal beside the file
  kUndone,     // a complete journal of this file: its save was undone
  kInTheWay,   // a torn journal or one of another file: left alone
  kUndoFailed  // a complete journal that could not be applied: left for the next try
};

// Looks for the journal of the file open on fd (locked for the save) and undoes the save
// it records. *journal gets the journal's path.
JournalFound UndoInterruptedSave(const std::string& path, int fd, std::string* journal);

}  // namespace k7q
