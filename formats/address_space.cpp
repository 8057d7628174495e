#include "formats/address_space.h"

#include <algorithm>

#include "formats/hex_digits.h"

namespace k7q {

std::string RecordTextError::Text() const {
  return "line " + std::to_string(line) + ": " + what;
}

RecordTextError RecordError(std::string_view text, size_t offset, std::string what, bool checksum) {
  offset = std::min(offset, text.size());
  const size_t line =
      1 + static_cast<size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
  return {checksum, line, std::move(what)};
}

AddressSpace::AddressSpace(std::string needle) : needle_(needle), search_(std::move(needle)) {}

void AddressSpace::AddOther(const DataRecord& record, const uint8_t* data) {
  if (record.count == 0) return;
  if (record.address < end_) ascending_ = false;
  end_ = std::max(end_, record.address + record.count);
  if (ascending_) search_.Feed(record.address, data, record.count);
  if (!runs_.empty()) {
    RecordRun& run = runs_.back();
    if (run.records == 1 && record.count == run.first.count &&
        record.address == run.first.address + run.first.count && record.digits > run.first.digits) {
      run.stride = record.digits - run.first.digits;
      run.records = 2;
      next_ = run.Record(2);
      return;
    }
  }
  runs_.push_back({record, 0, 1});
  next_ = {};
}

std::vector<uint64_t> AddressSpace::NeedleAddresses(std::string_view text) const {
  if (ascending_) return search_.Hits();
  // Records in address order; bytes held by an earlier record are not fed again.
  std::vector<DataRecord> records;
  for (const RecordRun& run : runs_) {
    for (uint32_t i = 0; i < run.records; ++i) records.push_back(run.Record(i));
  }
  std::stable_sort(records.begin(), records.end(),
                   [](const DataRecord& a, const DataRecord& b) { return a.address < b.address; });
  NeedleSearch search(needle_);
  uint64_t covered = 0;
  uint8_t data[256];
  for (const DataRecord& record : records) {
    const uint64_t end = record.address + record.count;
    if (end <= covered) continue;
    DecodeBytes(text.data() + record.digits, record.count, data);
    const uint64_t from = std::max(record.address, covered);
    search.Feed(from, data + (from - record.address), static_cast<size_t>(end - from));
    covered = end;
  }
  return search.Hits();
}

RangeRead AddressSpace::Read(std::string_view text, uint64_t address, size_t length) const {
  RangeRead read;
  RangePlaces& places = read.places;
  places.bytes.assign(length, '\0');
  std::vector<uint8_t> held(length, 0);  // 1: held, 2: held with two different bytes
  const uint64_t end = address + length;
  uint8_t data[256];
  for (const RecordRun& run : runs_) {
    const uint64_t count = run.first.count;
    const uint64_t runEnd = run.first.address + count * run.records;
    if (runEnd <= address || run.first.address >= end) continue;
    const uint64_t from = address > run.first.address ? (address - run.first.address) / count : 0;
    const uint64_t to =
        std::min<uint64_t>(run.records, (end - run.first.address + count - 1) / count);
    for (uint64_t i = from; i < to; ++i) {
      const DataRecord record = run.Record(static_cast<uint32_t>(i));
      DecodeBytes(text.data() + record.digits, record.count, data);
      const auto recordIndex = static_cast<uint32_t>(places.records.size());
      places.records.push_back(record);
      for (uint32_t k = 0; k < record.count; ++k) {
        const uint64_t at = record.address + k;
        if (at < address || at >= end) continue;
        const auto index = static_cast<uint32_t>(at - address);
        const char byte = static_cast<char>(data[k]);
        if (held[index] == 0) {
          places.bytes[index] = byte;
          held[index] = 1;
        } else if (places.bytes[index] != byte) {
          held[index] = 2;
        }
        places.places.push_back({index, record.digits + 2 * k, recordIndex});
      }
    }
  }
  const auto conflict = std::find(held.begin(), held.end(), 2);
  const auto gap = std::find(held.begin(), held.end(), 0);
  if (conflict != held.end()) {
    read.status = RangeStatus::kConflict;
    read.address = address + static_cast<uint64_t>(conflict - held.begin());
  } else if (gap != held.end()) {
    read.status = RangeStatus::kGap;
    read.address = address + static_cast<uint64_t>(gap - held.begin());
  }
  if (read.status != RangeStatus::kComplete) read.places = {};
  return read;
}

std::vector<TextPatch> RangePatches(std::string_view text, const RangePlaces& places,
                                    std::string_view bytes) {
  std::vector<int> rise(places.records.size(), 0);
  std::vector<TextPatch> patches;
  auto lowerCase = [&](const DataRecord& record) {
    return HasLowerCaseDigit(text.data() + record.digits, 2 * size_t{record.count} + 2);
  };
  auto patch = [&](uint64_t offset, uint8_t byte, const DataRecord& record) {
    TextPatch digits{offset, "  "};
    EncodeByte(byte, lowerCase(record), digits.text.data());
    patches.push_back(std::move(digits));
  };
  for (const RangePlaces::Place& place : places.places) {
    const auto was = static_cast<uint8_t>(places.bytes[place.index]);
    const auto now = static_cast<uint8_t>(bytes[place.index]);
    if (was == now) continue;
    patch(place.digits, now, places.records[place.record]);
    rise[place.record] += now - was;
  }
  for (size_t r = 0; r < places.records.size(); ++r) {
    if (rise[r] % 256 == 0) continue;
    const DataRecord& record = places.records[r];
    const uint64_t at = record.digits + 2 * uint64_t{record.count};
    uint8_t checksum = 0;
    DecodeBytes(text.data() + at, 1, &checksum);
    patch(at, static_cast<uint8_t>(checksum - rise[r]), record);
  }
  std::sort(patches.begin(), patches.end(),
            [](const TextPatch& a, const TextPatch& b) { return a.offset < b.offset; });
  std::vector<TextPatch> merged;  // adjacent patches become one
  for (TextPatch& p : patches) {
    if (!merged.empty() && merged.back().offset + merged.back().text.size() == p.offset) {
      merged.back().text += p.text;
    } else {
      merged.push_back(std::move(p));
    }
  }
  return merged;
}

std::string Patched(std::string_view text, const std::vector<TextPatch>& patches) {
  std::string out(text);
  for (const TextPatch& p : patches) out.replace(p.offset, p.text.size(), p.text);
  return out;
}

}  // namespace k7q
