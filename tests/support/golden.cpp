#include "tests/support/golden.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "tests/support/test_files.h"

namespace k7q {

namespace {

constexpr size_t kContext = 3;
constexpr size_t kMaxShown = 12;  // changed lines shown from each side

std::string GoldenPath(const std::string& name) {
  return TestSourcePath("golden/" + name);
}

// Lines with their line end kept, so a missing or extra CR shows.
std::vector<std::string> RawLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string Shown(const std::string& line) {
  std::string out;
  for (char c : line) {
    if (c == '\r') {
      out += "\\r";
    } else if (c != '\n') {
      out += c;
    }
  }
  return line.empty() || line.back() != '\n' ? out + "\\ (no line end)" : out;
}

// "@@ -a,n +b,m @@" and the first changed lines with some context around them.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  const std::vector<std::string> e = RawLines(expected), a = RawLines(actual);
  size_t first = 0;
  while (first < e.size() && first < a.size() && e[first] == a[first]) ++first;
  size_t eEnd = e.size(), aEnd = a.size();
  while (eEnd > first && aEnd > first && e[eEnd - 1] == a[aEnd - 1]) --eEnd, --aEnd;
  const size_t from = first > kContext ? first - kContext : 0;
  const size_t eShow = std::min(eEnd, first + kMaxShown), aShow = std::min(aEnd, first + kMaxShown);
  const bool whole = eShow == eEnd && aShow == aEnd;
  const size_t after = whole ? std::min(e.size(), eEnd + kContext) - eEnd : 0;
  std::ostringstream out;
  out << "@@ -" << from + 1 << "," << eShow - from + after << " +" << from + 1 << ","
      << aShow - from + after << " @@\n";
  for (size_t i = from; i < first; ++i) out << " " << Shown(e[i]) << "\n";
  for (size_t i = first; i < eShow; ++i) out << "-" << Shown(e[i]) << "\n";
  for (size_t i = first; i < aShow; ++i) out << "+" << Shown(a[i]) << "\n";
  for (size_t i = eEnd; i < eEnd + after; ++i) out << " " << Shown(e[i]) << "\n";
  if (!whole) out << "... further differences not shown\n";
  return out.str();
}

}  // namespace

::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& text) {
  const std::string path = GoldenPath(name);
  if (const char* update = std::getenv("K7Q_UPDATE_GOLDEN"); update && *update == '1') {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFile(path, text);
    return ::testing::AssertionSuccess();
  }
  if (!std::filesystem::exists(path)) {
    return ::testing::AssertionFailure()
           << "missing golden file tests/golden/" << name << " (run tests/update-golden.sh)";
  }
  const std::string expected = ReadFile(path);
  if (expected == text) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "--- tests/golden/" << name << "\n+++ generated\n"
                                       << FirstDifference(expected, text);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace k7q
