// Finding a byte string among bytes fed in address order, such as the data records of a
// record text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace k7q {

// Bytes at consecutive addresses continue each other; the bytes fed are gathered into
// pieces of consecutive addresses that are searched whole.
class NeedleSearch {
 public:
  explicit NeedleSearch(std::string needle);
  // Bytes in ascending address order.
  void Feed(uint64_t address, const uint8_t* data, size_t count);
  // Every address at which the needle lies, ascending.
  std::vector<uint64_t> Hits() const;

 private:
  static constexpr size_t kPiece = 16 << 10;
  // Every needle in the piece, into hits.
  void SearchPiece(std::vector<uint64_t>* hits) const;
  std::string needle_;
  std::vector<uint8_t> piece_;  // kPiece bytes and room for the last ones fed
  size_t length_ = 0;           // of the piece: bytes at consecutive addresses from address_
  uint64_t address_ = 0;
  std::vector<uint64_t> hits_;  // in the pieces searched
};

}  // namespace k7q
