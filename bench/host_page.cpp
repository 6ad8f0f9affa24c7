#include "host_page.h"

#include <cstring>

namespace inkband::bench {

const HostMode kHostModes[] = {
    {"cmyk_2t2t11",
     10,
     0,
     0,
     4,
     {{0, 2, Levels::kTernary},
      {1, 2, Levels::kTernary},
      {2, 1, Levels::kBinary},
      {3, 1, Levels::kBinary}}},
    {"cmyk_4421",
     5,
     0,
     0,
     4,
     {{0, 4, Levels::kFourBit},
      {1, 4, Levels::kFourBit},
      {2, 2, Levels::kTwoBit},
      {3, 1, Levels::kBinary}}},
    {"cmyk_1111",
     15,
     0,
     0,
     4,
     {{0, 1, Levels::kBinary},
      {1, 1, Levels::kBinary},
      {2, 1, Levels::kBinary},
      {3, 1, Levels::kBinary}}},
    // Class 5, C M Y K k: the rendered K feeds K (dark levels) and k.
    {"five_cmykk",
     10,
     7,
     0,
     5,
     {{0, 2, Levels::kTernary},
      {1, 2, Levels::kTernary},
      {2, 1, Levels::kBinary},
      {3, 1, Levels::kDark},
      {3, 2, Levels::kTernary}}},
    // Class 7, C M Y k H split into ten planes: K feeds k, H stays blank.
    {"ten_split",
     0,
     51,
     0,
     5,
     {{0, 4, Levels::kSplit},
      {1, 4, Levels::kSplit},
      {2, 4, Levels::kSplit},
      {3, 4, Levels::kSplit},
      {-1, 4, Levels::kSplit}}},
};
const int kHostModeCount = static_cast<int>(sizeof kHostModes / sizeof kHostModes[0]);

const HostMode* findHostMode(const char* name) {
    for (const HostMode& mode : kHostModes)
        if (std::strcmp(mode.name, name) == 0) return &mode;
    return nullptr;
}

namespace {

unsigned convertLevel(unsigned v, Levels levels) {
    switch (levels) {
        case Levels::kBinary:
            return v != 0;
        case Levels::kDark:
            return v >= 2;
        case Levels::kTernary:
            return v > 2 ? 2 : v;
        case Levels::kTwoBit:
            return v;
        case Levels::kFourBit:
            return v * 5;
        case Levels::kSplit:
            return v * 3;
    }
    return 0;
}

std::size_t planeLineBytes(uint32_t width, int bits) { return (std::size_t{width} * bits + 7) / 8; }

}  // namespace

HostPage makeHostPage(const CupsPage& page, const HostMode& mode) {
    HostPage host;
    JobSettings& s = host.settings;
    std::memset(&s, 0, sizeof s);
    s.modeRowCode = mode.rowCode;
    s.modeColumnCode = mode.columnCode;
    s.modeOptionA = mode.optionA;
    s.resolution = 600;
    s.lineWidth = static_cast<int16_t>(page.width);

    std::size_t perLine = 0;
    host.planeCount = mode.planeCount;
    for (int i = 0; i < mode.planeCount; ++i) {
        host.planeLineSize[i] = planeLineBytes(page.width, mode.planes[i].bits);
        perLine += host.planeLineSize[i];
    }
    host.rasterBytes = perLine * page.height;
    host.planeBytes.assign(host.rasterBytes, 0);

    // Banded 2-bit CMYK: plane c of line y starts at y * bytesPerLine +
    // c * bytesPerLine / 4; pixel p in byte p / 4, first pixel in the top bits.
    const std::size_t cupsPlane = page.bytesPerLine / 4;
    uint8_t* out = host.planeBytes.data();
    for (uint32_t y = 0; y < page.height; ++y) {
        for (int i = 0; i < mode.planeCount; ++i) {
            const HostPlane& plane = mode.planes[i];
            const std::size_t bytes = host.planeLineSize[i];
            if (plane.source >= 0) {
                const uint8_t* in =
                    page.raster.data() + y * page.bytesPerLine + plane.source * cupsPlane;
                for (uint32_t p = 0; p < page.width; ++p) {
                    unsigned v = (in[p / 4] >> (6 - 2 * (p % 4))) & 3;
                    unsigned level = convertLevel(v, plane.levels);
                    unsigned perByte = 8 / plane.bits;
                    out[p / perByte] |=
                        static_cast<uint8_t>(level << (8 - plane.bits * (1 + p % perByte)));
                }
            }
            out += bytes;
        }
    }
    host.lines.resize(page.height);
    pointLines(&host);
    return host;
}

void pointLines(HostPage* page) {
    const int16_t width = page->settings.lineWidth;
    uint8_t* at = page->planeBytes.data();
    for (std::size_t y = 0; y < page->lines.size(); ++y) {
        RasterLine& line = page->lines[y];
        std::memset(&line, 0, sizeof line);
        line.line = static_cast<int32_t>(y);
        for (int i = 0; i < page->planeCount; ++i) {
            line.planes[i].data = at;
            line.planes[i].width = width;
            at += page->planeLineSize[i];
        }
    }
}

}  // namespace inkband::bench
