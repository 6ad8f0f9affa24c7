// Ordered dithering of ink amounts to the levels of a plane, and packing of
// levels into the bytes the module takes.
//
// A pixel of amount a on a plane with levels 0 .. L is given level
// floor(a L) + 1 when the fractional part of a L exceeds the dither
// threshold at its position, else floor(a L).  The thresholds are the
// classic recursive Bayer matrices (8 x 8 or 16 x 16), (index + 0.5) / n^2;
// plane p reads the matrix shifted by (3p, 5p) so that the planes' dots do
// not all fall on the same pixels.
#pragma once

#include <cstdint>

namespace inkband::tool {

enum class DitherMatrix { Bayer8 = 8, Bayer16 = 16 };

float ditherThreshold(DitherMatrix matrix, int x, int y, int plane);

// Level 0 .. maxLevel for an amount 0 .. 1.
int halftoneLevel(float amount, int maxLevel, float threshold);

// Packs width levels (each below 2^bits) at bits per pixel, the first pixel
// in the most significant bits; writes (width * bits + 7) / 8 bytes.
void packLevels(const uint8_t* levels, int width, int bits, uint8_t* out);

}  // namespace inkband::tool
