// The generated HAL_config.c, compiled with the system's C compiler, creates exactly
// the block it describes: every flag bit and registers the chip does not know.
#include <gtest/gtest.h>

#include <cstdlib>

#include "config/chip62500.h"
#include "export/export_writer.h"
#include "tests/support/test_files.h"

#ifndef K7Q_C_COMPILER
#define K7Q_C_COMPILER "cc"
#endif

TEST(HalConfigRoundTrip, StructBytesAreTheBlock) {
  for (const uint32_t flags : {0xFFFFFFFFu, 0xE8000502u, 0x68000002u}) {
    Chip62500 chip;
    HalStruct block = chip.Block();
    block.flags = flags;
    block.registers[2] = {0x00FF, 0x5A};  // no such register
    block.padding = 7;
    chip.LoadBlock(block);
    block.crc = BlockCrc(block);

    TempDir dir;
    for (ExportKind kind : {ExportKind::kHalConfig, ExportKind::kChipHeader}) {
      ASSERT_EQ(ExportToFile(chip, kind, 0, dir.File(DefaultExportName(chip, kind, 0))), "");
    }
    WriteFile(dir.File("hal_private.h"),
              ReadFile(std::string(K7Q_TEST_SOURCE_DIR) + "/data/hal_private.h"));
    WriteFile(dir.File("main.c"),
              "#include <stdio.h>\n#include \"HAL_config.c\"\n"
              "int main(void) { fwrite(&HAL_STRUCT_NAME, sizeof HAL_STRUCT_NAME, 1, stdout); }\n");
    const std::string build = "cd '" + dir.path() + "' && '" + K7Q_C_COMPILER +
                              "' -std=gnu11 -Wall -Werror -o program main.c > cc.log 2>&1"
                              " && ./program > out.bin";
    ASSERT_EQ(std::system(build.c_str()), 0) << ReadFile(dir.File("cc.log"));
    EXPECT_EQ(ReadFile(dir.File("out.bin")),
              std::string(reinterpret_cast<const char*>(&block), sizeof block))
        << std::hex << flags;
  }
}
