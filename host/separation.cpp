#include "host/separation.h"

#include <algorithm>
#include <cmath>

namespace inkband::host {

namespace {

constexpr int kFull = 255;

BlackRule ruleOf(const ModeInfo& mode, bool& hasH) {
    bool colour = false, black = false, light = false;
    hasH = false;
    for (const SourcePlane& s : mode.sources) {
        colour |= s.ink == Ink::Cyan;
        black |= s.ink == Ink::Black;
        light |= s.ink == Ink::LightBlack;
        hasH |= s.ink == Ink::H;
    }
    if (!colour) return BlackRule::BlackOnly;
    if (black) return light ? BlackRule::BlackAndLight : BlackRule::Black;
    return BlackRule::LightComposed;
}

// Darkness of a pixel for the black-only mode.
int darknessOf(PixelFormat format, const uint8_t* p) {
    switch (format) {
        case PixelFormat::Grey:
            return p[0];
        case PixelFormat::Rgb:
            return kFull - ((77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8);
        case PixelFormat::Cmyk:
            return std::min(kFull, p[3] + ((77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8));
    }
    return 0;
}

// One pixel's amounts by ink.
inline void separateInto(const Separation& s, PixelFormat format, const uint8_t* p,
                         int (&a)[kInkCount]) {
    for (int& v : a) v = 0;
    if (s.rule == BlackRule::BlackOnly) {
        a[static_cast<int>(Ink::Black)] = darknessOf(format, p);
        return;
    }
    int c = 0, m = 0, y = 0, k = 0;
    if (format == PixelFormat::Cmyk) {
        c = p[0], m = p[1], y = p[2], k = p[3];
    } else if (format == PixelFormat::Rgb) {
        c = kFull - p[0], m = kFull - p[1], y = kFull - p[2];
    } else {
        k = p[0];
    }
    const int grey = (std::min({c, m, y}) * s.gcr256) >> 8;
    c -= grey, m -= grey, y -= grey;
    const int b = std::min(kFull, k + grey);
    int blacks = 0;
    switch (s.rule) {
        case BlackRule::Black:
            a[static_cast<int>(Ink::Black)] = b;
            blacks = b;
            break;
        case BlackRule::BlackAndLight:
            a[static_cast<int>(Ink::Black)] = s.dark[b];
            a[static_cast<int>(Ink::LightBlack)] = s.light[b];
            blacks = s.dark[b] + s.light[b];
            break;
        case BlackRule::LightComposed: {
            const int d = s.dark[b];
            const int light = std::min(kFull, 2 * b);
            a[static_cast<int>(Ink::LightBlack)] = light;
            blacks = light;
            if (s.hasH) {
                a[static_cast<int>(Ink::H)] = d;
                blacks += d;
            }
            c = std::min(kFull, c + d), m = std::min(kFull, m + d), y = std::min(kFull, y + d);
            break;
        }
        case BlackRule::BlackOnly:
            break;
    }
    const int colours = c + m + y;
    if (colours + blacks > s.inkLimit && colours > 0) {
        const int allowed = std::max(0, s.inkLimit - blacks);
        c = c * allowed / colours, m = m * allowed / colours, y = y * allowed / colours;
    }
    a[static_cast<int>(Ink::Cyan)] = c;
    a[static_cast<int>(Ink::Magenta)] = m;
    a[static_cast<int>(Ink::Yellow)] = y;
}

}  // namespace

int bytesPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::Grey:
            return 1;
        case PixelFormat::Rgb:
            return 3;
        case PixelFormat::Cmyk:
            return 4;
    }
    return 1;
}

Separation makeSeparation(const ModeInfo& mode, const SeparationSettings& settings) {
    Separation s;
    s.rule = ruleOf(mode, s.hasH);
    s.planeCount = static_cast<int>(mode.sources.size());
    for (int i = 0; i < s.planeCount; ++i)
        s.inks[i] = mode.sources[static_cast<std::size_t>(i)].ink;
    s.gcr256 = static_cast<int>(std::lround(std::clamp(settings.gcr, 0.0f, 1.0f) * 256));
    s.inkLimit = std::clamp(settings.inkLimit, 100, 600) * kFull / 100;
    for (int b = 0; b <= kFull; ++b) {
        s.light[b] = static_cast<uint8_t>(b <= kFull / 2 ? 2 * b : 2 * (kFull - b));
        s.dark[b] = static_cast<uint8_t>(std::max(0, 2 * b - kFull));
    }
    return s;
}

void separateLine(const Separation& separation, PixelFormat format, const uint8_t* pixels,
                  int width, uint8_t* const* out) {
    const int step = bytesPerPixel(format);
    int a[kInkCount];
    for (int x = 0; x < width; ++x, pixels += step) {
        separateInto(separation, format, pixels, a);
        for (int p = 0; p < separation.planeCount; ++p)
            out[p][x] = static_cast<uint8_t>(a[static_cast<int>(separation.inks[p])]);
    }
}

InkAmounts separatePixel(const Separation& separation, PixelFormat format, const uint8_t* pixel) {
    int a[kInkCount];
    separateInto(separation, format, pixel, a);
    InkAmounts out;
    for (int i = 0; i < kInkCount; ++i) out.amount[i] = static_cast<uint8_t>(a[i]);
    return out;
}

}  // namespace inkband::host
