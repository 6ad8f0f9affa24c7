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
// Error diffusion keeps white paper white and solid ink solid: amounts 0
// and 255 print level 0 and maxLevel and pass no error on.
#pragma once

#include <cstdint>
#include <vector>

namespace inkband::host {

enum class Quality : uint8_t { Draft, Normal, High };

// "draft", "normal", "high".
const char* qualityName(Quality quality);

// The quality of that name (any letter case), false when there is none.
bool parseQuality(const char* name, Quality& quality);

struct PlaneHalftone {
    Quality quality = Quality::Normal;
    int maxLevel = 1;
    int shiftX = 0, shiftY = 0;   // the plane's offset into the matrix
    bool inverted = false;        // reads the matrix upside down
    std::vector<int32_t> errors;  // error diffusion: the next line's error, width + 2
    int lines = 0;                // lines halftoned so far
};

// Prepares a plane of `width` pixels for a page, reading the matrix at the
// offset of `planeIndex`.  Allocates the error line.
void startPlaneHalftone(PlaneHalftone& plane, Quality quality, int maxLevel, int planeIndex,
                        int width, bool inverted = false);

// Halftones the plane's next line: writes `width` levels.  True when any
// level is above 0.
bool halftoneLine(PlaneHalftone& plane, const uint8_t* amounts, int width, int y, uint8_t* levels);

// The ordered-dither threshold (0 .. 254) at a position, for tests.
int ditherThreshold(Quality quality, int x, int y);

}  // namespace inkband::host
