// Byte-order swaps and the helpers for register bit fields.
#pragma once

#include <cstdint>

namespace k7q {

inline uint16_t Swap16(uint16_t v) {
  return static_cast<uint16_t>((v >> 8) | (v << 8));
}

inline uint32_t Swap32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

// Lowest set bit L of the mask and the top H of the run of set bits starting at L;
// both -1 for a mask of 0.
inline void FieldRun(uint32_t mask, int* top, int* lowest) {
  if (mask == 0) {
    *top = *lowest = -1;
    return;
  }
  int low = 0;
  while (!(mask & (1u << low))) ++low;
  int high = low;
  while (high < 31 && (mask & (1u << (high + 1)))) ++high;
  *top = high;
  *lowest = low;
}

inline int FieldWidth(uint32_t mask) {
  int top, lowest;
  FieldRun(mask, &top, &lowest);
  return mask == 0 ? 0 : top - lowest + 1;
}

inline int FieldShift(uint32_t mask) {
  int top, lowest;
  FieldRun(mask, &top, &lowest);
  return lowest < 0 ? 0 : lowest;
}

// The mask shifted right by its lowest set bit (0 for a mask of 0).
inline uint32_t FieldMax(uint32_t mask) {
  return mask == 0 ? 0 : mask >> FieldShift(mask);
}

}  // namespace k7q
