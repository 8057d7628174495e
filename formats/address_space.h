// The address space that the data records of a hexadecimal text file (S-record, Intel
// HEX) fill: which bytes lie at which addresses, where the two digits of each byte lie in
// the text, and where a byte string (the block's signature) lies among the addresses.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/needle_search.h"

namespace k7q {

// One data record: the address of its first data byte and the text offset of that
// byte's two digits. The record's checksum digits follow its last data byte's.
struct DataRecord {
  uint64_t address = 0;
  uint64_t digits = 0;
  uint32_t count = 0;  // data bytes
};

// Records of the same length that follow each other both in address and in the text at
// a fixed distance: most files are a few of these.
struct RecordRun {
  DataRecord first;
  uint64_t stride = 0;  // text characters from one record's data digits to the next's
  uint32_t records = 0;
  DataRecord Record(uint32_t i) const {
    return {first.address + uint64_t{i} * first.count, first.digits + i * stride, first.count};
  }
};

// Where the bytes of an address range lie in the text.
struct RangePlaces {
  struct Place {
    uint32_t index = 0;   // of the byte in the range
    uint64_t digits = 0;  // text offset of its two digits
    uint32_t record = 0;  // of records, the record that holds them
  };
  std::string bytes;                // the range's bytes, in address order
  std::vector<Place> places;        // a byte that several records hold has several
  std::vector<DataRecord> records;  // the records holding the range's bytes
};

enum class RangeStatus { kComplete, kGap, kConflict };

struct RangeRead {
  RangeStatus status = RangeStatus::kComplete;
  uint64_t address = 0;  // the first address without a byte, or with two different ones
  RangePlaces places;    // complete only with kComplete
};

// Why a record text does not read: the first record that is wrong and what is wrong.
struct RecordTextError {
  bool checksum = false;  // the record's checksum does not match its bytes
  size_t line = 0;        // 1 for the first line; 0 when the text reads
  std::string what;
  explicit operator bool() const { return line != 0; }
  std::string Text() const;  // "line 12: ..."
};

// The error for the record at offset in text.
RecordTextError RecordError(std::string_view text, size_t offset, std::string what,
                            bool checksum = false);

// Two characters or more of new text at an offset.
struct TextPatch {
  uint64_t offset = 0;
  std::string text;
};

class AddressSpace {
 public:
  // needle: the bytes whose addresses are looked for, at least one.
  explicit AddressSpace(std::string needle);

  // Adds the next data record of the text, in text order, with its decoded bytes.
  void Add(const DataRecord& record, const uint8_t* data) {
    if (record.address == next_.address && record.digits == next_.digits &&
        record.count == next_.count && record.count != 0) {
      ++runs_.back().records;
      next_ = runs_.back().Record(runs_.back().records);
      end_ = std::max(end_, next_.address);
      if (ascending_) search_.Feed(record.address, data, record.count);
    } else {
      AddOther(record, data);
    }
  }

  // Every address at which the needle's bytes lie at consecutive addresses, ascending.
  // An address held by several records counts once.
  std::vector<uint64_t> NeedleAddresses(std::string_view text) const;

  // The length bytes from address on: every address must be held by some record, and
  // records holding the same address must agree on its byte.
  RangeRead Read(std::string_view text, uint64_t address, size_t length) const;

  const std::vector<RecordRun>& Runs() const { return runs_; }

 private:
  // A record that does not continue the last run as next_ would.
  void AddOther(const DataRecord& record, const uint8_t* data);
  std::string needle_;
  std::vector<RecordRun> runs_;
  DataRecord next_;        // the record that would continue the last run, once it has two
  bool ascending_ = true;  // no record starts below the end of one before it
  uint64_t end_ = 0;       // highest address after a record's bytes so far
  NeedleSearch search_;    // in text order, which is address order while ascending
};

// The patches that make the range's bytes read as bytes (as long as places.bytes):
// the digits of every byte that changes, and the checksum of every record holding one.
// Both kinds of record sum their bytes into the checksum negated (S-record: ones'
// complement, Intel HEX: two's complement), so a checksum falls by what its bytes rise.
// Digits are written in the letter case of their record. Ascending, none overlapping.
std::vector<TextPatch> RangePatches(std::string_view text, const RangePlaces& places,
                                    std::string_view bytes);

// The text with the patches applied.
std::string Patched(std::string_view text, const std::vector<TextPatch>& patches);

}  // namespace k7q
