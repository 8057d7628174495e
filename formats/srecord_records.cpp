#include "formats/srecord_records.h"

#include <cstdio>

#include "formats/hex_digits.h"

namespace k7q {

namespace {

// Address bytes of a record type, 0 for a type that does not exist.
int AddressLength(char type) {
  switch (type) {
    case '0':
    case '1':
    case '5':
    case '9':
      return 2;
    case '2':
    case '6':
    case '8':
      return 3;
    case '3':
    case '7':
      return 4;
    default:
      return 0;
  }
}

}  // namespace

RecordTextError ReadSrecordRecords(std::string_view text, AddressSpace& space) {
  const char* t = text.data();
  const size_t n = text.size();
  uint8_t bytes[256];
  for (size_t pos = 0; pos < n;) {
    if (t[pos] == '\r' || t[pos] == '\n') {
      ++pos;
      continue;
    }
    if (t[pos] != 'S') return RecordError(text, pos, "a record must start with \"S\"");
    if (pos + 4 > n) return RecordError(text, pos, "the record ends early");
    const char type = t[pos + 1];
    const int addressLength = AddressLength(type);
    if (addressLength == 0) {
      return RecordError(text, pos, std::string("S") + type + " is not a record type");
    }
    const uint8_t high = DigitValue(t[pos + 2]), low = DigitValue(t[pos + 3]);
    if ((high | low) & kNotADigit)
      return RecordError(text, pos, "the byte count is not hexadecimal");
    const auto count = static_cast<uint8_t>(high << 4 | low);
    if (count < addressLength + 1) {
      return RecordError(text, pos, "the byte count leaves no room for the address and checksum");
    }
    const size_t chars = 4 + 2 * size_t{count};
    if (pos + chars > n) return RecordError(text, pos, "the record ends before its checksum");
    __builtin_prefetch(t + pos + 4096);  // the text is read once, from memory: ask ahead
    const int64_t sum = DecodeBytes(t + pos + 4, count, bytes);
    if (sum < 0)
      return RecordError(text, pos, "the record holds a character that is not hexadecimal");
    const uint8_t stored = bytes[count - 1];
    const auto expected = static_cast<uint8_t>(~(sum - stored + count));
    if (stored != expected) {
      char what[64];
      std::snprintf(what, sizeof what, "checksum %02X, the record's bytes give %02X", stored,
                    expected);
      return RecordError(text, pos, what, true);
    }
    if (type >= '1' && type <= '3') {
      uint64_t address = 0;
      for (int i = 0; i < addressLength; ++i) address = address << 8 | bytes[i];
      const auto dataCount = static_cast<uint32_t>(count - addressLength - 1);
      space.Add({address, pos + 4 + 2 * static_cast<uint64_t>(addressLength), dataCount},
                bytes + addressLength);
    }
    pos += chars;
    if (type >= '7') break;
  }
  return {};
}

}  // namespace k7q
