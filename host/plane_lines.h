// From a line of 8-bit pixels to the module's input record: separation into
// the mode's inks, halftoning of every source plane to its levels, packing
// at its depth.  Everything is allocated when a page starts; a line costs no
// allocation.  Every host (the tool, the CUPS filter, the printer
// application) makes its plane lines here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/halftone.h"
#include "host/print_modes.h"
#include "host/separation.h"
#include "inkband/inkband.h"

namespace inkband::host {

struct LineSettings {
    SeparationSettings separation;
    Quality quality = Quality::Normal;
};

struct PlaneLines {
    const ModeInfo* mode = nullptr;
    PixelFormat format = PixelFormat::Cmyk;
    int width = 0;
    int planeCount = 0;
    Separation separation;
    Halftone halftone;
    std::vector<uint8_t> amounts[kMaxSourcePlanes];  // the line's separated ink amounts
    std::vector<uint8_t> levels[kMaxSourcePlanes];   // its halftoned levels
    std::vector<uint8_t> packed[kMaxSourcePlanes];   // its packed plane bytes
};

// Prepares a page of `width` pixels.  Returns an empty string, or why the
// page cannot be printed (a width of 0 or past the module's 32767 pixels).
std::string startPlaneLines(PlaneLines& lines, const ModeInfo& mode, PixelFormat format, int width,
                            const LineSettings& settings);

// Makes line y from `pixels` (width pixels in the page's format) and fills
// `out`: its line number and one plane entry per source plane, pointing into
// `lines` (valid until the next call), NULL data for a plane without ink on
// this line.  True when any plane has ink.
bool makeRasterLine(PlaneLines& lines, const uint8_t* pixels, int32_t y, RasterLine& out);

}  // namespace inkband::host
