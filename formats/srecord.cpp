#include "formats/srecord.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>

#include "chipmodel/text_format.h"
#include "storage/locked_file.h"
#include "storage/opened_blocks.h"
#include "storage/safe_file.h"
#include "storage/save_journal.h"

namespace k7q {

namespace {

// Value of a hexadecimal digit read upper-cased: digits give their value, any other
// character its code minus 55 ('A' is 10).
uint8_t DigitValue(int c) {
  const int upper = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
  return static_cast<uint8_t>(upper >= '0' && upper <= '9' ? upper - '0' : upper - 55);
}

// The byte of every pair of digits, indexed by the first character plus 256 times the
// second: one lookup per byte.
struct PairTable {
  uint8_t value[65536];
  PairTable() {
    for (int second = 0; second < 256; ++second) {
      for (int first = 0; first < 256; ++first) {
        value[first | second << 8] =
            static_cast<uint8_t>(DigitValue(first) * 16 + DigitValue(second));
      }
    }
  }
};

const PairTable& Pairs() {
  static const PairTable table;
  return table;
}

const char kHexDigits[] = "0123456789ABCDEF";
const char kSignature[] = "62500 HAL EXE";

class RecordCursor {
 public:
  explicit RecordCursor(std::string_view text) : text_(text), pairs_(Pairs().value) {}

  bool failed() const { return failed_; }
  const std::string& message() const { return message_; }
  // Start of the record that holds the first byte of the signature found.
  size_t signatureRecord() const { return signatureRecord_; }
  // End of the current record's text.
  size_t recordEnd() const { return next_; }

  uint8_t ReadByte() {
    while (!failed_ && position_ >= count_) NextDataRecord();
    return failed_ ? 0 : data_[position_++];
  }

  uint16_t Read16() {
    const uint16_t high = ReadByte();
    return static_cast<uint16_t>((high << 8) | ReadByte());
  }

  uint32_t Read32() {
    const uint32_t high = Read16();
    return (high << 16) | Read16();
  }

  // Finds the signature; the stream then stands after its 12th character. A mismatch
  // starts the search again after the mismatching byte.
  bool FindSignature() {
    const auto first = static_cast<uint8_t>(kSignature[0]);
    int matched = 0;
    for (;;) {
      while (position_ >= count_) {
        NextDataRecord();
        if (failed_) return false;
      }
      if (matched == 0) {
        const void* hit = std::memchr(data_ + position_, first, count_ - position_);
        if (!hit) {
          position_ = count_;
          continue;
        }
        position_ = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data_) + 1;
        signatureRecord_ = recordStart_;
        matched = 1;
      } else if (data_[position_++] == static_cast<uint8_t>(kSignature[matched])) {
        if (++matched == 12) return true;
      } else {
        matched = 0;
      }
    }
  }

  // Drops the rest of the current record and makes the next data record current.
  void SkipToNextRecord() {
    if (!failed_) NextDataRecord();
  }

  void Write16(std::string& out, uint16_t v) {
    WriteByte(out, static_cast<uint8_t>(v >> 8));
    WriteByte(out, static_cast<uint8_t>(v));
  }

  void Write32(std::string& out, uint32_t v) {
    Write16(out, static_cast<uint16_t>(v >> 16));
    Write16(out, static_cast<uint16_t>(v));
  }

  // Puts the current record's data and a fresh checksum back into the text.
  void WriteBack(std::string& out) {
    if (failed_) return;
    if (!hasRecord_ || out[recordStart_] != 'S' || type_ > 3) return Fail("");
    static const size_t kAddressChars[] = {4, 4, 6, 8};
    size_t at = recordStart_ + 4 + kAddressChars[type_];
    uint32_t sum = static_cast<uint32_t>(count_ + type_ + 2);
    for (int i = 0; i < addressLength_; ++i) sum += address_[i];
    for (size_t i = 0; i < count_; ++i) {
      out[at++] = kHexDigits[data_[i] >> 4];
      out[at++] = kHexDigits[data_[i] & 15];
      sum += data_[i];
    }
    const uint8_t checksum = static_cast<uint8_t>(~sum);
    out[at++] = kHexDigits[checksum >> 4];
    out[at] = kHexDigits[checksum & 15];
  }

 private:
  void WriteByte(std::string& out, uint8_t b) {
    while (!failed_ && position_ >= count_) {
      WriteBack(out);
      NextDataRecord();
    }
    if (!failed_) data_[position_++] = b;
  }

  void Fail(const char* message) {
    failed_ = true;
    message_ = message;
  }

  // Decodes count bytes at the text position into out (the caller has checked that the
  // characters are there); returns their sum.
  uint32_t Decode(size_t count, uint8_t* out) {
    const auto* in = reinterpret_cast<const uint8_t*>(text_.data() + next_);
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
      const uint8_t byte = pairs_[in[2 * i] | in[2 * i + 1] << 8];
      out[i] = byte;
      sum += byte;
    }
    next_ += 2 * count;
    return sum;
  }

  void NextDataRecord() {
    hasRecord_ = false;
    position_ = count_ = 0;
    for (;;) {
      while (next_ < text_.size() && (text_[next_] == '\r' || text_[next_] == '\n')) ++next_;
      recordStart_ = next_;
      if (next_ + 1 >= text_.size() || text_[next_] != 'S') return Fail("");
      const char typeDigit = text_[next_ + 1];
      next_ += 2;
      if (next_ + 2 > text_.size()) return Fail("");
      uint8_t byteCount;
      uint32_t sum = Decode(1, &byteCount);
      switch (typeDigit) {
        case '0':
        case '1':
        case '5':
        case '9':
          addressLength_ = 2;
          break;
        case '2':
        case '8':
          addressLength_ = 3;
          break;
        case '3':
        case '7':
          addressLength_ = 4;
          break;
        default:
          return Fail("");
      }
      type_ = typeDigit - '0';
      const size_t dataCount =
          type_ <= 3 && byteCount > addressLength_ ? byteCount - addressLength_ - 1 : 0;
      if (type_ <= 3 && byteCount < addressLength_ + 1) return Fail("");
      // Address, data and checksum: all characters must be there.
      if (next_ + 2 * (addressLength_ + dataCount + 1) > text_.size()) return Fail("");
      sum += Decode(static_cast<size_t>(addressLength_), address_);
      sum += Decode(dataCount, data_);
      uint8_t checksum;
      Decode(1, &checksum);
      if (checksum != static_cast<uint8_t>(~sum)) return Fail("ERROR: Invalid checksum!");
      if (type_ >= 1 && type_ <= 3) {
        count_ = dataCount;
        hasRecord_ = true;
        return;
      }
    }
  }

  std::string_view text_;
  const uint8_t* pairs_;
  size_t next_ = 0;
  size_t recordStart_ = 0;
  size_t signatureRecord_ = 0;
  int type_ = 0;
  int addressLength_ = 0;
  uint8_t address_[4] = {};
  uint8_t data_[256] = {};
  size_t count_ = 0;
  size_t position_ = 0;
  bool hasRecord_ = false;
  bool failed_ = false;
  std::string message_;
};

void ReadFields(RecordCursor& s, HalStruct* b) {
  b->size = s.Read16();
  b->crc = s.Read16();
  b->endian = s.Read16();
  b->frameRate = s.Read16();
  b->internalOsc = s.Read32();
  b->clki = s.Read32();
  b->pclk = s.Read32();
  b->width = s.Read16();
  b->height = s.Read16();
  b->bitsPerPixel = s.Read16();
  b->padding = s.Read16();
  b->baseAddress = s.Read32();
  b->registerOffset = s.Read32();
  b->memoryOffset = s.Read32();
  b->requiredVram = s.Read32();
  b->flags = s.Read32();
  for (size_t i = 0; i < kHalMaxRegisters; ++i) {
    b->registers[i].index = s.Read16();
    b->registers[i].value = s.Read16();
  }
}

void WriteFields(RecordCursor& s, std::string& out, const HalStruct& b) {
  for (uint16_t v : {b.size, b.crc, b.endian, b.frameRate}) s.Write16(out, v);
  for (uint32_t v : {b.internalOsc, b.clki, b.pclk}) s.Write32(out, v);
  for (uint16_t v : {b.width, b.height, b.bitsPerPixel, b.padding}) s.Write16(out, v);
  for (uint32_t v : {b.baseAddress, b.registerOffset, b.memoryOffset, b.requiredVram, b.flags}) {
    s.Write32(out, v);
  }
  for (size_t i = 0; i < kHalMaxRegisters; ++i) {
    s.Write16(out, b.registers[i].index);
    s.Write16(out, b.registers[i].value);
  }
}

void Report(const RecordCursor& cursor, std::string* message) {
  if (message) *message = cursor.message();
}

}  // namespace

HalStruct& StagingBlock() {
  static HalStruct staging = DefaultHalStruct();
  return staging;
}

bool ReadSrecordBlock(std::string_view text, HalStruct* staging, std::string* message,
                      SrecordBlockRecords* records) {
  RecordCursor cursor(text);
  HalStruct b = *staging;
  if (!cursor.FindSignature()) return Report(cursor, message), false;
  std::memset(b.idString, 0, sizeof b.idString);
  std::memcpy(b.idString, kSignature, sizeof kSignature - 1);
  b.endian = kEndianWord;
  b.size = kHalStructSize;
  for (char& c : b.configDescription) c = static_cast<char>(cursor.ReadByte());
  cursor.SkipToNextRecord();
  ReadFields(cursor, &b);
  if (cursor.failed()) return Report(cursor, message), false;
  b.clki /= 1000;
  *staging = b;
  if (message) message->clear();
  if (records) *records = {cursor.signatureRecord(), cursor.recordEnd()};
  return true;
}

bool RewriteSrecordBlock(std::string& text, HalStruct* staging, std::string* message) {
  // Writes only touch records the cursor has already parsed.
  RecordCursor cursor(text);
  if (!cursor.FindSignature()) return Report(cursor, message), false;
  HalStruct b = *staging;
  for (char& c : b.configDescription) c = static_cast<char>(cursor.ReadByte());
  cursor.SkipToNextRecord();
  if (cursor.failed()) return Report(cursor, message), false;
  HalStruct written = b;
  written.clki *= 1000;
  WriteFields(cursor, text, written);
  cursor.WriteBack(text);
  if (cursor.failed()) return Report(cursor, message), false;
  *staging = b;
  if (message) message->clear();
  return true;
}

namespace {

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
        StringPrintf("ERROR: %s, file:%s", std::strerror(save.error), name.c_str()));
    return false;
  }
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

}  // namespace k7q
