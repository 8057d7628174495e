#include "chipmodel/latin1_text.h"

#include <cstdint>

#include "chipmodel/text_format.h"

namespace k7q {

namespace {

constexpr uint32_t kNotUtf8 = 0xFFFFFFFF;

uint32_t Byte(std::string_view text, size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// The character at *at, which moves past it; kNotUtf8 when the bytes there are not
// strict UTF-8.
uint32_t NextCharacter(std::string_view text, size_t* at) {
  const uint32_t lead = Byte(text, *at);
  size_t more = 0;
  uint32_t code = 0;
  uint32_t smallest = 0;
  if (lead < 0x80) {
    ++*at;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    more = 1, code = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    more = 2, code = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    more = 3, code = lead & 0x07, smallest = 0x10000;
  } else {
    return kNotUtf8;
  }
  for (size_t k = 1; k <= more; ++k) {
    const uint32_t next = Byte(text, *at + k);
    if ((next & 0xC0) != 0x80) return kNotUtf8;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kNotUtf8;
  *at += more + 1;
  return code;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view text, std::string* error) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const uint32_t code = NextCharacter(text, &at);
    if (code == kNotUtf8) {
      *error = "not valid UTF-8 text";
      return std::nullopt;
    }
    if (code > 0xFF) {
      *error = StringPrintf("U+%04X is not an 8-bit character (U+0000 to U+00FF)", code);
      return std::nullopt;
    }
    out += static_cast<char>(code);
  }
  return out;
}

size_t FirstNonUtf8Byte(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    if (NextCharacter(text, &at) == kNotUtf8) return at;
  }
  return std::string_view::npos;
}

}  // namespace k7q
