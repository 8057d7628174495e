// The block's strings hold 8-bit characters: each byte is one character, U+0000 to
// U+00FF (Latin-1). Outside the block, on the command line, in settings files and in
// JSON, text is UTF-8; these convert between the two without losing a byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace k7q {

// Each byte as the UTF-8 form of its character.
std::string Latin1ToUtf8(std::string_view bytes);

// The bytes of strict UTF-8 text whose characters all lie within U+0000 to U+00FF.
// Nothing for overlong forms, surrogates, code points above U+10FFFF, cut sequences or
// characters above U+00FF; *error then says which.
std::optional<std::string> Utf8ToLatin1(std::string_view text, std::string* error);

// The offset of the first byte that does not start a strict UTF-8 character, or npos.
size_t FirstNonUtf8Byte(std::string_view text);

}  // namespace k7q
