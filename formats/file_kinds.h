// The kinds of configurable file, one row each: the names a kind is known by, its filter
// in the open dialog, whether the main window opens it, how its block is read and
// written, what it can hold, and whether a file's first bytes tell it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/address_space.h"

namespace k7q {

// Reads the data records of a record text into an address space.
using RecordReader = RecordTextError (*)(std::string_view text, AddressSpace& space);

struct FileKind {
  const char* filterName;                    // "EXE Files"
  std::vector<std::string_view> extensions;  // with the dot, letter case ignored
  // False: only saved into (Configure Multiple); the main window opens such a file only
  // when its first bytes tell a kind that opens.
  bool opensInMainWindow;
  // The reader of a record text (the block found among the addresses its records fill,
  // saved into the digits that hold it); none: a mapped image, whose block lies among
  // the file's own bytes.
  RecordReader readRecords;
  // The file may hold the block as one stream of fields instead (the board images'
  // layout), which holds CLKI 1000 times larger and keeps the file's own description.
  bool streamLayout;
  // Tells the kind from a file's first four bytes (fewer for a shorter file) when its
  // name tells none; none: known by name only.
  bool (*byContent)(std::string_view head);
};

// Every kind, in the order of the open dialog's filters.
const std::vector<FileKind>& FileKinds();

// The kind whose extension the name ends in, or nullptr.
const FileKind* KindOfName(std::string_view path);

// The kind that a file's first bytes tell, or nullptr.
const FileKind* KindOfContent(std::string_view head);

// The kind a file is opened and saved as: the one its name tells when that kind opens in
// the main window, else the one its first bytes tell (a regular file only), or nullptr.
const FileKind* KindOfFile(const std::string& path);

// A file of a kind with a record reader (S-record, Intel HEX), as KindOfFile tells.
bool IsRecordTextFile(const std::string& path);

// A name of any kind: listed when Configure Multiple shows configuration files only,
// and taken for a configurable file rather than a settings file.
bool IsConfigurationFileName(std::string_view path);

}  // namespace k7q
