#include "print_modes.h"

namespace inkband::filter {

namespace {

constexpr ModePlane plane(char letter, uint8_t bits, char source) {
    return {letter, bits, false, static_cast<uint8_t>((1u << bits) - 1u), source};
}
constexpr ModePlane ternary(char letter, char source) { return {letter, 2, true, 2, source}; }
// A 4-bit source plane of the ten-plane modes, whose printer levels stop at top.
constexpr ModePlane levels(char letter, uint8_t top, char source) {
    return {letter, 4, false, top, source};
}

// Planes without a CUPS channel (the light black plane next to a black one,
// the H plane) are sent blank.
constexpr PrintMode kModes[] = {
    {1, "Gray", 20, 0, 1, 0, 0, 1, {plane('K', 1, 'K')}, kColorSpaceBlack, 1},
    {2,
     "CMYK",
     15,
     0,
     0,
     0,
     0,
     4,
     {plane('C', 1, 'C'), plane('M', 1, 'M'), plane('Y', 1, 'Y'), plane('K', 1, 'K')},
     kColorSpaceCmyk,
     1},
    {3,
     "CMYKTernary",
     10,
     0,
     0,
     0,
     0,
     4,
     {ternary('C', 'C'), ternary('M', 'M'), plane('Y', 1, 'Y'), plane('K', 1, 'K')},
     kColorSpaceCmyk,
     2},
    {4,
     "CMYK4421",
     5,
     0,
     0,
     0,
     0,
     4,
     {plane('C', 4, 'C'), plane('M', 4, 'M'), plane('Y', 2, 'Y'), plane('K', 1, 'K')},
     kColorSpaceCmyk,
     4},
    {5,
     "CMYLkTernary",
     10,
     0,
     0,
     1,
     0,
     4,
     {ternary('C', 'C'), ternary('M', 'M'), plane('Y', 1, 'Y'), ternary('k', 'K')},
     kColorSpaceCmyk,
     2},
    {6,
     "CMYLk4422",
     10,
     27,
     0,
     0,
     0,
     4,
     {plane('C', 4, 'C'), plane('M', 4, 'M'), plane('Y', 2, 'Y'), plane('k', 2, 'K')},
     kColorSpaceCmyk,
     4},
    {7,
     "CMYKLk",
     10,
     7,
     0,
     0,
     0,
     5,
     {ternary('C', 'C'), ternary('M', 'M'), plane('Y', 1, 'Y'), plane('K', 1, 'K'),
      ternary('k', 0)},
     kColorSpaceCmyk,
     2},
    {8,
     "CMYLkH",
     5,
     15,
     0,
     0,
     0,
     5,
     {plane('C', 4, 'C'), plane('M', 4, 'M'), plane('Y', 2, 'Y'), plane('k', 2, 'K'),
      plane('H', 4, 0)},
     kColorSpaceCmyk,
     4},
    {9,
     "TenPlane",
     0,
     51,
     0,
     0,
     0,
     5,
     {levels('C', 9, 'C'), levels('M', 9, 'M'), levels('Y', 7, 'Y'), levels('k', 4, 'K'),
      levels('H', 9, 0)},
     kColorSpaceCmyk,
     4},
    {10,
     "TenPlaneCoarse",
     10,
     40,
     1,
     0,
     0,
     5,
     {levels('C', 4, 'C'), levels('M', 4, 'M'), levels('Y', 4, 'Y'), levels('k', 4, 'K'),
      levels('H', 9, 0)},
     kColorSpaceCmyk,
     4},
};

// Raster format -> mode id when the header names no mode.
struct DefaultMode {
    unsigned colorSpace;
    unsigned bits;
    unsigned id;
};
constexpr DefaultMode kDefaults[] = {
    {kColorSpaceBlack, 1, 1}, {kColorSpaceBlack, 2, 1}, {kColorSpaceBlack, 4, 1},
    {kColorSpaceCmyk, 1, 2},  {kColorSpaceCmyk, 2, 3},  {kColorSpaceCmyk, 4, 4},
};

}  // namespace

std::span<const PrintMode> printModes() { return kModes; }

const PrintMode* findPrintMode(unsigned id) {
    for (const PrintMode& mode : kModes)
        if (mode.id == id) return &mode;
    return nullptr;
}

const PrintMode* defaultPrintMode(unsigned colorSpace, unsigned bitsPerColor) {
    for (const DefaultMode& entry : kDefaults)
        if (entry.colorSpace == colorSpace && entry.bits == bitsPerColor)
            return findPrintMode(entry.id);
    return nullptr;
}

const char* rasterChannels(unsigned colorSpace) {
    switch (colorSpace) {
        case kColorSpaceBlack:
            return "K";
        case kColorSpaceCmyk:
            return "CMYK";
        default:
            return nullptr;
    }
}

}  // namespace inkband::filter
