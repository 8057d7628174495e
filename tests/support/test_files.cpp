#include "tests/support/test_files.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "chipmodel/chip_definition_loader.h"
#include "chipmodel/text_format.h"

namespace k7q {

TempDir::TempDir() {
  char pattern[] = "/tmp/k7qtest.XXXXXX";
  path_ = mkdtemp(pattern);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string StoredBlock(HalStruct block, bool bigEndian) {
  if (bigEndian) SwapBlock(block);
  const uint16_t crc = BlockCrc(block);
  block.crc = bigEndian ? static_cast<uint16_t>((crc >> 8) | (crc << 8)) : crc;
  return std::string(reinterpret_cast<const char*>(&block), sizeof block);
}

std::string ImageWith(const std::string& block, size_t before, size_t after) {
  std::string image;
  for (size_t i = 0; i < before; ++i) image += static_cast<char>(i * 7 + 1);
  image += block;
  for (size_t i = 0; i < after; ++i) image += static_cast<char>(i * 13 + 5);
  return image;
}

std::string SrecordText(const std::string& bytes, int type, size_t perRecord, uint32_t address) {
  const int addressBytes = type + 1;
  std::string text = "S00600004844521B\r\n";
  for (size_t at = 0; at < bytes.size(); at += perRecord) {
    const size_t n = std::min(perRecord, bytes.size() - at);
    const uint32_t a = address + static_cast<uint32_t>(at);
    const unsigned count = static_cast<unsigned>(n + addressBytes + 1);
    unsigned sum = count;
    std::string record = StringPrintf("S%d%02X", type, count);
    for (int i = addressBytes - 1; i >= 0; --i) {
      const unsigned b = (a >> (8 * i)) & 0xFF;
      sum += b;
      record += StringPrintf("%02X", b);
    }
    for (size_t i = 0; i < n; ++i) {
      const unsigned b = static_cast<uint8_t>(bytes[at + i]);
      sum += b;
      record += StringPrintf("%02X", b);
    }
    record += StringPrintf("%02X\r\n", ~sum & 0xFF);
    text += record;
  }
  static const char* const kTermination[] = {"", "S9031000EC", "S804001000EB", "S70500001000EA"};
  text += "S5030001FB\r\n";  // record count
  text += std::string(kTermination[type]) + "\r\n";
  return text;
}

std::string SrecordBlockBytes(const HalStruct& block) {
  std::string bytes(block.idString, sizeof block.idString);
  bytes.append(block.configDescription, sizeof block.configDescription);
  bytes.append(block.chipId, sizeof block.chipId);
  auto put16 = [&](uint16_t v) {
    bytes += static_cast<char>(v >> 8);
    bytes += static_cast<char>(v);
  };
  auto put32 = [&](uint32_t v) {
    put16(static_cast<uint16_t>(v >> 16));
    put16(static_cast<uint16_t>(v));
  };
  put16(block.size);
  put16(block.crc);
  put16(block.endian);
  put16(block.frameRate);
  put32(block.internalOsc);
  put32(block.clki * 1000);
  put32(block.pclk);
  put16(block.width);
  put16(block.height);
  put16(block.bitsPerPixel);
  put16(block.padding);
  put32(block.baseAddress);
  put32(block.registerOffset);
  put32(block.memoryOffset);
  put32(block.requiredVram);
  put32(block.flags);
  for (const RegisterPair& pair : block.registers) {
    put16(pair.index);
    put16(pair.value);
  }
  return bytes;
}

HalStruct SrecordTargetBlock() {
  HalStruct block = DefaultHalStruct();
  block.clki = 6000;
  block.baseAddress = 0x00C00000;
  block.crc = BlockCrc(block);
  return block;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string TestSourcePath(const std::string& relative) {
  return std::string(K7Q_TEST_SOURCE_DIR) + "/" + relative;
}

ChipTables LoadTestChip(const std::string& name) {
  const std::vector<std::string> lines = Lines(ReadFile(TestSourcePath("data/" + name + ".xml")));
  std::vector<const char*> pointers;
  for (const std::string& line : lines) pointers.push_back(line.c_str());
  ChipTables tables;
  LoadChipDefinition(tables, pointers.data(), pointers.size());
  return tables;
}

}  // namespace k7q
