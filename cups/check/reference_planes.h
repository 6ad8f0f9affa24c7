// What the printer must receive for a CUPS raster page in a print mode,
// worked out pixel by pixel and independently of the filter's own
// conversion code: the level of each raster pixel, the level the filter's
// documented scaling gives it on its plane, and for the ten-plane modes the
// two output levels of every source level.  Decoded stream lines are read
// back pixel by pixel too (base-3 digits for ternary planes).
#pragma once

#include <cstdint>
#include <vector>

#include "print_modes.h"
#include "raster_planes.h"

namespace inkband::check {

// One plane as the printer receives it.
struct OutputPlane {
    uint8_t letter = 0;          // as in the stream (bit 7 set on the second half of ten planes)
    int bits = 0;                // bits per pixel in the stream
    bool ternary = false;        // five base-3 pixels per byte
    int sourcePlane = 0;         // the mode's source plane feeding it
    int channel = -1;            // raster channel of that source plane; -1: blank
    unsigned topLevel = 0;       // highest level of the source plane
    std::vector<uint8_t> split;  // ten-plane modes: output level of each source level
};

// The output planes of a mode, in stream order, for raster whose channels
// carry these letters in order ("K", "CMYK").
std::vector<OutputPlane> outputPlanes(const filter::PrintMode& mode, const char* channels);

// Level of channel `channel` at pixel `pixel` of a raster line.
unsigned rasterLevel(const uint8_t* line, const filter::RasterFormat& format, unsigned channels,
                     unsigned channel, unsigned pixel);

// The level the printer must get for raster level v on this plane.
unsigned expectedLevel(const OutputPlane& plane, unsigned v, unsigned inBits);

// Level of pixel p of a decoded plane line; 0 past its end, 255 for a
// ternary byte that is no base-3 number.
unsigned decodedLevel(const std::vector<uint8_t>& bytes, const OutputPlane& plane, unsigned p);

// Pixels a decoded line of this many bytes covers.
unsigned decodedPixels(std::size_t bytes, const OutputPlane& plane);

}  // namespace inkband::check
