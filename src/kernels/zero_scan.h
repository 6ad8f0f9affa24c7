// Zero-byte scans over plane lines, the inner loops of plane preparation:
// most bytes of a printed page are zero, so finding where a line's non-zero
// bytes begin and end is most of the work per line.
//
// Every function reads only the n bytes it is given, at any
// SimdLevel the processor offers, with the same result at every level.
#pragma once

#include <cstdint>

#include "platform/byte_words.h"
#include "platform/instruction_sets.h"

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

// The extent of the non-zero bytes of bytes[0 .. n-1] (first = n, last = -1
// when all are zero), for ranges that usually hold data at both ends: the
// first and last eight bytes are looked at before any scan.
inline ByteExtent findExtentFromEnds(const uint8_t* bytes, int32_t n,
                                     SimdLevel level = bestSimdLevel()) {
    if (n >= 8) {
        const uint64_t head = loadLittleWord(bytes);
        const uint64_t tail = loadLittleWord(bytes + n - 8);
        if (head != 0 && tail != 0) return {firstNonZeroByte(head), n - 8 + lastNonZeroByte(tail)};
    }
    const int32_t first = firstNonZero(bytes, n, level);
    return {first, first < n ? lastNonZero(bytes, n, level) : -1};
}

}  // namespace inkband
