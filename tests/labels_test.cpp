// Feature and register labels of the embedded chip and of a small made-up chip.
#include "reports/labels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chipmodel/chip_definition_loader.h"
#include "config/chip62500.h"

namespace {

std::string Feature(ChipEngine& chip, const char* keyname, uint32_t flags) {
  return FeatureLabel(chip, keyname, flags).value_or("<none>");
}

std::string Register(ChipEngine& chip, uint32_t index, uint32_t flags) {
  return RegisterLabel(chip, index, flags).value_or("<none>");
}

// A chip with the corner cases the embedded definition lacks.
const std::vector<const char*> kOddChip = {
    "<CHIPDEF><PRODUCTS><PRODUCT KEYNAME=\"62500\" PREFIX=\"K7Q\" NAME=\"62500\"/></PRODUCTS>",
    "<REGISTERS>",
    "<REGISTER KEYNAME=\"wide\" NAME=\"Wide Register\" REG=\"0010\" BITWIDTH=\"16\"/>",
    "<REGISTER KEYNAME=\"spare\" NAME=\"Spare Register\" REG=\"0011\" BITWIDTH=\"8\" "
    "ACCESS=\"ro\" RESERVED=\"62500\"/>",
    "<REGISTER KEYNAME=\"ondelay\" NAME=\"ON DELAY\" REG=\"FFFE\" BITWIDTH=\"16\" FAKEREG=\"y\"/>",
    "</REGISTERS><FEATURES>",
    "<FEATURE KEYNAME=\"whole\" NAME=\"Whole\" TYPE=\"numb\" REG=\"0010\" MASK=\"FFFF\"/>",
    "<FEATURE KEYNAME=\"all\" NAME=\"All\" TYPE=\"numb\" REG=\"0011\"/>",
    "<FEATURE KEYNAME=\"anon\" TYPE=\"numb\" REG=\"0010\" MASK=\"0008\"/>",
    "<FEATURE KEYNAME=\"locked\" NAME=\"Locked\" TYPE=\"numb\" REG=\"0011\" MASK=\"00F0\" "
    "ACCESS=\"ro\" RESERVED=\"62500\"/>",
    "<FEATURE KEYNAME=\"sink\" NAME=\"Sink\" TYPE=\"numb\" REG=\"0011\" MASK=\"0001\" "
    "ACCESS=\"wo\"/>",
    "<FEATURE KEYNAME=\"xy\" NAME=\"Thing\" TYPE=\"numb\" REG=\"span\" NEEDCODE=\"y\"/>",
    "<FEATURE KEYNAME=\"xy-LSB\" TYPE=\"numb\" REG=\"0010\" MASK=\"00FF\"/>",
    "<FEATURE KEYNAME=\"xy-MSB\" TYPE=\"numb\" REG=\"0010\" MASK=\"FF00\"/>",
    "</FEATURES></CHIPDEF>",
};

}  // namespace

TEST(Labels, FeatureLabelsOfTheEmbeddedChip) {
  Chip62500 chip;
  // Name, location, short forms.
  EXPECT_EQ(Feature(chip, "apLSB", 0x03), "Virtual screen width LSB (REG[0006h] Bits 7:0)");
  EXPECT_EQ(Feature(chip, "apLSB", 0x13), "Virtual screen width LSB (REG[0006h-b7:0])");
  EXPECT_EQ(Feature(chip, "apLSB", 0x12), "REG[0006h-b7:0]");
  EXPECT_EQ(Feature(chip, "apLSB", 0x01), "Virtual screen width LSB");
  EXPECT_EQ(Feature(chip, "APlsb", 0x02), "REG[0006h] Bits 7:0");
  // Single bits: ws is bit 3 of register 0000h.
  EXPECT_EQ(Feature(chip, "ws", 0x02), "REG[0000h] Bit 3");
  EXPECT_EQ(Feature(chip, "ws", 0x12), "REG[0000h-b3]");
  // Bits alone, and their precedence over the location.
  EXPECT_EQ(Feature(chip, "ws", 0x04), "Bit3");
  EXPECT_EQ(Feature(chip, "ws", 0x14), "b3");
  EXPECT_EQ(Feature(chip, "fx", 0x06), "Bits 3:0");
  EXPECT_EQ(Feature(chip, "fx", 0x14), "b3:0");
  EXPECT_EQ(Feature(chip, "fx", 0x05), "Character width Bits 3:0");
  // Span, code-only and code-assisted features.
  EXPECT_EQ(Feature(chip, "ap", 0x03), "Virtual screen width (REG[SPAN])");
  EXPECT_EQ(Feature(chip, "baseaddr", 0x03), "Chip Base Address (CODE)");
  EXPECT_EQ(Feature(chip, "bpp", 0x12), "REG[0020h-b1:0]+CODE");
  // Markers.
  EXPECT_EQ(Feature(chip, "chipid", 0x09), "Chip ID [READONLY]");
  EXPECT_EQ(Feature(chip, "chipid", 0x19), "Chip ID [RO]");
  EXPECT_EQ(Feature(chip, "regwrite", 0x09), "Debug Register Writes [RESERVED]");
  EXPECT_EQ(Feature(chip, "regwrite", 0x19), "Debug Register Writes [RSVD]");
  EXPECT_EQ(Feature(chip, "iv", 0x09), "Screen Origin Compensation");
  EXPECT_EQ(Feature(chip, "chipid", 0x08), "[READONLY]");
  // Macro name ignores every other flag.
  EXPECT_EQ(Feature(chip, "apLSB", 0x3F), "FEATURE_APLSB");
  EXPECT_EQ(Feature(chip, "sb1saddr", 0x20), "FEATURE_SB1SADDR");
  // Unknown features give nothing.
  EXPECT_FALSE(FeatureLabel(chip, "nosuchfeature", 0x01));
  EXPECT_FALSE(FeatureLabel(chip, "", 0x20));
}

TEST(Labels, RegisterLabelsOfTheEmbeddedChip) {
  Chip62500 chip;
  EXPECT_EQ(Register(chip, 0x0000, 0x0B), "REG[0000h] Memory Configuration Register");
  EXPECT_EQ(Register(chip, 0x0000, 0x09), "Memory Configuration Register");
  EXPECT_EQ(Register(chip, 0x0000, 0x02), "REG[0000h]");
  EXPECT_EQ(Register(chip, 0x0000, 0x20), "REG0000_SYSTEMSET_P1");
  EXPECT_EQ(Register(chip, 0x001A, 0x20), "REG001A_CGRAMADDR_P2");
  EXPECT_EQ(Register(chip, 0xFFFF, 0x20), "REGFLAG_ENDOFTABLE");
  EXPECT_EQ(Register(chip, 0xFFFE, 0x2B), "REGFLAG_ONDELAY");
  EXPECT_EQ(Register(chip, 0x001E, 0x09), "CSRR Low Register [READONLY]");
  EXPECT_EQ(Register(chip, 0x001E, 0x1B), "REG[001Eh] CSRR Low Register [RO]");
  EXPECT_EQ(Register(chip, 0x001C, 0x0B), "REG[001Ch] CSRW Low Register [WRITEONLY]");
  EXPECT_EQ(Register(chip, 0x001C, 0x08), "[WRITEONLY]");
  EXPECT_FALSE(RegisterLabel(chip, 0x0021, 0x0B));
  EXPECT_FALSE(RegisterLabel(chip, 0xFFF0, 0x20));
}

TEST(Labels, CornerCasesOfAMadeUpChip) {
  ChipTables tables;
  LoadChipDefinition(tables, kOddChip.data(), kOddChip.size());
  Chip62500 chip(tables);

  // A 16-bit field over bits 15 to 0 has no bit range.
  EXPECT_EQ(Feature(chip, "whole", 0x03), "Whole (REG[0010h])");
  EXPECT_EQ(Feature(chip, "whole", 0x13), "Whole (REG[0010h])");
  // A field without MASK holds all 32 bits.
  EXPECT_EQ(Feature(chip, "all", 0x03), "All (REG[0011h] Bits 31:0)");
  EXPECT_EQ(Feature(chip, "all", 0x13), "All (REG[0011h-b31:0])");
  // No name and no span part: location or bits alone, or nothing.
  EXPECT_EQ(Feature(chip, "anon", 0x03), "(REG[0010h] Bit 3)");
  EXPECT_EQ(Feature(chip, "anon", 0x02), "REG[0010h] Bit 3");
  EXPECT_EQ(Feature(chip, "anon", 0x05), "Bit3");
  EXPECT_EQ(Feature(chip, "anon", 0x01), "");
  // Unnamed span parts borrow the spanned feature's name.
  EXPECT_EQ(Feature(chip, "xyLSB", 0x01), "Thing (LSB)");
  EXPECT_EQ(Feature(chip, "xyMSB", 0x13), "Thing (MSB) (REG[0010h-b15:8])");
  EXPECT_EQ(Feature(chip, "xy", 0x03), "Thing (REG[SPAN]+CODE)");
  // Read-only and reserved together; write-only.
  EXPECT_EQ(Feature(chip, "locked", 0x09), "Locked [READONLY,RESERVED]");
  EXPECT_EQ(Feature(chip, "locked", 0x19), "Locked [RO,RSVD]");
  EXPECT_EQ(Feature(chip, "locked", 0x1B), "Locked (REG[0011h-b7:4]) [RO,RSVD]");
  EXPECT_EQ(Feature(chip, "sink", 0x09), "Sink [WRITEONLY]");
  EXPECT_EQ(Feature(chip, "sink", 0x19), "Sink [WO]");
  EXPECT_EQ(Register(chip, 0x0011, 0x0B), "REG[0011h] Spare Register [READONLY,RESERVED]");
  EXPECT_EQ(Register(chip, 0x0011, 0x1B), "REG[0011h] Spare Register [RO,RSVD]");
  EXPECT_EQ(Register(chip, 0x0010, 0x0B), "REG[0010h] Wide Register");
}

TEST(Labels, ReadOnlyWinsOverWriteOnly) {
  ChipTables tables;
  LoadChipDefinition(tables, kOddChip.data(), kOddChip.size());
  for (FeatureRecord& f : tables.features) {
    if (f.keyname == "sink") f.readOnly = true;
  }
  for (RegisterRecord& r : tables.registers) {
    if (r.index == 0x10) r.readOnly = r.writeOnly = true;
  }
  Chip62500 chip(tables);
  EXPECT_EQ(Feature(chip, "sink", 0x09), "Sink [READONLY]");
  EXPECT_EQ(Register(chip, 0x0010, 0x19), "Wide Register [RO]");
}
