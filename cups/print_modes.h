// The print modes the filter offers.  Each mode names the settings codes that
// select it in the module, the source planes the module then expects (letter,
// depth, ternary packing, highest level used) and the CUPS raster channel
// that feeds each plane.  The PPD's ColorModel choices put a mode's id into
// cupsInteger0 of the raster header and ask Ghostscript for the raster
// format listed here.
#pragma once

#include <cstdint>
#include <span>

namespace inkband::filter {

inline constexpr int kMaxModePlanes = 5;

// One source plane, in the module's plane order for the mode.
struct ModePlane {
    char letter;       // C M Y K, k (light black), H
    uint8_t bits;      // bits per pixel the module takes: 1, 2 or 4
    bool ternary;      // 2-bit plane packed in base 3: levels 0, 1 and 2 only
    uint8_t topLevel;  // highest level the plane prints
    char source;       // raster channel ('C', 'M', 'Y' or 'K'); 0: no channel, always blank
};

struct PrintMode {
    uint8_t id;        // value of cupsInteger0 that selects the mode
    const char* name;  // PPD ColorModel choice
    int16_t rowCode;
    int16_t columnCode;
    int16_t optionA;
    int16_t optionB;
    int16_t optionC;
    uint8_t planeCount;  // source planes
    ModePlane planes[kMaxModePlanes];
    uint8_t rasterColorSpace;  // the raster the PPD asks for: 3 black, 6 CMYK
    uint8_t rasterBits;        // its bits per colour
};

// CUPS colour spaces the filter reads.
inline constexpr unsigned kColorSpaceBlack = 3;  // CUPS_CSPACE_K
inline constexpr unsigned kColorSpaceCmyk = 6;   // CUPS_CSPACE_CMYK

std::span<const PrintMode> printModes();

// The mode with this id, or null.
const PrintMode* findPrintMode(unsigned id);

// The mode for a raster header that names none (cupsInteger0 = 0): black
// raster prints in the black mode, CMYK raster at 1, 2 or 4 bits in the CMYK
// mode of that depth.  Null when the format has no such mode.
const PrintMode* defaultPrintMode(unsigned colorSpace, unsigned bitsPerColor);

// Letters of the channels of a CUPS colour space in raster order ("K",
// "CMYK"), or null for a colour space the filter does not read.
const char* rasterChannels(unsigned colorSpace);

}  // namespace inkband::filter
