// The line state every plane keeps: where a plane line's non-zero bytes lie
// and its place in the band grid.
#pragma once

#include <cstdint>

namespace inkband {

// Whether a plane line holds data.
enum LineBlank : int16_t {
    kLineBlank = 1,     // no non-zero byte, or no data at all
    kLineHasData = -2,  // first .. last hold its non-zero bytes
};

// Where one plane line lies: its non-zero bytes and its place in the band grid.
struct LineExtent {
    int32_t first;       // first non-zero byte of the prepared line; 0 if blank
    int32_t last;        // last non-zero byte; 0 if blank
    int16_t lineInBand;  // line % bandHeight; -1 in pending: no line of the band yet
    int32_t line;        // raster line number
    int32_t band;        // line / bandHeight
    LineBlank blank;     // whether the line holds a non-zero byte
};

// Start values of a plane's line state at the top of a page.
inline constexpr LineExtent kLineExtentStart = {0, 0, -1, 0, 0, kLineBlank};

}  // namespace inkband
