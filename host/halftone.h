// Halftoning: 8-bit ink amounts to the levels 0 .. maxLevel of a plane, one
// raster line at a time, in three qualities:
//
//   Draft   ordered dither on the 8 x 8 Bayer matrix
//   Normal  ordered dither on the 16 x 16 Bayer matrix (finer tone steps)
//   High    error diffusion: serpentine Floyd-Steinberg between neighbouring
//           levels, one line of error per plane carried to the next line
//
// Ordered dither: an amount a on a plane of L levels lies between levels
// floor(a L / 255) and the next one; the pixel takes the next one when the
// remainder exceeds the matrix threshold at its position.  Plane p reads
// the matrix shifted by (3p, 5p), so that the planes' dots do not all fall
// on the same pixels.  Over any area the mean level thus matches the amount.
//
// Error diffusion (error_diffusion.h) keeps white paper white and solid ink
// solid: amounts 0 and 255 print level 0 and maxLevel and pass no error on.
#pragma once

#include <cstdint>
#include <vector>

#include "host/error_diffusion.h"

namespace inkband::host {

enum class Quality : uint8_t { Draft, Normal, High };

// "draft", "normal", "high".
const char* qualityName(Quality quality);

// The quality of that name (any letter case), false when there is none.
bool parseQuality(const char* name, Quality& quality);

// How one plane is halftoned.
struct PlaneHalftone {
    int maxLevel = 1;
    int shiftX = 0, shiftY = 0;  // the plane's offset into the matrix
    bool inverted = false;       // reads the matrix upside down
};

inline constexpr int kMaxHalftonePlanes = kDiffusionLanes;

// The halftoning of a page's planes, line after line.
struct Halftone {
    Quality quality = Quality::Normal;
    int width = 0;
    int planeCount = 0;
    PlaneHalftone planes[kMaxHalftonePlanes];
    DiffusionPlane diffusion[kMaxHalftonePlanes];  // error diffusion's levels, by amount
    // Error diffusion: the errors each pixel of the next line receives, a
    // cell of kDiffusionLanes per pixel (error_diffusion.h).
    std::vector<int16_t> errors;
    int lines = 0;  // lines halftoned so far
    // Error diffusion may use the processor's vector routine (tests turn
    // it off to run the portable one; the levels are the same).
    bool vectorCode = true;
};

// Prepares the halftoning of a page `width` pixels wide, with no plane yet.
// Allocates the error line for error diffusion.
void startHalftone(Halftone& halftone, Quality quality, int width);

// Adds a plane of levels 0 .. maxLevel (1 .. 15) that reads the matrix at
// the offset of `phase`, upside down when `inverted`.  False when the page
// has kMaxHalftonePlanes planes already or maxLevel is out of range.
bool addHalftonePlane(Halftone& halftone, int maxLevel, int phase, bool inverted = false);

// Halftones the next line, y, of every plane: plane p turns amounts[p]
// (`width` amounts) into levels[p] (`width` levels; it may be the same
// buffer as amounts[p]), and any[p] tells whether a level is above 0.
void halftoneLine(Halftone& halftone, const uint8_t* const* amounts, int y, uint8_t* const* levels,
                  bool* any);

// The ordered-dither threshold (0 .. 254) at a position, for tests.
int ditherThreshold(Quality quality, int x, int y);

}  // namespace inkband::host
