// Zero-byte scans over plane lines, the inner loops of plane preparation:
// most bytes of a printed page are zero, so finding where a line's non-zero
// bytes begin and end, while copying it, is most of the work per line.
//
// Every function reads and writes only the n bytes it is given, at any
// SimdLevel the processor offers, with the same result at every level.
#pragma once

#include <cstdint>

#include "stream/simd_level.h"

namespace inkband {

// First and last non-zero byte of a range; first = n and last = -1 when
// every byte is zero.
struct ByteExtent {
    int32_t first;
    int32_t last;
};

// Index of the first non-zero byte of bytes[0 .. n-1], or n (0 for n <= 0).
int32_t firstNonZero(const uint8_t* bytes, int32_t n, SimdLevel level = bestSimdLevel());

// Index of the last non-zero byte of bytes[0 .. n-1], or -1.
int32_t lastNonZero(const uint8_t* bytes, int32_t n, SimdLevel level = bestSimdLevel());

// Copies src[0 .. n-1] to dst[0 .. n-1] (the two must not overlap) and
// returns the extent of the non-zero bytes, in one pass over src.
ByteExtent copyFindExtent(uint8_t* dst, const uint8_t* src, int32_t n,
                          SimdLevel level = bestSimdLevel());

}  // namespace inkband
