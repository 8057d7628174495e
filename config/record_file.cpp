#include "config/record_file.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>

#include "chipmodel/text_format.h"
#include "config/address_block.h"
#include "config/chip62500.h"
#include "formats/file_kinds.h"
#include "formats/record_excerpt.h"
#include "formats/srecord_codec.h"
#include "formats/srecord_file.h"
#include "storage/locked_file.h"
#include "storage/opened_blocks.h"
#include "storage/safe_file.h"
#include "storage/save_journal.h"
#include "storage/staged_file.h"

namespace k7q {

namespace {

const char kNoData[] = "The file does not contain configuration data.";

const char kOpenSentence[] = "File \"%s\" could not be opened because:\n\n%s";
const char kSaveSentence[] = "File \"%s\" could not be saved because:\n\n%s";

// A record file's text, read under the file's lock, and its records by address.
struct ReadText {
  LockedFile file;
  std::optional<Mapping> mapping;
  std::string_view text;
  std::optional<k7q::AddressSpace> space;
};

enum class Purpose { kOpen, kSaveAs, kSaveInPlace };

// Opens and locks the file; false with the outcome's messages filled.
bool OpenText(const std::string& path, Purpose purpose, ReadText* read, FileOutcome* outcome) {
  const bool forSaving = purpose == Purpose::kSaveInPlace;
  const char* sentence = purpose == Purpose::kOpen ? kOpenSentence : kSaveSentence;
  read->file = OpenLockedFile(path, forSaving);
  LockedFile& file = read->file;
  outcome->notices = file.notices;
  if (file.openError) {
    outcome->messages.push_back(StringPrintf("ERROR: open failed on input file %s", path.c_str()));
    outcome->readerErrors = 1;
    outcome->reason = outcome->messages.back();
    outcome->detail = path + ": " + std::strerror(file.openError);
    return false;
  }
  if (!file.reason.empty()) {
    *outcome = Failed(*outcome, sentence, path, file.reason);
    return false;
  }
  if (forSaving && file.journalInTheWay) {
    outcome->notices.pop_back();
    *outcome = Failed(*outcome, sentence, path, file.notices.back());
    return false;
  }
  return true;
}

// Maps and parses the locked file's text; false with the outcome's messages filled.
bool ParseText(const Chip62500& chip, const std::string& path, const FileKind& kind,
               Purpose purpose, ReadText* read, FileOutcome* outcome) {
  const char* sentence = purpose == Purpose::kOpen ? kOpenSentence : kSaveSentence;
  const LockedFile& file = read->file;
  const size_t length = static_cast<size_t>(file.info.st_size);
  if (length > 0) {
    // The text is read whole: every page mapped at once.
    read->mapping.emplace(file.fd.get(), length, PROT_READ, MAP_PRIVATE | MAP_POPULATE);
    if (!read->mapping->ok()) {
      *outcome = Failed(*outcome, sentence, path, SystemErrorText());
      return false;
    }
    read->text = {reinterpret_cast<const char*>(read->mapping->bytes()), length};
  }
  read->space.emplace(chip.Signature());
  const RecordTextError error = kind.readRecords(read->text, *read->space);
  if (read->mapping && read->mapping->Changed()) {
    *outcome = Failed(*outcome, sentence, path, kChangedWhileRead);
    return false;
  }
  if (!error) return true;
  if (error.checksum) {
    outcome->messages.push_back("ERROR: Invalid checksum!");
    outcome->readerErrors = 1;
    outcome->reason = outcome->messages.back();
  }
  outcome->detail = path + ": " + error.Text();
  // A save of a kind that may be of the stream layout reports the reader's errors only,
  // as the stream layout's saves do.
  if (kind.streamLayout && purpose != Purpose::kOpen) return false;
  *outcome = Failed(*outcome, sentence, path, kNoData);
  return false;
}

// True when the S-record text holds a block of the stream layout that validates, CRC
// included.
bool StreamLayoutValidates(const Chip62500& chip, std::string_view text) {
  HalStruct staging = DefaultHalStruct();
  std::string message;
  if (!ReadSrecordBlock(text, &staging, &message)) return false;
  return FindBlock(chip, reinterpret_cast<const uint8_t*>(&staging), kHalStructSize, true).result ==
         FindResult::kFound;
}

std::vector<FileRange> AsFileRanges(std::vector<k7q::TextPatch> patches) {
  std::vector<FileRange> ranges;
  for (k7q::TextPatch& p : patches) ranges.push_back({p.offset, std::move(p.text)});
  return ranges;
}

bool WriteCopy(const ReadText& read, const std::string& target,
               const std::vector<k7q::TextPatch>& patches, FileOutcome* outcome) {
  StagedFile out(target, (read.file.info.st_mode & 07777) | S_IWUSR);
  size_t written = 0;
  const bool staged = out.ok() && WriteAll(out.fd(), k7q::Patched(read.text, patches), &written);
  if (!staged || !out.Commit()) {
    const std::string reason = staged || !out.ok() ? out.reason() : SystemErrorText();
    outcome->detail = target + ": " + reason;
    *outcome = Failed(*outcome, kSaveSentence, target, reason);
    return false;
  }
  return true;
}

// A found block and the records that hold it as a text of their own, in which its
// places lie.
struct BlockExcerpt {
  BlockFind find;
  RecordExcerpt records;
  AddressedBlock Block() const { return {find, records.places}; }
};

BlockExcerpt BlockExcerptOf(std::string_view text, const AddressedBlock& block) {
  return {block.find, ExcerptOf(text, block.places)};
}

// The block's records of each file read or saved here, as long as the file is unchanged.
struct KnownFile {
  struct stat state;
  RecordReader reader;
  BlockExcerpt excerpt;
};

std::map<std::string, KnownFile>& Known() {
  static std::map<std::string, KnownFile> known;
  return known;
}

void Remember(const LockedFile& file, const FileKind& kind, BlockExcerpt excerpt) {
  struct stat now;
  if (fstat(file.fd.get(), &now) != 0) {
    Known().erase(file.path);
    return;
  }
  Known()[file.path] = {now, kind.readRecords, std::move(excerpt)};
}

std::optional<BlockExcerpt> KnownExcerpt(const LockedFile& file, const FileKind& kind) {
  const auto found = Known().find(file.path);
  struct stat now;
  if (found == Known().end() || found->second.reader != kind.readRecords ||
      fstat(file.fd.get(), &now) != 0 || !Unchanged(now, found->second.state) ||
      !StillInFile(file.fd.get(), found->second.excerpt.records)) {
    return std::nullopt;
  }
  return found->second.excerpt;
}

}  // namespace

RecordFileStep OpenRecordFile(Chip62500& chip, const std::string& path, const FileKind& kind) {
  RecordFileStep step;
  ReadText read;
  if (!OpenText(path, Purpose::kOpen, &read, &step.outcome) ||
      !ParseText(chip, path, kind, Purpose::kOpen, &read, &step.outcome)) {
    return step;
  }
  const AddressedBlock block = FindBlockByAddress(chip, *read.space, read.text, true);
  std::string message;
  if (block.find.result != FindResult::kFound ||
      !LoadBlockFromImage(chip, reinterpret_cast<const uint8_t*>(block.places.bytes.data()),
                          kHalStructSize, &message)) {
    step.noBlockByAddress = true;
    step.outcome = Failed(step.outcome, kOpenSentence, path, block.find.message);
    return step;
  }
  RememberOpenedBlock(read.file.path, block.places.bytes);
  RememberStreamLayout(read.file.path, false);
  Remember(read.file, kind, BlockExcerptOf(read.text, block));
  step.outcome.ok = true;
  return step;
}

RecordFileStep SaveRecordFile(Chip62500& chip, const std::string& openedPath,
                              const std::string& newPath, const FileKind& kind,
                              bool preserveAddresses) {
  RecordFileStep step;
  FileOutcome& outcome = step.outcome;
  const bool saveAs = !newPath.empty();
  const std::string& target = saveAs ? newPath : openedPath;
  ReadText read;
  const Purpose purpose = saveAs ? Purpose::kSaveAs : Purpose::kSaveInPlace;
  if (!OpenText(openedPath, purpose, &read, &outcome)) return step;
  // A file unchanged since it was read or saved here: its block's records are read again.
  std::optional<BlockExcerpt> excerpt = saveAs ? std::nullopt : KnownExcerpt(read.file, kind);
  if (!excerpt) {
    if (!ParseText(chip, openedPath, kind, purpose, &read, &outcome)) return step;
    AddressedBlock block = FindBlockByAddress(chip, *read.space, read.text, true);
    if (block.find.result != FindResult::kFound) {
      if (kind.streamLayout && StreamLayoutValidates(chip, read.text)) {
        step.noBlockByAddress = true;
        return step;
      }
      block = FindBlockByAddress(chip, *read.space, read.text, false);
      if (block.find.result != FindResult::kFound) {
        outcome = Failed(outcome, kSaveSentence, target, block.find.message);
        return step;
      }
    }
    excerpt = BlockExcerptOf(read.text, block);
  }
  const std::string& bytes = excerpt->records.places.bytes;
  if (!saveAs && OpenedBlockChanged(read.file.path, bytes)) {
    outcome = Failed(outcome, kSaveSentence, target, kChangedSinceOpened);
    return step;
  }
  std::string stored;
  const std::vector<k7q::TextPatch> patches =
      StoreBlockPatches(chip, excerpt->records.text, excerpt->Block(), preserveAddresses, &stored);
  if (saveAs) {
    if (!WriteCopy(read, newPath, InFile(excerpt->records, patches), &outcome)) return step;
    const std::string path = ResolvedPath(newPath);
    RememberOpenedBlock(path, stored);
    RememberStreamLayout(path, false);
    outcome.ok = true;
    return step;
  }
  InPlaceSave save;
  save.path = read.file.path;
  save.fd = read.file.fd.get();
  save.info = read.file.info;
  save.changes = AsFileRanges(InFile(excerpt->records, patches));
  read.mapping.reset();
  if (!save.changes.empty() && !SaveInPlace(save)) {
    Known().erase(read.file.path);
    outcome = Failed(outcome, kSaveSentence, target,
                     save.failure.empty() ? std::strerror(save.error) : save.failure);
    return step;
  }
  if (save.withoutJournal) outcome.notices.push_back(SavedWithoutJournal(target));
  futimens(read.file.fd.get(), nullptr);
  UpdateOpenedBlock(read.file.path, stored);
  RememberStreamLayout(read.file.path, false);
  Update(excerpt->records, patches, stored);
  Remember(read.file, kind, std::move(*excerpt));
  outcome.ok = true;
  return step;
}

}  // namespace k7q
