#include "formats/srecord_file.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "chipmodel/text_format.h"
#include "formats/srecord_codec.h"
#include "storage/locked_file.h"
#include "storage/opened_blocks.h"
#include "storage/safe_file.h"
#include "storage/save_journal.h"
#include "storage/staged_file.h"

namespace k7q {

HalStruct& StagingBlock() {
  static HalStruct staging = DefaultHalStruct();
  return staging;
}

namespace {

// Files last read or saved here as of the stream layout.
std::set<std::string>& StreamLayoutFiles() {
  static std::set<std::string> files;
  return files;
}

// Where the block's records of a file read or saved here lie, as long as the file is
// unchanged since; a save then reads and rewrites those records only.
struct KnownRecords {
  struct stat state;  // after the read or save
  SrecordBlockRecords records;
};

std::map<std::string, KnownRecords>& Known() {
  static std::map<std::string, KnownRecords> known;
  return known;
}

// statResult: of the fstat or stat that filled now.
void RememberRecords(const std::string& path, int statResult, const struct stat& now,
                     SrecordBlockRecords records) {
  if (statResult == 0) {
    Known()[path] = {now, records};
  } else {
    Known().erase(path);
  }
}

void RememberRecords(const std::string& path, int fd, SrecordBlockRecords records) {
  struct stat now;
  const int statResult = fstat(fd, &now);
  RememberRecords(path, statResult, now, records);
}

std::string_view RecordsIn(std::string_view text, SrecordBlockRecords where) {
  return text.substr(where.begin, where.end - where.begin);
}

// The block's records of a file known here and unchanged since; false otherwise.
bool ReadKnownRecords(const LockedFile& file, std::string* text, SrecordBlockRecords* records) {
  const auto found = Known().find(file.path);
  struct stat now;
  if (found == Known().end() || fstat(file.fd.get(), &now) != 0 ||
      !Unchanged(now, found->second.state)) {
    return false;
  }
  *records = found->second.records;
  text->resize(records->end - records->begin);
  size_t done = 0;
  return ReadAt(file.fd.get(), text->data(), text->size(), static_cast<off_t>(records->begin),
                &done);
}

std::string Detail(const std::string& path, int error) {
  return path + ": " + std::strerror(error ? error : EIO);
}

// Opens and locks the file; false with the result's messages filled.
bool OpenLocked(const std::string& path, bool forSaving, LockedFile* file,
                SrecordFileResult* result) {
  *file = OpenLockedFile(path, forSaving);
  result->notices = file->notices;
  if (file->openError) {
    result->messages.push_back(StringPrintf("ERROR: open failed on input file %s", path.c_str()));
    result->detail = Detail(path, file->openError);
    return false;
  }
  if (!file->reason.empty()) {
    result->refusal = file->reason;
    return false;
  }
  return true;
}

// Maps the whole text of the locked file; only the pages parsed are read.
bool MapText(const LockedFile& file, const std::string& path, std::optional<Mapping>* mapping,
             std::string_view* text, SrecordFileResult* result) {
  struct stat info;
  if (fstat(file.fd.get(), &info) != 0) {
    result->messages.push_back(StringPrintf("ERROR: _lseek to end failed, file:%s", path.c_str()));
    result->detail = Detail(path, errno);
    return false;
  }
  const size_t length = static_cast<size_t>(info.st_size);
  *text = {};
  if (length == 0) return true;
  mapping->emplace(file.fd.get(), length, PROT_READ, MAP_PRIVATE);
  if (!(*mapping)->ok()) {
    result->messages.push_back(
        StringPrintf("ERROR: read %d bytes of %d", 0, static_cast<int>(length)));
    result->detail = Detail(path, errno);
    return false;
  }
  madvise((*mapping)->bytes(), length, MADV_SEQUENTIAL);
  *text = std::string_view(reinterpret_cast<const char*>((*mapping)->bytes()), length);
  return true;
}

// Finds the block's records in the whole text; false with the message of the failure.
bool FindRecords(std::string_view text, std::string* records, SrecordBlockRecords* where,
                 SrecordFileResult* result) {
  HalStruct ignored = DefaultHalStruct();
  std::string message;
  if (!ReadSrecordBlock(text, &ignored, &message, where)) {
    if (!message.empty()) result->messages.push_back(message);
    return false;
  }
  records->assign(RecordsIn(text, *where));
  return true;
}

bool WriteCopy(const std::string& openedPath, const std::string& target, const std::string& text,
               SrecordBlockRecords where, SrecordFileResult* result) {
  struct stat info;
  const mode_t mode =
      stat(openedPath.c_str(), &info) == 0 ? (info.st_mode & 07777) | S_IWUSR : S_IRUSR | S_IWUSR;
  StagedFile out(target, mode);
  if (!out.ok()) {
    result->messages.push_back(StringPrintf("ERROR: could not create file %s!", target.c_str()));
    result->detail = Detail(target, errno);
    return false;
  }
  size_t written = 0;
  if (!WriteAll(out.fd(), text, &written)) {
    result->messages.push_back(StringPrintf(
        "ERROR: written %d bytes of %d", static_cast<int>(written), static_cast<int>(text.size())));
    result->detail = Detail(target, errno);
    return false;
  }
  if (!out.Commit()) {
    result->messages.push_back(
        StringPrintf("ERROR: %s, file:%s", SystemErrorText().c_str(), target.c_str()));
    return false;
  }
  const std::string path = ResolvedPath(target);
  RememberOpenedBlock(path, std::string(RecordsIn(text, where)));
  struct stat now;
  const int statResult = stat(path.c_str(), &now);
  RememberRecords(path, statResult, now, where);
  return true;
}

bool WriteInPlace(LockedFile& file, const std::string& name, SrecordBlockRecords where,
                  const std::string& records, const std::string& newRecords,
                  SrecordFileResult* result) {
  InPlaceSave save;
  save.path = file.path;
  save.fd = file.fd.get();
  save.info = file.info;
  save.changes = ChangedRanges(reinterpret_cast<const uint8_t*>(records.data()),
                               reinterpret_cast<const uint8_t*>(newRecords.data()), records.size(),
                               where.begin);
  if (!SaveInPlace(save)) {
    Known().erase(file.path);
    result->messages.push_back(
        save.failure.empty()
            ? StringPrintf("ERROR: %s, file:%s", std::strerror(save.error), name.c_str())
            : save.failure);
    return false;
  }
  if (save.withoutJournal) result->notices.push_back(SavedWithoutJournal(name));
  futimens(file.fd.get(), nullptr);
  UpdateOpenedBlock(file.path, newRecords);
  RememberRecords(file.path, file.fd.get(), where);
  return true;
}

}  // namespace

SrecordFileResult ReadSrecordFile(const std::string& path) {
  SrecordFileResult result;
  LockedFile file;
  std::optional<Mapping> mapping;
  std::string_view text;
  if (!OpenLocked(path, false, &file, &result) || !MapText(file, path, &mapping, &text, &result)) {
    return result;
  }
  std::string message;
  SrecordBlockRecords where;
  result.ok = ReadSrecordBlock(text, &StagingBlock(), &message, &where);
  if (!message.empty()) result.messages.push_back(message);
  if (result.ok) {
    RememberOpenedBlock(file.path, std::string(RecordsIn(text, where)));
    RememberRecords(file.path, file.fd.get(), where);
  }
  return result;
}

SrecordFileResult WriteSrecordFile(
    const std::string& openedPath, const std::string& newPath,
    const std::function<std::string(const HalStruct& fileBlock)>& refusal) {
  SrecordFileResult result;
  const bool saveAs = !newPath.empty();
  LockedFile file;
  if (!OpenLocked(openedPath, !saveAs, &file, &result)) return result;
  if (!saveAs && file.journalInTheWay) {
    result.refusal = result.notices.back();
    result.notices.pop_back();
    return result;
  }
  std::optional<Mapping> mapping;
  std::string_view text;
  std::string records;
  SrecordBlockRecords where;
  if (saveAs || !ReadKnownRecords(file, &records, &where)) {
    if (!MapText(file, openedPath, &mapping, &text, &result) ||
        !FindRecords(text, &records, &where, &result)) {
      return result;
    }
  }
  if (!saveAs && OpenedBlockChanged(file.path, records)) {
    result.refusal = kChangedSinceOpened;
    return result;
  }
  HalStruct fileBlock = DefaultHalStruct();
  std::string ignored;
  ReadSrecordBlock(records, &fileBlock, &ignored);
  result.refusal = refusal(fileBlock);
  if (!result.refusal.empty()) return result;
  HalStruct staging = StagingBlock();
  std::string newRecords = records, message;
  if (!RewriteSrecordBlock(newRecords, &staging, &message)) {
    if (!message.empty()) result.messages.push_back(message);
    return result;
  }
  if (saveAs) {
    std::string newText(text);
    newText.replace(where.begin, records.size(), newRecords);
    if (!WriteCopy(openedPath, newPath, newText, where, &result)) return result;
  } else if (!WriteInPlace(file, openedPath, where, records, newRecords, &result)) {
    return result;
  }
  StagingBlock() = staging;
  result.ok = true;
  return result;
}

bool ReadAsStreamLayout(const std::string& path) {
  return StreamLayoutFiles().count(ResolvedPath(path)) != 0;
}

void RememberStreamLayout(const std::string& path, bool streamLayout) {
  if (streamLayout) {
    StreamLayoutFiles().insert(path);
  } else {
    StreamLayoutFiles().erase(path);
  }
}

}  // namespace k7q
