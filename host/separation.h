// Colour separation: 8-bit CMYK, RGB or grey pixels to the amounts of the
// inks a mode prints with, one 8-bit amount per source plane (0 none, 255
// full).  Deliberately simple and fully predictable, no colour profile:
//
//   from RGB:   c = 255 - R, m = 255 - G, y = 255 - B, k = 0
//   from grey:  k = the grey raster's value (CUPS "K": 0 is white)
//   grey = min(c, m, y), g = grey * gcr      black generation (gcr 1: all)
//   C = c - g, M = m - g, Y = y - g          under-colour removal
//   b = min(255, k + g)                      the black amount
//
// The black amount then goes to the black inks the mode has:
//   K only        K = b
//   K and k       light/dark split: k = 2b up to half, then 2(255 - b);
//                 K = max(0, 2b - 255); K + k/2 stays b, so a grey ramp
//                 fades from light black alone to dark black alone
//   k, no K       k = min(255, 2b) and the dark share max(0, 2b - 255) is
//                 composed from C, M and Y (and H where the mode has it),
//                 so that black text prints black, not light black
// A black-only mode prints the darkness of the pixel: k, 255 - luma (Rec.
// 601 weights) of RGB, or k plus the luma-weighted darkness of c, m, y.
//
// Ink limit: when the amounts of a pixel add up to more than the limit
// (percent of one ink at full; default 400, so that the composed black of
// C, M, Y and k prints at full strength), C, M and Y are scaled down
// together until they fit; the black inks are never reduced.
#pragma once

#include <cstdint>

#include "host/print_modes.h"

namespace inkband::host {

enum class PixelFormat : uint8_t {
    Grey,  // one byte per pixel: black amount (CUPS K)
    Rgb,   // three bytes: R G B, 255 is white
    Cmyk,  // four bytes: C M Y K amounts
};

int bytesPerPixel(PixelFormat format);

struct SeparationSettings {
    float gcr = 1.0f;    // share of the grey component that black prints, 0 .. 1
    int inkLimit = 400;  // most ink on one pixel, percent of one ink at full, 100 .. 600
};

// Where the black amount goes, by the black inks a mode has.
enum class BlackRule : uint8_t {
    BlackOnly,      // one black plane, no colour
    Black,          // K
    BlackAndLight,  // K and k
    LightComposed,  // k, dark share composed from C, M, Y (and H)
};

// A mode's separation, prepared once per page.
struct Separation {
    BlackRule rule = BlackRule::Black;
    int planeCount = 0;
    Ink inks[kMaxSourcePlanes] = {};  // ink of each source plane
    bool hasH = false;
    int gcr256 = 256;    // gcr in 1/256
    int inkLimit = 765;  // in 1/255 of one ink at full
};

Separation makeSeparation(const ModeInfo& mode, const SeparationSettings& settings);

// Separates `width` pixels; out[p] receives `width` amounts of source plane p.
void separateLine(const Separation& separation, PixelFormat format, const uint8_t* pixels,
                  int width, uint8_t* const* out);

// The amounts of one pixel, by ink (index: Ink), for tests and checkers.
struct InkAmounts {
    uint8_t amount[kInkCount] = {};
};
InkAmounts separatePixel(const Separation& separation, PixelFormat format, const uint8_t* pixel);

}  // namespace inkband::host
