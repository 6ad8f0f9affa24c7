// Test pages in CUPS raster form: pixel levels per channel, packed into
// banded or chunky raster lines and written as an uncompressed (RaS3)
// raster stream that libcups reads back like Ghostscript's output.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rastertest {

// Level of channel c at pixel (x, y).
using LevelFunction = std::function<unsigned(unsigned c, unsigned x, unsigned y)>;

struct TestPage {
    unsigned width = 0;
    unsigned height = 0;
    unsigned colorSpace = 6;  // 3 black, 6 CMYK
    unsigned bits = 1;
    unsigned order = 1;   // 0 chunky, 1 banded
    unsigned modeId = 0;  // cupsInteger0
    unsigned dpi = 300;
    LevelFunction level;
};

unsigned channelsOf(unsigned colorSpace);

// The page header libcups would read for the page.
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
