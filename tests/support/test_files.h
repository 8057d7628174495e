// Helpers shared by the tests: temporary folders, file texts, images with blocks,
// S-record texts, made-up chip definitions.
#pragma once

#include <string>
#include <vector>

#include "chipmodel/chip_tables.h"
#include "chipmodel/hal_struct.h"

namespace k7q {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

// The block's 464 bytes as a target of that byte order stores them, with a correct CRC.
std::string StoredBlock(HalStruct block, bool bigEndian);

// Filler bytes, a block, more filler.
std::string ImageWith(const std::string& block, size_t before = 1000, size_t after = 777);

// S-record text of the bytes at address, type 1, 2 or 3, perRecord data bytes a record,
// with a header record, a record count record and the matching termination record.
std::string SrecordText(const std::string& bytes, int type, size_t perRecord,
                        uint32_t address = 0x1000);

// A block as S-record targets hold it (CLKI 6000, base address C00000h), with the
// CRC that a saved file carries.
HalStruct SrecordTargetBlock();

// The bytes an S-record target holds for a block: ID, description, then the fields
// most significant byte first, CLKI held 1000 times larger.
std::string SrecordBlockBytes(const HalStruct& block);

// A file of the tests' source folder, e.g. "data/print_main.c".
std::string TestSourcePath(const std::string& relative);

// The tables of a made-up chip definition, tests/data/<name>.xml.
ChipTables LoadTestChip(const std::string& name);

}  // namespace k7q
