// Ternary packing: five 2-bit pixels of levels 0, 1, 2 become one base-3
// byte (0 .. 242), in place in the plane's line buffer.
#pragma once

#include <array>
#include <cstdint>

#include "inkband/inkband.h"

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

// Packs the 2-bit line described by `line` (data = the job's line buffer)
// in place and rewrites its width, left and right to describe the packed
// bytes, one packed byte standing where a byte of 2-bit pixels stood.
void packTernaryLine(PlaneLine* line);

}  // namespace inkband
