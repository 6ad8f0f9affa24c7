// Turns the lines of a CUPS raster page into the module's plane lines.
//
// Banded raster (cupsColorOrder 1) holds each channel's line side by side
// with the first pixel in the top bits, which is exactly the module's plane
// line layout: a plane whose depth and levels equal the raster's points into
// the raster line itself.  Every other plane is converted once per line into
// a buffer of its own, allocated with the page: chunky raster (cupsColorOrder
// 0) is split into planes, and raster levels are mapped to the plane's levels
// (see scaleLevel).  A plane line without a non-zero byte, and a plane that no
// raster channel feeds, goes to the module as a null plane.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "inkband/inkband.h"
#include "print_modes.h"

namespace inkband::filter {

// Widest line the module takes, in pixels.
inline constexpr unsigned kMaxWidth = 32767;

inline constexpr unsigned kOrderChunky = 0;  // CUPS_ORDER_CHUNKED: C M Y K C M Y K ...
inline constexpr unsigned kOrderBanded = 1;  // CUPS_ORDER_BANDED: C C ... M M ... per line

// The raster header fields the filter works from.
struct RasterFormat {
    unsigned width = 0;  // cupsWidth
    unsigned height = 0;
    unsigned colorSpace = 0;
    unsigned bitsPerColor = 0;
    unsigned bitsPerPixel = 0;
    unsigned colorOrder = 0;
    unsigned bytesPerLine = 0;
};

// Level v of a raster channel with inBits bits as a level of the plane: the
// raster's range 0 .. 2^inBits - 1 scaled to the plane's range 0 ..
// topLevel, rounded to nearest (halves up).  Equal ranges map unchanged;
// 2-bit raster on a ternary plane gives 0 1 1 2, 4-bit raster on a 1-bit
// plane prints levels 8 .. 15, on a 2-bit plane maps 0-2, 3-7, 8-12, 13-15 to
// 0 .. 3.
uint8_t scaleLevel(unsigned v, unsigned inBits, const ModePlane& plane);

struct PlanePlan {
    int channel = -1;      // raster channel index; -1: no channel, always blank
    bool inPlace = false;  // banded raster at the plane's own levels
    unsigned outBits = 0;
    std::size_t outBytes = 0;      // bytes of the plane line handed over
    uint8_t levelMap[16] = {};     // raster level -> plane level
    uint32_t byteMap[256] = {};    // banded: one raster byte -> its pixels at the plane's depth
    std::vector<uint8_t> scratch;  // the converted line
};

struct PagePlan {
    int16_t width = 0;
    bool banded = false;
    unsigned bitsPerColor = 0;
    unsigned channelCount = 0;
    std::size_t channelBytes = 0;  // banded: bytes of one channel's line
    std::size_t bytesPerLine = 0;
    int planeCount = 0;
    PlanePlan planes[kMaxModePlanes];
};

// Checks a page's raster format and prepares its planes for the mode.
// Returns an empty string, or why the page cannot be printed.
std::string planPage(const RasterFormat& format, const PrintMode& mode, PagePlan& plan);

// Fills the plane entries of `out` for one raster line of bytesPerLine bytes.
// The pointers stay valid until the next call or until `line` changes.
void splitLine(PagePlan& plan, uint8_t* line, RasterLine& out);

}  // namespace inkband::filter
