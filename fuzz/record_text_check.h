// The property both record-text fuzz targets check: whatever text reads, a range of its
// address space patched to other bytes reads back as those bytes, in a text of the same
// length whose every record still reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/address_space.h"

template <typename Reader>
void CheckRecordText(const uint8_t* data, size_t size, Reader read) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  k7q::AddressSpace space("62500 HAL EXE");
  if (read(text, space)) return;
  std::vector<uint64_t> starts = space.NeedleAddresses(text);
  if (!space.Runs().empty()) starts.push_back(space.Runs().front().first.address);
  for (uint64_t start : starts) {
    const k7q::RangeRead range = space.Read(text, start, 464);
    if (range.status != k7q::RangeStatus::kComplete) continue;
    std::string wanted = range.places.bytes;
    for (size_t i = 0; i < wanted.size(); i += 3) wanted[i] = static_cast<char>(~wanted[i]);
    const std::string patched = k7q::Patched(text, k7q::RangePatches(text, range.places, wanted));
    k7q::AddressSpace again("62500 HAL EXE");
    if (patched.size() != text.size() || read(patched, again)) std::abort();
    const k7q::RangeRead back = again.Read(patched, start, 464);
    if (back.status != k7q::RangeStatus::kComplete || back.places.bytes != wanted) std::abort();
  }
}
