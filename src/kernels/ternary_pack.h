// Ternary packing: five 2-bit pixels of levels 0, 1, 2 become one base-3
// byte (0 .. 242), in place in the plane's line buffer.
#pragma once

#include <array>
#include <cstdint>

#include "inkband/inkband.h"
#include "kernels/zero_scan.h"
#include "platform/instruction_sets.h"

namespace inkband {

inline constexpr int kTernaryPackEntries = 1024;  // five 2-bit pixels

// Entry for five pixels d0 .. d4 (d0 in bits 9-8): d0*81 + d1*27 + d2*9 +
// d3*3 + d4 when every pixel is 0, 1 or 2; 0 when any pixel is 3.
constexpr std::array<uint8_t, kTernaryPackEntries> makeTernaryPackTable() {
    std::array<uint8_t, kTernaryPackEntries> table{};
    for (int index = 0; index < kTernaryPackEntries; ++index) {
        int value = 0;
        bool valid = true;
        for (int shift = 8; shift >= 0; shift -= 2) {
            int pixel = (index >> shift) & 3;
            if (pixel == 3) valid = false;
            value = value * 3 + pixel;
        }
        table[index] = valid ? static_cast<uint8_t>(value) : 0;
    }
    return table;
}

inline constexpr std::array<uint8_t, kTernaryPackEntries> TernaryPackTable = makeTernaryPackTable();

// Packed bytes of a line of n source bytes: one per five pixels, the last
// group completed with zero pixels.
inline int32_t ternaryPackedSize(int32_t n) { return n - n / 5; }

// First byte of the five-byte block (four packed bytes) holding `byte`.
inline int32_t ternaryBlockStart(int32_t byte) { return byte - byte % 5; }

// Packs the 2-bit line described by `line` (data = the job's line buffer)
// in place, for the line's non-zero bytes first .. last (first <= last),
// and rewrites its width, left and right to describe the packed bytes, one
// packed byte standing where a byte of 2-bit pixels stood: left at the
// first non-zero packed byte, right 0.  The packed bytes that cover first .. last are made from the
// bytes from first's five-byte block to last + 1: those of them inside the span but outside first
// .. last must be zero, those before the span are cleared here.  The rest of the buffer is left
// undefined (the packing may read further bytes of the span, and their packed bytes are not used).
// Returns the extent of the non-zero packed bytes (first = the packed size when there is none).
ByteExtent packTernarySpan(PlaneLine* line, int32_t first, int32_t last,
                           SimdLevel level = bestSimdLevel());

// Packed bytes g0 .. g1 of the n source bytes at `bytes`, written in place
// at bytes[g0 .. g1]; g0 is a multiple of 4 (packed byte 4k starts at source
// byte 5k) and g1 < ternaryPackedSize(n).  Source bytes past n-1 count as
// zero and are not read.
void packTernaryGroups(uint8_t* bytes, int32_t n, int32_t g0, int32_t g1, SimdLevel level);

}  // namespace inkband
