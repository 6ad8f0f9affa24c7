// Error diffusion: serpentine Floyd-Steinberg between neighbouring levels,
// for the planes of a page together.
//
// Values are in 1/255 of a level: a pixel of amount a wants a * maxLevel.
// It prints the level nearest to that plus the errors it receives, and
// passes what is left on: 7/16 to the next pixel of its line, 3/16, 5/16
// and 1/16 to the pixels behind, below and ahead on the next line.  Shares
// are summed in 1/16 and divided (rounding down) once, when a pixel takes
// them.  Amounts 0 and 255 print level 0 and maxLevel and pass nothing on,
// so white paper stays white and solid ink solid.
//
// Errors stay within half a level or so (|error| <= 128), so the error a
// pixel receives fits 16 bits with room to spare.  The next line's errors
// are kept per pixel as a cell of kDiffusionLanes 16-bit values, lane p for
// plane p: vector code diffuses all the planes of a pixel at once.
#pragma once

#include <cstdint>

namespace inkband::host {

inline constexpr int kDiffusionLanes = 8;

// One amount's view of a plane: its nearest level, the rest (amount x
// maxLevel - 255 x level, -127 .. 127), and how far the errors it receives
// may move it before the level above (up) or below (down) is nearer.  Ends
// of the scale keep INT16_MAX and INT16_MIN: never past the plane's levels.
struct DiffusionStep {
    int16_t rest = 0;
    int16_t up = 0, down = 0;
    uint8_t level = 0;
};

// How one plane is diffused: levels 0 .. maxLevel (1 .. 15), by amount.
struct DiffusionPlane {
    int maxLevel = 1;
    DiffusionStep steps[256];
};

void makeDiffusionPlane(DiffusionPlane& plane, int maxLevel);

// Cells a line `width` pixels wide needs: one per pixel and one of padding
// at each end, kDiffusionLanes values each.
inline int diffusionCells(int width) { return width + 2; }

// Diffuses one line of `count` planes (1 .. kDiffusionLanes): plane p turns
// amounts[p] into levels[p] (both `width` bytes, possibly the same buffer)
// and any[p] tells whether a level is above 0.  `cells` (diffusionCells
// values of kDiffusionLanes) holds the errors the line above left, and
// receives those this line leaves; its ends are left zero.  `leftward`
// runs the line from its right end.  `vectorCode` lets the processor's
// vector routine run where it has one (same levels and errors either way).
void diffuseLine(const DiffusionPlane* planes, int count, const uint8_t* const* amounts,
                 uint8_t* const* levels, bool* any, int16_t* cells, int width, bool leftward,
                 bool vectorCode);

}  // namespace inkband::host
