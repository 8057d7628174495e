#include "tests/support/hex_texts.h"

#include <algorithm>

#include "chipmodel/text_format.h"

namespace k7q {

std::string IntelHexRecord(uint8_t type, uint16_t offset, const std::string& data) {
  unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
  std::string record =
      StringPrintf(":%02X%04X%02X", static_cast<unsigned>(data.size()), offset, type);
  for (char c : data) {
    sum += static_cast<uint8_t>(c);
    record += StringPrintf("%02X", static_cast<uint8_t>(c));
  }
  return record + StringPrintf("%02X", (0x100 - (sum & 0xFF)) & 0xFF);
}

std::string IntelHexText(const std::string& bytes, uint32_t address, size_t perRecord) {
  std::string text;
  uint32_t upper = 0xFFFFFFFF;
  for (size_t at = 0; at < bytes.size();) {
    const uint32_t a = address + static_cast<uint32_t>(at);
    if (a >> 16 != upper) {
      upper = a >> 16;
      text +=
          IntelHexRecord(4, 0, {static_cast<char>(upper >> 8), static_cast<char>(upper)}) + "\r\n";
    }
    // A record does not cross a 64 KiB boundary.
    const size_t n = std::min({perRecord, bytes.size() - at, size_t{0x10000 - (a & 0xFFFF)}});
    text += IntelHexRecord(0, static_cast<uint16_t>(a), bytes.substr(at, n)) + "\r\n";
    at += n;
  }
  return text + ":00000001FF\r\n";
}

}  // namespace k7q
