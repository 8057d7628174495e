// The quick register reference: the report's frame, register blocks and bit diagrams.
#include "reports/quick_reference.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "chipmodel/chip_definition_loader.h"
#include "config/chip62500.h"
#include "tests/test_files.h"

namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string Block(ChipEngine& chip, uint32_t index, size_t width = 74, bool diagram = true) {
  std::string out;
  RegisterBlock(chip, index, out, "\n", width, diagram);
  return out;
}

const std::string kBorder8 =
    "+--------+--------+--------+--------+--------+--------+--------+--------+";
const std::string kBitsLow =
    "+----7---+----6---+----5---+----4---+----3---+----2---+----1---+----0---+";

const std::vector<const char*> kWideChip = {
    "<CHIPDEF><PRODUCTS><PRODUCT KEYNAME=\"62500\" PREFIX=\"K7Q\" NAME=\"62500\"/></PRODUCTS>",
    "<REGISTERS>",
    "<REGISTER KEYNAME=\"wide\" NAME=\"Wide Register\" REG=\"0010\" BITWIDTH=\"16\"/>",
    "<REGISTER KEYNAME=\"spare\" NAME=\"Spare Register\" REG=\"0011\" BITWIDTH=\"8\" "
    "RESERVED=\"62500\"/>",
    "<REGISTER KEYNAME=\"other\" NAME=\"Other Product\" REG=\"0012\" BITWIDTH=\"8\" "
    "PRODUCT=\"99999\"/>",
    "<REGISTER KEYNAME=\"ondelay\" NAME=\"ON DELAY\" REG=\"FFFE\" BITWIDTH=\"16\" FAKEREG=\"y\"/>",
    "</REGISTERS><FEATURES>",
    "<FEATURE KEYNAME=\"middle_part\" NAME=\"Middle\" TYPE=\"numb\" REG=\"0010\" MASK=\"0FF0\"/>",
    "<FEATURE KEYNAME=\"shadow\" NAME=\"Shadow\" TYPE=\"numb\" REG=\"0010\" MASK=\"000F\" "
    "OVERLAP=\"y\"/>",
    "<FEATURE KEYNAME=\"top\" NAME=\"Top\" TYPE=\"numb\" REG=\"0010\" MASK=\"C000\" "
    "RESERVED=\"62500\"/>",
    "</FEATURES></CHIPDEF>",
};

}  // namespace

TEST(QuickReference, BitDiagramsOfTheDefaultBlock) {
  Chip62500 chip;
  const std::vector<std::string> m = Lines(Block(chip, 0x0000));
  ASSERT_GE(m.size(), 6u);
  EXPECT_EQ(m[0], "REG[0000h] Memory Configuration Register");
  EXPECT_EQ(m[1], "Current=30h, Default=00h.");
  EXPECT_EQ(m[2], kBorder8);
  EXPECT_EQ(m[3], "|::::::::|::::::::|iv      |::::::::|ws      |m2      |m1      |m0      |");
  EXPECT_EQ(m[4], "|::::::::|::::::::|        |::::::::|        |        |        |        |");
  EXPECT_EQ(m[5], kBitsLow);

  const std::vector<std::string> fx = Lines(Block(chip, 0x0001));
  ASSERT_GE(fx.size(), 6u);
  EXPECT_EQ(fx[1], "Current=87h, Default=00h.");
  EXPECT_EQ(fx[3], "|mod     |::::::::|::::::::|::::::::|fx                                 |");
  EXPECT_EQ(fx[4], "|        |::::::::|::::::::|::::::::|                                   |");

  // A keyname longer than its one-bit field goes on over the second label line.
  const std::vector<std::string> on = Lines(Block(chip, 0x0009));
  ASSERT_GE(on.size(), 5u);
  EXPECT_EQ(on[3], "|::::::::|::::::::|::::::::|::::::::|::::::::|::::::::|::::::::|displaye|");
  EXPECT_EQ(on[4], "|::::::::|::::::::|::::::::|::::::::|::::::::|::::::::|::::::::|nable   |");

  // Write-only register; a register block without diagram; an unknown register.
  const std::string csrw = Block(chip, 0x001C);
  EXPECT_EQ(csrw.rfind("REG[001Ch] CSRW Low Register [WRITEONLY]\nCurrent=N/A, Default=N/A.\n", 0),
            0u);
  EXPECT_EQ(Block(chip, 0x0001, 74, false).find("+--------+"), std::string::npos);
  EXPECT_EQ(Block(chip, 0x0099), "REG[0099h] does not exist for this chip.");
}

TEST(QuickReference, FeatureDetailsUnderTheirRegisters) {
  Chip62500 chip;
  const std::string fx = Block(chip, 0x0001);
  EXPECT_NE(fx.find(kBitsLow + "\n\nSelect AC frame drive waveform period  =  Two frame AC drive\n"
                               "Select AC frame drive waveform period\n"
                               "MOD is usually set to 1.\n"),
            std::string::npos)
      << fx;
  EXPECT_NE(fx.find("\n\nCharacter width  =  8 pixels\nCharacter width\n"
                    "  Character width = REG[0001h-b3:0] + 1\n"
                    "  Character width = 7h + 1 = 8 pixels"),
            std::string::npos);
  // A span is described once, under the register of its MSB part.
  EXPECT_EQ(Block(chip, 0x0006).find("Virtual screen width"), std::string::npos);
  EXPECT_NE(Block(chip, 0x0007).find("\n\nVirtual screen width  =  80\n"), std::string::npos);
  EXPECT_EQ(Count(QuickReference(chip), "Virtual screen width  =  "), 1u);
}

TEST(QuickReference, ReportFrame) {
  Chip62500 chip;
  const std::string report = QuickReference(chip);
  const std::vector<std::string> lines = Lines(report);
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(lines[0], "ORVIX K7Q62500 Quick Register Reference");
  EXPECT_EQ(lines[1], "");
  // The note, wrapped at blanks behind a 20-blank indent.
  std::string note;
  size_t i = 2;
  for (; i < lines.size() && lines[i].rfind(std::string(20, ' '), 0) == 0; ++i) {
    EXPECT_LE(lines[i].size(), 74u) << lines[i];
    EXPECT_NE(lines[i][20], ' ');
    note += lines[i].substr(20);
  }
  EXPECT_EQ(note,
            "This reference is to be used as a quick reference only. Please refer to the "
            "Hardware Functional Specification for details on each register.");
  EXPECT_EQ(i, 5u);
  // Three empty lines before each register block; pseudo-registers are never listed.
  EXPECT_NE(report.find("register.\n\n\n\nREG[0000h] Memory Configuration Register\n"),
            std::string::npos);
  EXPECT_EQ(Count(report, "\n\n\n\nREG["), 33u);
  EXPECT_EQ(report.find("REG[FFF"), std::string::npos);
  // The last feature's last value, then two line breaks.
  EXPECT_EQ(report.substr(report.size() - 18), "\n  3h = Reserved\n\n");
  // Every line fits the page except value lines naming long features.
  for (const std::string& line : lines) {
    if (line.rfind("  ", 0) != 0) {
      EXPECT_LE(line.size(), 74u) << line;
    }
  }
  // The CR LF form of the export fits its buffer many times over.
  EXPECT_LT(report.size(), 524288u / 4);
}

TEST(QuickReference, WideRegistersAndReservedParts) {
  ChipTables tables;
  LoadChipDefinition(tables, kWideChip.data(), kWideChip.size());
  Chip62500 chip(tables);

  // 16 bits at width 74: two rows of eight, most significant first; the field of bits
  // 11 to 4 continues across the rows; the overlapping field is not drawn.
  const std::vector<std::string> w = Lines(Block(chip, 0x0010));
  ASSERT_GE(w.size(), 10u);
  EXPECT_EQ(w[1], "Current=0027h, Default=0000h.");
  EXPECT_EQ(w[2], kBorder8);
  EXPECT_EQ(w[3], "|::::::::|::::::::|::::::::|::::::::|middle_part                        :");
  EXPECT_EQ(w[4], "|::::::::|::::::::|::::::::|::::::::|                                   :");
  EXPECT_EQ(w[5], "+---15---+---14---+---13---+---12---+---11---+---10---+----9---+----8---+");
  EXPECT_EQ(w[6], kBorder8);
  EXPECT_EQ(w[7], ":middle_part                        |::::::::|::::::::|::::::::|::::::::|");
  EXPECT_EQ(w[9], kBitsLow);
  for (size_t k = 2; k <= 9; ++k) EXPECT_EQ(w[k].size(), 73u) << w[k];

  // A wide page takes 16 bits in one row.
  const std::vector<std::string> one = Lines(Block(chip, 0x0010, 150));
  ASSERT_GE(one.size(), 6u);
  EXPECT_EQ(one[5].size(), 16u * 9 + 1);
  EXPECT_EQ(one[5].substr(0, 10), "+---15---+");

  // Reserved registers and fields appear only with the show-reserved flag.
  std::string report = QuickReference(chip, "\n", 74);
  EXPECT_EQ(report.find("Spare Register"), std::string::npos);
  EXPECT_EQ(report.find("Other Product"), std::string::npos);
  EXPECT_EQ(report.find("REG[FFFEh]"), std::string::npos);
  EXPECT_EQ(report.find("RESERVED "), std::string::npos);
  chip.SetShowReserved(true);
  report = QuickReference(chip, "\n", 74);
  EXPECT_NE(report.find("\n\n\n\nREG[0011h] Spare Register [RESERVED]\n"), std::string::npos);
  EXPECT_NE(report.find("\n|RESERVED         |::::::::|::::::::|middle_part"), std::string::npos);
  EXPECT_NE(report.find("\n\nTop [RESERVED]  =  0\n"), std::string::npos);
  EXPECT_EQ(report.find("Other Product"), std::string::npos);
}
