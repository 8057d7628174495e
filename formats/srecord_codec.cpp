#include "formats/srecord_codec.h"

#include <cstring>

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

}  // namespace k7q
