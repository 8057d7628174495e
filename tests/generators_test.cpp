// Pieces of the generated files that the golden files cannot show one by one.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "export/generated_text.h"
#include "export/hal_config.h"

TEST(Generators, EscapedDescriptionsAndFlagNames) {
  // A hex escape is split from a following hex digit.
  const std::pair<std::string, std::string> escapes[] = {
      {"", "\\x00"},
      {"\a\b\t\n\v\f\r", "\\a\\b\\t\\n\\v\\f\\r\\x00"},
      {"C:\\dir", "C:\\\\dir\\x00"},
      {"\x01g", "\\x01g\\x00"},
      {"\x1b"
       "9",
       "\\x1B\" \"9\\x00"},
      {std::string("\x00", 1), "\\x00\\x00"},
      {"~\x7f\x80", "~\\x7F\\x80\\x00"}};
  for (const auto& [text, escaped] : escapes) EXPECT_EQ(EscapeCString(text), escaped);

  EXPECT_EQ(FlagNames(0x18000002u), "0x18000002");
  EXPECT_EQ(FlagNames(0), "0");
  EXPECT_EQ(FlagNames(0x00000400u), "fPCCARD_INTERFACE");
  EXPECT_EQ(FlagNames(0xFFFFFFFFu),
            "fINDIRECT_INTERFACE|fPCCARD_INTERFACE|fDEBUG_REG_WRITES|0x7FFFFAFF");
  EXPECT_EQ(FlagNames(0xE8000502u),
            "fINDIRECT_INTERFACE|fPCCARD_INTERFACE|fDEBUG_REG_WRITES|0x68000002");
}
