// The values of settings-file lines: quoting, numbers, and feature value texts as the
// program shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace k7q {

class Chip62500;

// Without blanks, tabs and carriage returns at either end.
std::string_view TrimBlanks(std::string_view text);

// The text as it stands, or in double quotes with \", \\ and \xHH escapes when it has
// blanks at either end, a leading quote, or characters outside printable ASCII.
std::string QuoteValue(std::string_view text);
// The value of a line: the text as it stands, or the text of a quoted value; nothing
// for a malformed quoted value.
std::optional<std::string> UnquoteValue(std::string_view text);

// Sets the feature from a value text as the program shows it: numbers in the feature's
// radix with its unit, frequencies, list and true/false texts. Numbers and frequencies
// must lie within the feature's limits. *error says why a value was refused.
bool SetFeatureText(Chip62500& chip, std::string_view key, std::string_view text,
                    std::string* error);

// "expected one of: " and the list feature's value texts, of the read or write side.
std::string ListChoices(Chip62500& chip, std::string_view key, bool readSide);

}  // namespace k7q
