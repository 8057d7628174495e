#include "config/srecord.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "chipmodel/text_format.h"
#include "config/locked_file.h"
#include "config/opened_blocks.h"
#include "config/safe_file.h"
#include "config/save_journal.h"

namespace {

// Value of a hexadecimal digit read upper-cased: digits give their value, any other
// character its code minus 55 ('A' is 10).
struct HexTable {
  uint8_t value[256];
  HexTable() {
    for (int c = 0; c < 256; ++c) {
      int upper = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
      value[c] = static_cast<uint8_t>(upper >= '0' && upper <= '9' ? upper - '0' : upper - 55);
    }
  }
};
const HexTable kHex;
const char kHexDigits[] = "0123456789ABCDEF";
const char kSignature[] = "62500 HAL EXE";

class RecordCursor {
 public:
  explicit RecordCursor(std::string_view text) : text_(text) {}

  bool failed() const { return failed_; }
  const std::string& message() const { return message_; }
  size_t recordStart() const { return recordStart_; }

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

  // Finds the signature; the stream then stands after its 12th character.
  bool FindSignature() {
    while (!failed_) {
      if (ReadByte() != static_cast<uint8_t>(kSignature[0])) continue;
      int matched = 1;
      while (matched < 12 && !failed_ && ReadByte() == static_cast<uint8_t>(kSignature[matched])) {
        ++matched;
      }
      if (matched == 12 && !failed_) return true;
    }
    return false;
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

  uint8_t Decode() {
    const uint8_t byte = static_cast<uint8_t>(kHex.value[static_cast<uint8_t>(text_[next_])] * 16 +
                                              kHex.value[static_cast<uint8_t>(text_[next_ + 1])]);
    next_ += 2;
    return byte;
  }

  // Decodes count data bytes into the record buffer; returns their sum.
  uint32_t DecodeData(size_t count) {
    const auto* in = reinterpret_cast<const uint8_t*>(text_.data() + next_);
    uint8_t* out = data_;
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
      const uint8_t byte =
          static_cast<uint8_t>(kHex.value[in[2 * i]] * 16 + kHex.value[in[2 * i + 1]]);
      out[i] = byte;
      sum += byte;
    }
    next_ += 2 * count;
    return sum;
  }

  bool TakeByte(uint32_t* sum, uint8_t* byte) {
    if (next_ + 2 > text_.size()) {
      Fail("");
      return false;
    }
    *byte = static_cast<uint8_t>(kHex.value[static_cast<uint8_t>(text_[next_])] * 16 +
                                 kHex.value[static_cast<uint8_t>(text_[next_ + 1])]);
    next_ += 2;
    *sum += *byte;
    return true;
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
      uint32_t sum = 0;
      uint8_t byteCount;
      if (!TakeByte(&sum, &byteCount)) return;
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
      for (int i = 0; i < addressLength_; ++i) sum += address_[i] = Decode();
      sum += DecodeData(dataCount);
      const uint32_t expected = static_cast<uint8_t>(~sum);
      const uint8_t checksum = Decode();
      if (checksum != expected) return Fail("ERROR: Invalid checksum!");
      if (type_ >= 1 && type_ <= 3) {
        count_ = dataCount;
        hasRecord_ = true;
        return;
      }
    }
  }

  std::string_view text_;
  size_t next_ = 0;
  size_t recordStart_ = 0;
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

bool ReadSrecordBlock(std::string_view text, HalStruct* staging, std::string* message) {
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

// The block as the text holds it, as bytes; empty when the text holds none.
std::string SrecordFingerprint(std::string_view text) {
  HalStruct block = DefaultHalStruct();
  if (!ReadSrecordBlock(text, &block, nullptr)) return {};
  return std::string(reinterpret_cast<const char*>(&block), sizeof block);
}

std::string Detail(const std::string& path, int error) {
  return path + ": " + std::strerror(error ? error : EIO);
}

// Opens the file and reads its text; false with the result's messages filled.
bool ReadLocked(const std::string& path, bool forSaving, LockedFile* file, std::string* text,
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
  std::string error;
  errno = 0;
  if (!ReadAll(file->fd.get(), path, text, &error)) {
    result->messages.push_back(error);
    result->detail = Detail(path, errno);
    return false;
  }
  return true;
}

bool WriteCopy(const std::string& openedPath, const std::string& target, const std::string& text,
               SrecordFileResult* result) {
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
  RememberOpenedBlock(ResolvedPath(target), SrecordFingerprint(text));
  return true;
}

bool WriteInPlace(LockedFile& file, const std::string& name, const std::string& text,
                  const std::string& newText, SrecordFileResult* result) {
  InPlaceSave save;
  save.path = file.path;
  save.fd = file.fd.get();
  save.info = file.info;
  save.changes = ChangedRanges(reinterpret_cast<const uint8_t*>(text.data()),
                               reinterpret_cast<const uint8_t*>(newText.data()), text.size(), 0);
  if (!SaveInPlace(save)) {
    result->messages.push_back(
        StringPrintf("ERROR: %s, file:%s", std::strerror(save.error), name.c_str()));
    return false;
  }
  futimens(file.fd.get(), nullptr);
  UpdateOpenedBlock(file.path, SrecordFingerprint(newText));
  return true;
}

}  // namespace

SrecordFileResult ReadSrecordFile(const std::string& path) {
  SrecordFileResult result;
  LockedFile file;
  std::string text;
  if (!ReadLocked(path, false, &file, &text, &result)) return result;
  std::string message;
  result.ok = ReadSrecordBlock(text, &StagingBlock(), &message);
  if (!message.empty()) result.messages.push_back(message);
  if (result.ok) RememberOpenedBlock(file.path, SrecordFingerprint(text));
  return result;
}

SrecordFileResult WriteSrecordFile(const std::string& openedPath, const std::string& newPath) {
  SrecordFileResult result;
  const bool saveAs = !newPath.empty();
  LockedFile file;
  std::string text;
  if (!ReadLocked(openedPath, !saveAs, &file, &text, &result)) return result;
  if (!saveAs && file.journalInTheWay) {
    result.refusal = result.notices.back();
    result.notices.pop_back();
    return result;
  }
  if (!saveAs && OpenedBlockChanged(file.path, SrecordFingerprint(text))) {
    result.refusal = kChangedSinceOpened;
    return result;
  }
  HalStruct staging = StagingBlock();
  std::string newText = text, message;
  if (!RewriteSrecordBlock(newText, &staging, &message)) {
    if (!message.empty()) result.messages.push_back(message);
    return result;
  }
  if (saveAs ? !WriteCopy(openedPath, newPath, newText, &result)
             : !WriteInPlace(file, openedPath, text, newText, &result)) {
    return result;
  }
  StagingBlock() = staging;
  result.ok = true;
  return result;
}
