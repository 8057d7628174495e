// S-record and Intel HEX texts read by address: the bytes each address holds, where a
// byte string lies among the addresses, and patches that change bytes in place.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <tuple>
#include <vector>

#include "formats/address_space.h"
#include "formats/file_kinds.h"
#include "formats/intel_hex.h"
#include "formats/srecord_records.h"
#include "tests/support/hex_texts.h"
#include "tests/support/test_files.h"

namespace k7q {

using k7q::AddressSpace;
using k7q::RangeRead;
using k7q::RangeStatus;

namespace {

const char kNeedle[] = "62500 HAL EXE";

std::string Filler(size_t n, int seed) {
  std::string bytes;
  for (size_t i = 0; i < n; ++i) bytes += static_cast<char>(i * 7 + seed);
  return bytes;
}

// The text's bytes from address on, or the reason they cannot be read.
std::string BytesAt(const AddressSpace& space, const std::string& text, uint64_t address,
                    size_t length) {
  const RangeRead read = space.Read(text, address, length);
  if (read.status == RangeStatus::kGap) return "gap at " + std::to_string(read.address);
  if (read.status == RangeStatus::kConflict) return "conflict at " + std::to_string(read.address);
  return read.places.bytes;
}

// The data records of SrecordText, without header, count and termination.
std::string DataRecords(const std::string& bytes, size_t perRecord, uint32_t address) {
  std::string records;
  for (const std::string& line : Lines(SrecordText(bytes, 1, perRecord, address))) {
    if (line.substr(0, 2) == "S1") records += line + "\n";
  }
  return records;
}

std::string Changed(std::string bytes, size_t at, const std::string& with) {
  return bytes.replace(at, with.size(), with);
}

}  // namespace

TEST(RecordText, SrecordsOfEachTypeReadByAddressAndPatchInPlace) {
  const std::string bytes = Filler(90, 3) + kNeedle + Filler(200, 5);
  for (int type : {1, 2, 3}) {
    const std::string text = SrecordText(bytes, type, 16, 0x1000);
    AddressSpace space(kNeedle);
    ASSERT_FALSE(k7q::ReadSrecordRecords(text, space)) << type;
    // The needle starts in one record and ends in the next.
    EXPECT_EQ(space.NeedleAddresses(text), std::vector<uint64_t>{0x1000 + 90});
    EXPECT_EQ(space.Runs().size(), 2u);  // 18 records of 16 bytes, then a shorter one
    EXPECT_EQ(BytesAt(space, text, 0x1000 + 85, 40), bytes.substr(85, 40));
    EXPECT_EQ(BytesAt(space, text, 0xFF0, 40), "gap at 4080");
    EXPECT_EQ(BytesAt(space, text, 0x1000 + 290, 20), "gap at " + std::to_string(0x1000 + 303));

    // Only the changed bytes' digits and their records' checksums change; the patched
    // text reads back with the new bytes and valid checksums.
    const RangeRead read = space.Read(text, 0x1000 + 90, 40);
    const std::string wanted = Changed(read.places.bytes, 10, "\x01\xFE");
    const std::vector<k7q::TextPatch> patches = k7q::RangePatches(text, read.places, wanted);
    ASSERT_EQ(patches.size(), 2u);  // both bytes' digits, then their record's checksum
    EXPECT_EQ(patches[0].text, "01FE");
    const std::string patched = k7q::Patched(text, patches);
    AddressSpace again(kNeedle);
    ASSERT_FALSE(k7q::ReadSrecordRecords(patched, again));
    EXPECT_EQ(BytesAt(again, patched, 0x1000, bytes.size()), Changed(bytes, 100, "\x01\xFE"));
    size_t differing = 0;
    for (size_t i = 0; i < text.size(); ++i) differing += text[i] != patched[i];
    EXPECT_LE(differing, 8u);
  }
}

// The needle is found wherever it lies in long runs of records, as a plain search of the
// bytes finds it: also where it spans records and where the records are searched in parts.
TEST(RecordText, NeedlesInLongRunsOfRecords) {
  std::string bytes = Filler(60000, 7);
  std::vector<uint64_t> wanted;
  for (size_t at = 5, gap = 0; at + 13 <= bytes.size(); at += 13 + gap % 23, ++gap) {
    bytes.replace(at, 13, kNeedle);
    wanted.push_back(0x20000 + at);
  }
  for (size_t perRecord : {16, 32, 250}) {
    const std::string srec = SrecordText(bytes, 3, perRecord, 0x20000);
    AddressSpace space(kNeedle);
    ASSERT_FALSE(k7q::ReadSrecordRecords(srec, space));
    EXPECT_EQ(space.NeedleAddresses(srec), wanted) << perRecord;
    const std::string hex = IntelHexText(bytes, 0x20000, perRecord);
    AddressSpace hexSpace(kNeedle);
    ASSERT_FALSE(k7q::ReadIntelHexRecords(hex, hexSpace));
    EXPECT_EQ(hexSpace.NeedleAddresses(hex), wanted) << perRecord;
  }
}

// Every digit of a record counts at every record length: a character that is no digit is
// refused, another digit breaks the checksum.
TEST(RecordText, EveryDigitIsReadAtEveryLength) {
  const std::string notHex = "line 1: the record holds a character that is not hexadecimal";
  auto error = [](RecordReader read, const std::string& text) {
    AddressSpace space(kNeedle);
    const k7q::RecordTextError e = read(text, space);
    return e ? e.checksum ? "checksum" : e.Text() : "reads";
  };
  for (size_t length = 1; length <= 40; ++length) {
    const std::string data = Filler(length, static_cast<int>(length));
    const std::string srec = DataRecords(data, length, 0x1234);
    const std::string hex = IntelHexRecord(0, 0x1234, data) + "\n:00000001FF\n";
    ASSERT_EQ(error(k7q::ReadSrecordRecords, srec), "reads") << length;
    ASSERT_EQ(error(k7q::ReadIntelHexRecords, hex), "reads") << length;
    // After the type (S-record) or the count (Intel HEX), up to the checksum's last digit.
    for (auto [read, text, from] :
         {std::tuple<RecordReader, std::string, size_t>{ReadSrecordRecords, srec, 4},
          {ReadIntelHexRecords, hex, 3}}) {
      for (size_t at = from; at < text.find_first_of("\r\n"); ++at) {
        std::string changed = text;
        for (int c = 0; c < 256; ++c) {
          if (std::isxdigit(c)) continue;
          changed[at] = static_cast<char>(c);
          ASSERT_EQ(error(read, changed), notHex) << length << " " << at << " " << c;
        }
        changed[at] = text[at] == '0' ? '1' : '0';
        EXPECT_EQ(error(read, changed), "checksum") << length << " " << at;
      }
    }
  }
}

TEST(RecordText, SrecordErrorsNameTheLine) {
  const std::string good = SrecordText(Filler(40, 1), 1, 16);
  auto error = [](const std::string& text) {
    AddressSpace space(kNeedle);
    const k7q::RecordTextError e = k7q::ReadSrecordRecords(text, space);
    return e ? e.Text() + (e.checksum ? " (checksum)" : "") : "reads";
  };
  EXPECT_EQ(error(good), "reads");
  std::string bad = good;
  bad[bad.find("\r\nS1") + 10] ^= 1;  // a data digit of the first data record
  EXPECT_EQ(error(bad).substr(0, 15), "line 2: checksu");
  EXPECT_NE(error(bad).find("(checksum)"), std::string::npos);
  EXPECT_EQ(error("\r\nS4030000FC\r\n" + good), "line 2: S4 is not a record type");
  EXPECT_EQ(error("S1130000"), "line 1: the record ends before its checksum");
  EXPECT_EQ(error("S1050000zz00\r\n"),
            "line 1: the record holds a character that is not hexadecimal");
  EXPECT_EQ(error("S102FFFF"),
            "line 1: the byte count leaves no room for the address and checksum");
  EXPECT_EQ(error(" S1"), "line 1: a record must start with \"S\"");
  // Lower-case digits read; a termination record ends the data.
  std::string lower;
  for (const std::string& line : Lines(good)) {
    lower += line.substr(0, 2);
    for (char c : line.substr(2)) lower += static_cast<char>(std::tolower(c));
    lower += "\n";
  }
  EXPECT_EQ(error(lower + "garbage after the end"), "reads");
}

TEST(RecordText, SrecordsOutOfOrderOverlappingAndRepeated) {
  const std::string bytes = Filler(30, 9) + kNeedle + Filler(30, 4);  // 73 bytes at 0x100
  // The upper half first, then the lower half, then the needle's bytes once more.
  const std::string upper = DataRecords(bytes.substr(36), 10, 0x100 + 36);
  const std::string lower = DataRecords(bytes.substr(0, 36), 10, 0x100);
  const std::string again = DataRecords(bytes.substr(28, 20), 20, 0x100 + 28);
  const std::string text = upper + lower + again;
  AddressSpace space(kNeedle);
  ASSERT_FALSE(k7q::ReadSrecordRecords(text, space));
  EXPECT_EQ(space.NeedleAddresses(text), std::vector<uint64_t>{0x100 + 30});
  EXPECT_EQ(BytesAt(space, text, 0x100, bytes.size()), bytes);
  // A byte written in two records is patched in both.
  const RangeRead read = space.Read(text, 0x100 + 30, 13);
  const std::string patched =
      k7q::Patched(text, k7q::RangePatches(text, read.places, Changed(read.places.bytes, 0, "7")));
  AddressSpace reread(kNeedle);
  ASSERT_FALSE(k7q::ReadSrecordRecords(patched, reread));
  EXPECT_EQ(BytesAt(reread, patched, 0x100, bytes.size()), Changed(bytes, 30, "7"));
  EXPECT_TRUE(reread.NeedleAddresses(patched).empty());
  // Records that disagree on an address.
  const std::string other = DataRecords(std::string(1, 'x'), 1, 0x100 + 40);
  AddressSpace conflicting(kNeedle);
  ASSERT_FALSE(k7q::ReadSrecordRecords(text + other, conflicting));
  EXPECT_EQ(BytesAt(conflicting, text + other, 0x100, bytes.size()),
            "conflict at " + std::to_string(0x100 + 40));
}

TEST(RecordText, IntelHexByLinearAndSegmentAddresses) {
  // Across a 64 KiB boundary under extended linear addresses.
  const std::string bytes = Filler(100, 2) + kNeedle + Filler(300, 6);
  const std::string text = IntelHexText(bytes, 0x0801FFA0, 32);
  AddressSpace space(kNeedle);
  ASSERT_FALSE(k7q::ReadIntelHexRecords(text, space));
  EXPECT_EQ(space.NeedleAddresses(text), std::vector<uint64_t>{0x0801FFA0 + 100});
  EXPECT_EQ(BytesAt(space, text, 0x0801FFA0, bytes.size()), bytes);
  const RangeRead read = space.Read(text, 0x0801FFA0 + 90, 30);
  const std::string patched = k7q::Patched(
      text, k7q::RangePatches(text, read.places, Changed(read.places.bytes, 5, "\xAB\xCD\xEF")));
  AddressSpace reread(kNeedle);
  ASSERT_FALSE(k7q::ReadIntelHexRecords(patched, reread));
  EXPECT_EQ(BytesAt(reread, patched, 0x0801FFA0, bytes.size()), Changed(bytes, 95, "\xAB\xCD\xEF"));
  EXPECT_EQ(patched.size(), text.size());

  // Extended segment addresses: segment 1234h puts offset 0010h at 12350h.
  const std::string segmented = IntelHexRecord(2, 0, "\x12\x34") + "\n" +
                                IntelHexRecord(0, 0x0010, "ab") + "\n" +
                                IntelHexRecord(3, 0, std::string(4, '\0')) + "\n:00000001FF\n";
  AddressSpace segments(kNeedle);
  ASSERT_FALSE(k7q::ReadIntelHexRecords(segmented, segments));
  EXPECT_EQ(BytesAt(segments, segmented, 0x12350, 2), "ab");
}

TEST(RecordText, IntelHexErrorsNameTheLine) {
  auto error = [](const std::string& text) {
    AddressSpace space(kNeedle);
    const k7q::RecordTextError e = k7q::ReadIntelHexRecords(text, space);
    return e ? e.Text() + (e.checksum ? " (checksum)" : "") : "reads";
  };
  const std::string data = IntelHexRecord(0, 0x100, "hello") + "\r\n";
  EXPECT_EQ(error(data + ":00000001FF\r\n"), "reads");
  EXPECT_EQ(error(data), "line 2: the text ends without an end-of-file record (type 01)");
  std::string bad = data + ":00000001FF\r\n";
  bad[10] = '7';
  EXPECT_EQ(error(bad), "line 1: checksum E6, the record's bytes give E7 (checksum)");
  EXPECT_EQ(error(IntelHexRecord(6, 0, "") + "\n"),
            "line 1: record type 06 is not one of 00 to 05");
  EXPECT_EQ(error(IntelHexRecord(4, 0, "\x01") + "\n"),
            "line 1: a record of type 04 holds 2 data bytes, not 1");
  EXPECT_EQ(error(IntelHexRecord(0, 0xFFFE, "abc") + "\n:00000001FF\n"),
            "line 1: the record runs past the end of its 64 KiB segment");
  EXPECT_EQ(error(":0001"), "line 1: the record ends early");
  EXPECT_EQ(error("\n\n:1000"), "line 3: the record ends early");
  EXPECT_EQ(error("S1"), "line 1: a record must start with \":\"");
}

}  // namespace k7q
