// Writes a C++ source holding the lines of a text file as a table of
// NUL-terminated texts, optionally followed by empty padding lines.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace k7q {

static std::string Escape(const std::string& line) {
  std::string out;
  for (unsigned char c : line) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char oct[8];
      std::snprintf(oct, sizeof oct, "\\%03o", c);
      out += oct;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace k7q

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: embed_lines INPUT OUTPUT SYMBOL PADDING\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "embed_lines: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  const int padding = std::atoi(argv[4]);
  for (int i = 0; i < padding; ++i) lines.emplace_back();

  std::ofstream out(argv[2], std::ios::binary);
  const std::string symbol = argv[3];
  out << "// Generated from " << argv[1] << "; do not edit.\n#include <cstddef>\n\n";
  out << "namespace k7q {\n\n";
  out << "extern const char* const k" << symbol << "Lines[];\n";
  out << "extern const std::size_t k" << symbol << "LineCount;\n\n";
  out << "const char* const k" << symbol << "Lines[] = {\n";
  for (const auto& line : lines) out << "    \"" << k7q::Escape(line) << "\",\n";
  out << "    nullptr};\n";
  out << "const std::size_t k" << symbol << "LineCount = " << lines.size() << ";\n";
  out << "\n}  // namespace k7q\n";
  return out ? 0 : 1;
}
