// The first page of a CUPS raster file (version 3: uncompressed, sync word
// "RaS3" in either byte order): the header fields the benchmarks use and the
// page's raster bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace inkband::bench {

struct CupsPage {
    uint32_t width = 0;           // pixels per line
    uint32_t height = 0;          // lines
    uint32_t bitsPerColor = 0;    // 1, 2, 4, 8 or 16
    uint32_t bytesPerLine = 0;    // every line, all colours
    uint32_t colorOrder = 0;      // 0 chunky, 1 banded, 2 planar
    uint32_t colorSpace = 0;      // 6: CMYK
    std::vector<uint8_t> raster;  // height * bytesPerLine bytes
};

// Reads the first page of `path`; false with a message in *error when the
// file is missing, is not a version-3 raster or is cut short.
bool loadCupsPage(const std::string& path, CupsPage* page, std::string* error);

}  // namespace inkband::bench
