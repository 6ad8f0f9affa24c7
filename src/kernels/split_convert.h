// The inner loop of the ten-plane split: one 4-bit source line into one
// output line of 4 or 2 bits per pixel, each pixel level mapped through a
// 16-entry table, the output's non-zero bytes found on the way.
//
// Reads source[0 .. u-1] and writes exactly out[0 .. n-1], n = u for a 4-bit
// output and (u + 1) / 2 for a 2-bit one, at any SimdLevel the processor
// offers, with the same result at every level.
#pragma once

#include <cstdint>

#include "kernels/zero_scan.h"
#include "platform/instruction_sets.h"

namespace inkband {

// The output value of each 4-bit source level, ready to combine: a source
// byte (levels h, l) gives high[h] | low[l], where low[v] is the output
// level and high[v] the same moved up by the output's bits per pixel.
struct SplitNibbles {
    uint8_t low[16];
    uint8_t high[16];
};

// Builds the maps from a level table: level v < length prints as levels[v]
// (masked to outputBits), any other level as 0.
constexpr SplitNibbles makeSplitNibbles(const uint8_t* levels, int length, int outputBits) {
    SplitNibbles maps{};
    const unsigned mask = (1u << outputBits) - 1;
    for (int v = 0; v < 16; ++v) {
        const unsigned w = v < length ? levels[v] & mask : 0;
        maps.low[v] = static_cast<uint8_t>(w);
        maps.high[v] = static_cast<uint8_t>(w << outputBits);
    }
    return maps;
}

// Converts u source bytes into a 4-bit (outputBits 4) or 2-bit (outputBits
// 2) output line and returns the extent of its non-zero bytes (first = n,
// last = -1 when all are zero).  levels.low[0] must be 0, as in every
// level table, so zero source bytes give zero output bytes.
ByteExtent convertSplitLine(uint8_t* out, const uint8_t* source, int32_t u, int outputBits,
                            const SplitNibbles& levels, SimdLevel level = bestSimdLevel());

// One output of a pair conversion: its line, its maps, and (filled in)
// the extent of its non-zero bytes.
struct SplitOutput {
    uint8_t* out;
    const SplitNibbles* levels;
    ByteExtent extent;
};

// convertSplitLine into two outputs of the same depth at once, the source
// read once: the two planes a source plane feeds.
void convertSplitPair(SplitOutput* outputs, const uint8_t* source, int32_t u, int outputBits,
                      SimdLevel level = bestSimdLevel());

}  // namespace inkband
