// Whole generated texts compared with the files under tests/golden/. With
// K7Q_UPDATE_GOLDEN=1 in the environment the files are rewritten instead.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace k7q {

// Success when text equals the golden file byte for byte; otherwise the failure shows
// a unified diff of the first differing lines.
::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& text);

#define EXPECT_GOLDEN(name, text) EXPECT_TRUE(MatchesGolden(name, text))

// The text with every occurrence of from replaced by to (temporary paths in outputs).
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

}  // namespace k7q
