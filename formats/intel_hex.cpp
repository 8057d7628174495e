#include "formats/intel_hex.h"

#include <cstdio>

#include "formats/hex_digits.h"

namespace k7q {

namespace {

// Data bytes a record of the type must carry, -1 for any number, -2 for no such type.
int DataLength(uint8_t type) {
  static const int kLengths[] = {-1, 0, 2, 4, 2, 4};
  return type < 6 ? kLengths[type] : -2;
}

}  // namespace

RecordTextError ReadIntelHexRecords(std::string_view text, AddressSpace& space) {
  const char* t = text.data();
  const size_t n = text.size();
  uint8_t bytes[260];  // offset, type, data, checksum
  uint64_t base = 0;
  bool segmented = true;  // 16-bit offsets wrap inside a segment until a linear address
  for (size_t pos = 0; pos < n;) {
    if (t[pos] == '\r' || t[pos] == '\n') {
      ++pos;
      continue;
    }
    if (t[pos] != ':') return RecordError(text, pos, "a record must start with \":\"");
    if (pos + 11 > n) return RecordError(text, pos, "the record ends early");
    __builtin_prefetch(t + pos + 4096);  // the text is read once, from memory: ask ahead
    const uint8_t high = DigitValue(t[pos + 1]), low = DigitValue(t[pos + 2]);
    const auto count = static_cast<uint8_t>(high << 4 | low);
    const size_t chars = 11 + 2 * size_t{count};
    if (pos + chars > n) {
      if (DecodeBytes(t + pos + 1, 4, nullptr) < 0) {
        return RecordError(text, pos, "the record holds a character that is not hexadecimal");
      }
      return RecordError(text, pos, "the record ends before its checksum");
    }
    const int64_t sum = DecodeBytes(t + pos + 3, size_t{count} + 4, bytes);
    if (((high | low) & kNotADigit) || sum < 0)
      return RecordError(text, pos, "the record holds a character that is not hexadecimal");
    const uint32_t offset = uint32_t{bytes[0]} << 8 | bytes[1];
    const uint8_t type = bytes[2];
    const uint8_t* data = bytes + 3;
    if ((count + sum) % 256 != 0) {
      char what[64];
      std::snprintf(what, sizeof what, "checksum %02X, the record's bytes give %02X", data[count],
                    static_cast<uint8_t>(data[count] - (count + sum)));
      return RecordError(text, pos, what, true);
    }
    const int length = DataLength(type);
    if (length == -2) {
      char what[48];
      std::snprintf(what, sizeof what, "record type %02X is not one of 00 to 05", type);
      return RecordError(text, pos, what);
    }
    if (length >= 0 && count != length) {
      char what[64];
      std::snprintf(what, sizeof what, "a record of type %02X holds %d data bytes, not %u", type,
                    length, count);
      return RecordError(text, pos, what);
    }
    if (type == 0) {
      if (segmented && offset + count > 0x10000) {
        return RecordError(text, pos, "the record runs past the end of its 64 KiB segment");
      }
      space.Add({base + offset, pos + 9, count}, data);
    } else if (type == 1) {
      return {};
    } else if (type == 2) {
      base = (uint64_t{data[0]} << 8 | data[1]) << 4;
      segmented = true;
    } else if (type == 4) {
      base = (uint64_t{data[0]} << 8 | data[1]) << 16;
      segmented = false;
    }
    pos += chars;
  }
  return RecordError(text, n, "the text ends without an end-of-file record (type 01)");
}

}  // namespace k7q
