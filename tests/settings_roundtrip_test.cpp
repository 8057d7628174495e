// The settings file is as exact as the block: for generated blocks of every shape,
// applying a block's own dump to the built-in block gives that block back, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "config/block_locator.h"
#include "config/chip62500.h"
#include "settings/settings_diff.h"
#include "settings/settings_text.h"
#include "tests/support/cli_run.h"
#include "tests/support/test_files.h"

namespace k7q {

namespace {

constexpr int kBlocks = 600;

// Random blocks from a fixed seed: each run tries the same ones.
class BlockGenerator {
 public:
  explicit BlockGenerator(const Chip62500& chip) {
    for (const RegisterRecord& r : chip.Tables().registers) known_.push_back(r.index);
  }

  HalStruct Next() {
    HalStruct b = DefaultHalStruct();
    Description(b);
    b.frameRate = static_cast<uint16_t>(Pick(4) == 0 ? random_() : Pick(200));
    b.internalOsc = Number();
    b.clki = Number();
    b.pclk = Number();
    b.width = static_cast<uint16_t>(random_());
    b.height = static_cast<uint16_t>(random_());
    b.bitsPerPixel = static_cast<uint16_t>(Pick(3) == 0 ? random_() : 1u << Pick(5));
    b.baseAddress = Number();
    b.registerOffset = Number();
    b.memoryOffset = Number();
    b.requiredVram = Number();
    b.flags = Pick(2) == 0 ? static_cast<uint32_t>(random_()) : 1u << Pick(32);
    Registers(b);
    return b;
  }

 private:
  uint32_t Pick(uint32_t n) { return static_cast<uint32_t>(random_() % n); }

  // Small, round or any 32-bit number.
  uint32_t Number() {
    switch (Pick(3)) {
      case 0:
        return Pick(1000);
      case 1:
        return Pick(100) * 1000000;
      default:
        return static_cast<uint32_t>(random_());
    }
  }

  // Text, any byte but zero, and at times bytes after the zero that ends it.
  void Description(HalStruct& b) {
    std::memset(b.configDescription, 0, sizeof b.configDescription);
    const uint32_t length = Pick(4) == 0 ? 255 : Pick(40);
    for (uint32_t i = 0; i < length; ++i)
      b.configDescription[i] = static_cast<char>(Pick(3) == 0 ? 1 + Pick(255) : ' ' + Pick(95));
    if (length < 255 && Pick(5) == 0)
      b.configDescription[length + 1 + Pick(255 - length)] = static_cast<char>(1 + Pick(255));
  }

  // Known registers, unknown indices, pseudo-registers, the end marker and repeats, with
  // any values; after the list the end marker and zero pairs, or at times other bytes.
  void Registers(HalStruct& b) {
    const uint32_t count = Pick(4) == 0 ? kHalMaxRegisters : Pick(kHalMaxRegisters + 1);
    for (uint32_t p = 0; p < count; ++p) {
      uint32_t index = known_[Pick(static_cast<uint32_t>(known_.size()))];
      switch (Pick(6)) {
        case 0:
          index = Pick(0x10000);
          break;
        case 1:
          index = kFirstPseudoRegister + Pick(16);
          break;
        case 2:
          if (p > 0) index = b.registers[Pick(p)].index;
          break;
        default:
          break;
      }
      b.registers[p] = {static_cast<uint16_t>(index),
                        static_cast<uint16_t>(Pick(2) == 0 ? random_() : Pick(256))};
    }
    for (uint32_t p = count; p < kHalRegisterPairs; ++p)
      b.registers[p] = {static_cast<uint16_t>(p == count ? kEndOfTable : 0), 0};
    if (Pick(4) == 0) {
      RegisterPair& odd = b.registers[count + Pick(kHalRegisterPairs - count)];
      odd = {static_cast<uint16_t>(Pick(2) == 0 ? kEndOfTable : random_()),
             static_cast<uint16_t>(random_())};
    }
  }

  std::mt19937 random_{24};
  std::vector<uint32_t> known_;
};

std::string Bytes(const HalStruct& block) {
  HalStruct b = block;
  b.crc = 0;
  return std::string(reinterpret_cast<const char*>(&b), sizeof b);
}

}  // namespace

TEST(SettingsRoundTrip, EveryOpenedBlockComesBackFromItsOwnDump) {
  Chip62500 defaults;
  BlockGenerator generate(defaults);
  int opened = 0, exact = 0;
  TempDir dir;
  for (int n = 0; n < kBlocks; ++n) {
    const HalStruct block = generate.Next();
    const std::string image = ImageWith(StoredBlock(block, n % 2 == 1), 16, 16);
    Chip62500 original;
    std::string message;
    if (!LoadBlockFromImage(original, reinterpret_cast<const uint8_t*>(image.data()), image.size(),
                            &message))
      continue;
    ++opened;
    bool good = true;
    for (bool changedOnly : {false, true}) {
      const std::string dump = WriteSettings(original, changedOnly);
      Chip62500 applied;
      const SettingsReport report = ApplySettings(applied, dump);
      const bool same = Bytes(applied.Block()) == Bytes(original.Block());
      EXPECT_TRUE(report.ok() && same)
          << "block " << n << (report.ok() ? "" : ": " + report.errors[0].message) << "\n"
          << dump;
      EXPECT_TRUE(DiffSettings(original, applied).Equal()) << "block " << n;
      good = good && report.ok() && same;
    }
    exact += good;
    // Through the tool too, for some: the dump compares equal with its file.
    if (n % 60 == 0) {
      const std::string path = dir.File(n % 2 == 1 ? "t.ELF" : "t.exe");
      WriteFile(path, image);
      ASSERT_EQ(RunCliWords("dump " + path + " -o " + dir.File("t.settings")).status, 0);
      EXPECT_EQ(RunCliWords("diff " + path + " " + dir.File("t.settings")).status, 0) << n;
    }
  }
  EXPECT_GT(opened, kBlocks * 9 / 10);
  EXPECT_EQ(exact, opened);
}

}  // namespace k7q
