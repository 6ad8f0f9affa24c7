// Colour separation: how the tool turns an RGB pixel into amounts of the
// inks a mode prints with.  Deliberately simple and fully predictable:
//
//   c = 1 - R/255, m = 1 - G/255, y = 1 - B/255   (no gamma, no profile)
//   grey = min(c, m, y)                           the black component
//   black = grey * gcr                            black generation (default
//                                                  gcr 1: all grey to black)
//   C = c - black, M = m - black, Y = y - black   under-colour removal
//
// The black amount then goes to the mode's black planes:
//   K only                K = black
//   k only                k = black (the light black carries all of it)
//   K and k               light/dark split: k = 2 black for black <= 1/2,
//                         2 - 2 black above; K = max(0, 2 black - 1)
//   k and H (no K)        the same split with H as the dark share
// The split keeps K + k/2 equal to the black amount, so a grey ramp fades
// from light black alone to dark black alone.  The "black" mode prints
// 1 - luma (Rec. 601 weights) on its one plane and ignores colour.
#pragma once

#include <array>
#include <cstdint>

#include "inkband/modes.h"

namespace inkband::tool {

inline constexpr int kInkCount = 6;
using InkAmounts = std::array<float, kInkCount>;  // indexed by Ink, 0 .. 1

struct SeparationSettings {
    float gcr = 1.0f;  // share of the grey component that black prints, 0 .. 1
};

// Which black planes a mode has decides where the black amount goes.
struct InkSet {
    bool colour = false;      // has C, M and Y
    bool black = false;       // has K
    bool lightBlack = false;  // has k
    bool h = false;           // has H
};
InkSet inkSetOf(const ModeInfo& mode);

InkAmounts separatePixel(uint8_t r, uint8_t g, uint8_t b, const InkSet& inks,
                         const SeparationSettings& settings);

inline float amountOf(const InkAmounts& a, Ink ink) { return a[static_cast<int>(ink)]; }

}  // namespace inkband::tool
