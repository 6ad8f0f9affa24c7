// Test pages in CUPS raster form: a value per channel and pixel, packed
// into chunky (or, for pages the filter must refuse, banded) raster lines of
// 8 bits per colour (or fewer), and written as an uncompressed (RaS3) raster
// stream that libcups reads back like Ghostscript's output.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rastertest {

// Value of channel c at pixel (x, y): 0 .. 2^bits - 1.
using LevelFunction = std::function<unsigned(unsigned c, unsigned x, unsigned y)>;

struct TestPage {
    unsigned width = 0;
    unsigned height = 0;
    unsigned colorSpace = 6;  // 6 CMYK, 3 K, 0 W, 18 sGray, 1 RGB, 19 sRGB
    unsigned bits = 8;        // per colour
    unsigned order = 0;       // 0 chunky, 1 banded
    unsigned modeId = 0;      // cupsInteger0
    unsigned quality = 0;     // cupsInteger1: 3 draft, 4 normal, 5 high
    unsigned inkLimit = 0;    // cupsInteger2, percent
    unsigned dpi = 300;
    LevelFunction level;
};

// Channels of a colour space: 4 for CMYK, 3 for RGB and CMY, 1 otherwise.
unsigned channelsOf(unsigned colorSpace);

// The page header libcups would read for the page.  PageSize is the page
// in points, rounded down.
cups_page_header2_t headerOf(const TestPage& page);

// Raster line y of the page.
std::vector<uint8_t> rasterLine(const TestPage& page, unsigned y);

// The sync word, then for each page its header and lines.
std::vector<uint8_t> rasterStream(const std::vector<TestPage>& pages);

// The sync word and one page header: the start of a stream whose lines
// follow separately.
std::vector<uint8_t> rasterStart(const TestPage& page);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace rastertest
