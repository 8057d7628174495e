// Names and pieces shared by every generated file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chipmodel/product_names.h"
#include "uimodel/program_texts.h"  // kBuildNumber, printed in every banner

namespace k7q {

class ChipEngine;

// The maker's two notice lines, without the comment prefix.
extern const char* const kNoticeLines[2];

// "=" repeated 66 times: the rule of every banner.
std::string RuleText();

// "REG0000_SYSTEMSET_P1" or "REGFLAG_ENDOFTABLE".
std::string RegisterName(ChipEngine& chip, uint32_t index);
// NAME with " [READONLY]", " [WRITEONLY,RESERVED]" and the like.
std::string RegisterDescription(ChipEngine& chip, uint32_t index);

// The description as the body of a C string literal, its terminating NUL written as
// an escape unless the text fills its whole field (terminated = false).
std::string EscapeCString(std::string_view text, bool terminated = true);

}  // namespace k7q
