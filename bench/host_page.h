// What a host hands the module for one page: the CUPS page converted, outside
// any timed region, into the plane lines of a print mode, and one RasterLine
// record per raster line pointing at them.
#pragma once

#include <cstdint>
#include <vector>

#include "cups_page.h"
#include "inkband/inkband.h"

namespace inkband::bench {

// How a host turns a 2-bit CMYK level (0 .. 3) into a level of the plane.
enum class Levels : uint8_t {
    kBinary,   // 1 bit: any ink
    kDark,     // 1 bit: levels 2 and 3 only
    kTernary,  // 2 bits, levels 0 .. 2 (3 printed as 2)
    kTwoBit,   // 2 bits as rendered
    kFourBit,  // 4 bits, 0 5 10 15
    kSplit,    // 4 bits for the ten-plane split: 0 3 6 9
};

struct HostPlane {
    int source;  // CMYK plane of the rendered page (0 .. 3); -1: always blank
    int bits;    // 1, 2 or 4
    Levels levels;
};

struct HostMode {
    const char* name;
    int16_t rowCode;
    int16_t columnCode;
    int16_t optionA;
    int planeCount;  // source planes the mode takes
    HostPlane planes[INKBAND_MAX_SOURCE_PLANES];
};

// The modes the benchmarks run: the three class 3 depth sets, the five-plane
// class (C M Y K k) and the ten-plane split class.
extern const HostMode kHostModes[];
extern const int kHostModeCount;
const HostMode* findHostMode(const char* name);

struct HostPage {
    JobSettings settings{};           // 600 dpi: 16-line bands
    std::vector<uint8_t> planeBytes;  // every plane line of the page
    std::vector<RasterLine> lines;    // one per raster line
    std::size_t rasterBytes = 0;      // bytes the module is given per page
    int planeCount = 0;
    std::size_t planeLineSize[INKBAND_MAX_SOURCE_PLANES] = {};  // bytes per plane line
};

// Converts a banded 2-bit CMYK page into the mode's plane lines.  Every
// plane line covers the full width (left 0, right 0), as a host that does
// not trim would give it; blank planes of a line are passed as they are.
HostPage makeHostPage(const CupsPage& page, const HostMode& mode);

// Re-points the RasterLine records at planeBytes (after a copy or a move).
void pointLines(HostPage* page);

}  // namespace inkband::bench
