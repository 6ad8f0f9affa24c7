#include "host/separation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// The light-black and dark shares of a black amount b (see separation.h).
inline int lightShare(int b) { return std::min(2 * b, 2 * (kFull - b)); }
inline int darkShare(int b) { return std::max(0, 2 * b - kFull); }

// One pixel's amounts by ink.  Format, black rule and whether the mode has
// H are template arguments, so that each combination is compiled with no
// decision left per pixel.
template <PixelFormat F, BlackRule R, bool WithH>
inline void pixelAmounts(const Separation& s, const uint8_t* p, int (&a)[kInkCount]) {
    if constexpr (R == BlackRule::BlackOnly) {
        if constexpr (F == PixelFormat::Grey)
            a[static_cast<int>(Ink::Black)] = p[0];
        else if constexpr (F == PixelFormat::Rgb)
            a[static_cast<int>(Ink::Black)] =
                kFull - ((77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8);
        else
            a[static_cast<int>(Ink::Black)] =
                std::min(kFull, p[3] + ((77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8));
        return;
    }
    int c = 0, m = 0, y = 0, k = 0;
    if constexpr (F == PixelFormat::Cmyk) {
        c = p[0], m = p[1], y = p[2], k = p[3];
    } else if constexpr (F == PixelFormat::Rgb) {
        c = kFull - p[0], m = kFull - p[1], y = kFull - p[2];
    } else {
        k = p[0];
    }
    const int grey = (std::min({c, m, y}) * s.gcr256) >> 8;
    c -= grey, m -= grey, y -= grey;
    const int b = std::min(kFull, k + grey);
    int blacks = 0;
    if constexpr (R == BlackRule::Black) {
        a[static_cast<int>(Ink::Black)] = b;
        blacks = b;
    } else if constexpr (R == BlackRule::BlackAndLight) {
        a[static_cast<int>(Ink::Black)] = darkShare(b);
        a[static_cast<int>(Ink::LightBlack)] = lightShare(b);
        blacks = darkShare(b) + lightShare(b);
    } else {
        const int d = darkShare(b);
        const int light = std::min(kFull, 2 * b);
        a[static_cast<int>(Ink::LightBlack)] = light;
        blacks = light;
        if constexpr (WithH) {
            a[static_cast<int>(Ink::H)] = d;
            blacks += d;
        }
        c = std::min(kFull, c + d), m = std::min(kFull, m + d), y = std::min(kFull, y + d);
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

// Where each ink's amounts go; a rule writes only inks its modes have.
struct InkRows {
    uint8_t* c;
    uint8_t* m;
    uint8_t* y;
    uint8_t* k;
    uint8_t* light;
    uint8_t* h;
};

template <PixelFormat F, BlackRule R, bool WithH>
inline void storePixel(const Separation& s, const uint8_t* pixel, const InkRows& to, int x) {
    int a[kInkCount] = {};
    pixelAmounts<F, R, WithH>(s, pixel, a);
    if constexpr (R == BlackRule::BlackOnly) {
        to.k[x] = static_cast<uint8_t>(a[static_cast<int>(Ink::Black)]);
    } else {
        to.c[x] = static_cast<uint8_t>(a[static_cast<int>(Ink::Cyan)]);
        to.m[x] = static_cast<uint8_t>(a[static_cast<int>(Ink::Magenta)]);
        to.y[x] = static_cast<uint8_t>(a[static_cast<int>(Ink::Yellow)]);
        if constexpr (R == BlackRule::Black || R == BlackRule::BlackAndLight)
            to.k[x] = static_cast<uint8_t>(a[static_cast<int>(Ink::Black)]);
        if constexpr (R != BlackRule::Black)
            to.light[x] = static_cast<uint8_t>(a[static_cast<int>(Ink::LightBlack)]);
        if constexpr (WithH) to.h[x] = static_cast<uint8_t>(a[static_cast<int>(Ink::H)]);
    }
}

using i16 = int16_t;
inline i16 low(i16 a, i16 b) { return a < b ? a : b; }
inline i16 high(i16 a, i16 b) { return a > b ? a : b; }
constexpr i16 kFull16 = kFull;

// Pixels are separated in blocks of kBlock: the channels are first copied
// out of the interleaved pixels, then one loop of fixed length without
// branches computes the amounts, which compilers turn into vector code.  The
// ink limit, which only a few pixels reach, is left to pixelAmounts: a block
// with such a pixel redoes that pixel.  Both ways give the same amounts.
constexpr int kBlock = 16;

template <PixelFormat F, BlackRule R, bool WithH>
void separateBlock(const Separation& s, const uint8_t* pixels, const InkRows& to, int x0) {
    constexpr int kStep = F == PixelFormat::Grey ? 1 : F == PixelFormat::Rgb ? 3 : 4;
    uint8_t ch[4][kBlock];
    for (int j = 0; j < kBlock; ++j)
        for (int i = 0; i < kStep; ++i) ch[i][j] = pixels[kStep * j + i];
    // 16-bit lanes: every intermediate value fits, and the compilers'
    // vectorisers handle 16-bit minimum and maximum on every target.
    if constexpr (R == BlackRule::BlackOnly) {
        uint8_t* const k = to.k + x0;
        for (int j = 0; j < kBlock; ++j) {
            if constexpr (F == PixelFormat::Grey) {
                k[j] = ch[0][j];
            } else {
                // 77 + 150 + 29 = 256: the weighted sum stays below 65536.
                const auto luma = static_cast<uint16_t>(
                    static_cast<uint16_t>(77 * ch[0][j] + 150 * ch[1][j] + 29 * ch[2][j] + 128) >>
                    8);
                if constexpr (F == PixelFormat::Rgb)
                    k[j] = static_cast<uint8_t>(kFull16 - luma);
                else
                    k[j] = static_cast<uint8_t>(low(kFull16, static_cast<i16>(ch[3][j] + luma)));
            }
        }
        return;
    }
    // Amounts by ink (C M Y K k H) in local rows, copied out at the end.
    uint8_t a[kInkCount][kBlock];
    i16 over[kBlock];
    const auto gcr = static_cast<uint16_t>(s.gcr256);
    const auto limit = static_cast<i16>(s.inkLimit);
    for (int j = 0; j < kBlock; ++j) {
        i16 c = 0, m = 0, y = 0, k = 0;
        if constexpr (F == PixelFormat::Cmyk) {
            c = ch[0][j], m = ch[1][j], y = ch[2][j], k = ch[3][j];
        } else if constexpr (F == PixelFormat::Rgb) {
            c = static_cast<i16>(kFull16 - ch[0][j]), m = static_cast<i16>(kFull16 - ch[1][j]),
            y = static_cast<i16>(kFull16 - ch[2][j]);
        } else {
            k = ch[0][j];
        }
        // At most 255 * 256: fits 16 bits unsigned.
        const auto grey = static_cast<i16>(
            static_cast<uint16_t>(static_cast<uint16_t>(low(c, low(m, y))) * gcr) >> 8);
        c = static_cast<i16>(c - grey), m = static_cast<i16>(m - grey),
        y = static_cast<i16>(y - grey);
        const i16 b = low(kFull16, static_cast<i16>(k + grey));
        i16 blacks = 0;
        if constexpr (R == BlackRule::Black) {
            a[3][j] = static_cast<uint8_t>(b);
            blacks = b;
        } else if constexpr (R == BlackRule::BlackAndLight) {
            const i16 dark = high(0, static_cast<i16>(2 * b - kFull16));
            const i16 light = low(static_cast<i16>(2 * b), static_cast<i16>(2 * (kFull16 - b)));
            a[3][j] = static_cast<uint8_t>(dark);
            a[4][j] = static_cast<uint8_t>(light);
            blacks = static_cast<i16>(dark + light);
        } else {
            const i16 d = high(0, static_cast<i16>(2 * b - kFull16));
            const i16 light = low(kFull16, static_cast<i16>(2 * b));
            a[4][j] = static_cast<uint8_t>(light);
            a[5][j] = static_cast<uint8_t>(d);
            blacks = WithH ? static_cast<i16>(light + d) : light;
            c = low(kFull16, static_cast<i16>(c + d)), m = low(kFull16, static_cast<i16>(m + d)),
            y = low(kFull16, static_cast<i16>(y + d));
        }
        over[j] = static_cast<i16>(static_cast<i16>(c + m + y + blacks) > limit);
        a[0][j] = static_cast<uint8_t>(c);
        a[1][j] = static_cast<uint8_t>(m);
        a[2][j] = static_cast<uint8_t>(y);
    }
    std::memcpy(to.c + x0, a[0], kBlock);
    std::memcpy(to.m + x0, a[1], kBlock);
    std::memcpy(to.y + x0, a[2], kBlock);
    if constexpr (R != BlackRule::LightComposed) std::memcpy(to.k + x0, a[3], kBlock);
    if constexpr (R != BlackRule::Black) std::memcpy(to.light + x0, a[4], kBlock);
    if constexpr (WithH) std::memcpy(to.h + x0, a[5], kBlock);
    for (int j = 0; j < kBlock; ++j)
        if (over[j] != 0) storePixel<F, R, WithH>(s, pixels + kStep * j, to, x0 + j);
}

template <PixelFormat F, BlackRule R, bool WithH>
void separateRun(const Separation& s, const uint8_t* pixels, int width, uint8_t* const* out) {
    constexpr int kStep = F == PixelFormat::Grey ? 1 : F == PixelFormat::Rgb ? 3 : 4;
    uint8_t* rows[kInkCount] = {};
    for (int p = 0; p < s.planeCount; ++p) rows[static_cast<int>(s.inks[p])] = out[p];
    const InkRows to{rows[0], rows[1], rows[2], rows[3], rows[4], rows[5]};
    int x = 0;
    for (; x + kBlock <= width; x += kBlock, pixels += kStep * kBlock)
        separateBlock<F, R, WithH>(s, pixels, to, x);
    for (; x < width; ++x, pixels += kStep) storePixel<F, R, WithH>(s, pixels, to, x);
}

using LineRoutine = void (*)(const Separation&, const uint8_t*, int, uint8_t* const*);
using PixelRoutine = void (*)(const Separation&, const uint8_t*, int (&)[kInkCount]);

struct Routines {
    LineRoutine line;
    PixelRoutine pixel;
};

template <PixelFormat F, BlackRule R, bool WithH>
constexpr Routines routinesOf() {
    return {separateRun<F, R, WithH>, pixelAmounts<F, R, WithH>};
}

// The routines of each format (rows: Grey, Rgb, Cmyk) and rule (columns:
// BlackOnly, Black, BlackAndLight, LightComposed, LightComposed with H).
template <PixelFormat F>
constexpr Routines kRow[5] = {
    routinesOf<F, BlackRule::BlackOnly, false>(),
    routinesOf<F, BlackRule::Black, false>(),
    routinesOf<F, BlackRule::BlackAndLight, false>(),
    routinesOf<F, BlackRule::LightComposed, false>(),
    routinesOf<F, BlackRule::LightComposed, true>(),
};
constexpr const Routines* kRoutines[3] = {kRow<PixelFormat::Grey>, kRow<PixelFormat::Rgb>,
                                          kRow<PixelFormat::Cmyk>};

const Routines& routinesFor(const Separation& s, PixelFormat format) {
    const int column = s.rule == BlackRule::LightComposed && s.hasH ? 4 : static_cast<int>(s.rule);
    return kRoutines[static_cast<int>(format)][column];
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
    return s;
}

void separateLine(const Separation& separation, PixelFormat format, const uint8_t* pixels,
                  int width, uint8_t* const* out) {
    routinesFor(separation, format).line(separation, pixels, width, out);
}

InkAmounts separatePixel(const Separation& separation, PixelFormat format, const uint8_t* pixel) {
    int a[kInkCount] = {};
    routinesFor(separation, format).pixel(separation, pixel, a);
    InkAmounts out;
    for (int i = 0; i < kInkCount; ++i) out.amount[i] = static_cast<uint8_t>(a[i]);
    return out;
}

}  // namespace inkband::host
