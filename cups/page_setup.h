// What the filter prints a CUPS raster page with, read from its header: the
// print mode (cupsInteger0: the PPD's ColorModel choice), the quality
// (cupsInteger1: IPP print-quality, 3 draft, 4 normal, 5 high), the ink
// limit (cupsInteger2: percent), the pixel format of the raster, and the
// module's settings for the page.
//
// The filter takes 8-bit contone raster, one byte per colour, chunky:
// CMYK (cupsColorSpace 6), black (3, CUPS K: 0 is white), white-based grey
// (0 W, 18 sGray) or RGB (1 RGB, 19 sRGB).  It separates and halftones every
// plane itself (host/plane_lines.h).
#pragma once

#include <cups/raster.h>

#include <string>

#include "host/plane_lines.h"
#include "inkband/inkband.h"

namespace inkband::filter {

struct PageSetup {
    const host::ModeInfo* mode = nullptr;
    host::PixelFormat format = host::PixelFormat::Cmyk;
    bool invert = false;  // white-based grey: 255 is white
    host::LineSettings line;
    JobSettings settings{};
    unsigned width = 0;
    unsigned height = 0;
    unsigned bytesPerLine = 0;
};

// The mode for a header: the one cupsInteger0 names, or, when it names
// none, the black-only mode for grey raster and the default colour mode for
// colour raster.  Null for an id with no mode.
const host::ModeInfo* modeForHeader(const cups_page_header2_t& header);

// Reads a page header.  Returns an empty string, or why the page cannot be
// printed.
std::string setUpPage(const cups_page_header2_t& header, PageSetup& setup);

}  // namespace inkband::filter
