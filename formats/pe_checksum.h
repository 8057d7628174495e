// The CheckSum of a Windows (PE) image's optional header, which loaders and signing
// tools verify: a 16-bit end-around-carry sum of the image's little-endian words, the
// field itself counted as zero, plus the image's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/save_journal.h"

namespace k7q {

// Offset of the CheckSum field, or none when the image is not a PE image.
std::optional<size_t> PeChecksumOffset(const uint8_t* image, size_t length);

// The checksum of the image, whatever its field holds.
uint32_t PeChecksum(const uint8_t* image, size_t length, size_t checksumOffset);

// The CheckSum to store once the bytes at position have been replaced: the image holds
// the new bytes, before the ones they replaced. None when the image is not a PE image,
// its CheckSum was 0 or did not match the image before, or the bytes overlap the field.
std::optional<uint32_t> PeChecksumAfterReplacing(const uint8_t* image, size_t length,
                                                 size_t position, std::string_view before);

// A PE image whose CheckSum matched before the bytes at position were replaced keeps it
// matching: the image gets the new value and, when given, changes gets the field's four
// bytes, in offset order.
void KeepPeChecksum(uint8_t* image, size_t length, size_t position, std::string_view before,
                    std::vector<FileRange>* changes = nullptr);

}  // namespace k7q
