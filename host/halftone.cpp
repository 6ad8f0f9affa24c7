#include "host/halftone.h"

#include <array>
#include <cstring>

namespace inkband::host {

namespace {

// The n x n Bayer index matrix, built by doubling the 2 x 2 seed 0 2 / 3 1:
// the matrix M of size s becomes the quadrants 4M, 4M+2 / 4M+3, 4M+1.
template <int N>
constexpr std::array<std::array<uint8_t, N>, N> bayer() {
    std::array<std::array<uint8_t, N>, N> m{};
    for (int size = 1; size < N; size *= 2) {
        const auto previous = m;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const int e = 4 * previous[y][x];
                m[y][x] = static_cast<uint8_t>(e);
                m[y][x + size] = static_cast<uint8_t>(e + 2);
                m[y + size][x] = static_cast<uint8_t>(e + 3);
                m[y + size][x + size] = static_cast<uint8_t>(e + 1);
            }
    }
    return m;
}

// Thresholds on the 0 .. 254 scale of the remainder: index i of n^2 lies at
// (i + 1/2) / n^2 of the way between two levels.
template <int N>
constexpr std::array<std::array<uint8_t, N>, N> thresholds() {
    const auto index = bayer<N>();
    std::array<std::array<uint8_t, N>, N> t{};
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x)
            t[y][x] = static_cast<uint8_t>((2 * index[y][x] + 1) * 255 / (2 * N * N));
    return t;
}

// The same thresholds turned upside down: a plane reading them places its
// level-up dots where the other planes place their last ones.
template <std::size_t N>
constexpr std::array<std::array<uint8_t, N>, N> inverted(
    const std::array<std::array<uint8_t, N>, N>& t) {
    std::array<std::array<uint8_t, N>, N> out{};
    for (std::size_t y = 0; y < N; ++y)
        for (std::size_t x = 0; x < N; ++x) out[y][x] = static_cast<uint8_t>(254 - t[y][x]);
    return out;
}

constexpr auto kThresholds8 = thresholds<8>();
constexpr auto kThresholds16 = thresholds<16>();
constexpr auto kInverted8 = inverted(kThresholds8);
constexpr auto kInverted16 = inverted(kThresholds16);
static_assert(bayer<8>()[0][1] == 32 && bayer<8>()[1][1] == 16 && bayer<8>()[7][7] == 21);

// Ordered dither in blocks of 16 pixels.  An amount a on a plane of L
// levels lies a L / 255 of the way up: level floor(a L / 255) plus one when
// the remainder a L mod 255 exceeds the threshold t.  That is exactly
// floor((a L + 254 - t) / 255), and for v below 65535, floor(v / 255) is
// ((v + 1) * 257) >> 16.  So each pixel costs a multiply-add and a high
// multiply in 16 bits, which compilers vectorise; `bias` holds 255 - t for
// the 16 positions of a block.
constexpr int kDitherBlock = 16;

inline unsigned ditherBlock(const uint8_t* amounts, const uint16_t* bias, uint16_t levels,
                            uint8_t* out) {
    // Local copies: the loop then reads and writes memory nothing else can
    // reach, and vectorises without alias checks.
    uint8_t in[kDitherBlock], level[kDitherBlock];
    std::memcpy(in, amounts, kDitherBlock);
    uint8_t any = 0;
    for (int j = 0; j < kDitherBlock; ++j) {
        const auto v = static_cast<uint16_t>(in[j] * levels + bias[j]);
        level[j] = static_cast<uint8_t>((uint32_t{v} * 257u) >> 16);
        any |= level[j];
    }
    std::memcpy(out, level, kDitherBlock);
    return any;
}

template <std::size_t N>
bool ditherLine(const PlaneHalftone& plane, const std::array<std::array<uint8_t, N>, N>& matrix,
                const uint8_t* amounts, int width, int y, uint8_t* levels) {
    static_assert(kDitherBlock % N == 0 || N % kDitherBlock == 0);
    constexpr int kMask = static_cast<int>(N) - 1;
    const uint8_t* row = matrix[static_cast<std::size_t>((y + plane.shiftY) & kMask)].data();
    uint16_t bias[kDitherBlock];
    for (int j = 0; j < kDitherBlock; ++j)
        bias[j] = static_cast<uint16_t>(255 - row[(j + plane.shiftX) & kMask]);
    const auto top = static_cast<uint16_t>(plane.maxLevel);
    unsigned any = 0;
    int x = 0;
    for (; x + kDitherBlock <= width; x += kDitherBlock)
        any |= ditherBlock(amounts + x, bias, top, levels + x);
    if (x < width) {
        uint8_t tail[kDitherBlock] = {}, out[kDitherBlock];
        for (int j = 0; x + j < width; ++j) tail[j] = amounts[x + j];
        any |= ditherBlock(tail, bias, top, out);
        for (int j = 0; x + j < width; ++j) levels[x + j] = out[j];
    }
    return any != 0;
}

// Serpentine Floyd-Steinberg between neighbouring levels.  Values are in
// 1/255 of a level: a pixel of amount a wants a * maxLevel.  errors[x + 1]
// holds the error that the line above left for pixel x.
bool diffuseLine(PlaneHalftone& plane, const uint8_t* amounts, int width, uint8_t* levels) {
    const int top = plane.maxLevel;
    const bool reverse = (plane.lines & 1) != 0;
    const int step = reverse ? -1 : 1;
    int32_t* errors = plane.errors.data() + 1;  // errors[-1] and errors[width] are padding
    int x = reverse ? width - 1 : 0;
    int32_t right = 0;             // 7/16 of the last error, for the next pixel
    int32_t behind = 0, here = 0;  // next line's error for x - step and x
    unsigned any = 0;
    for (int n = 0; n < width; ++n, x += step) {
        const int a = amounts[x];
        const int32_t above = errors[x];
        int level;
        int32_t error;
        if (a == 0 || a == 255) {
            level = a == 0 ? 0 : top;
            error = 0;
        } else {
            const int32_t want = a * top + above + right;
            level = want <= 127 ? 0 : (want + 127) / 255;
            if (level > top) level = top;
            error = want - level * 255;
        }
        levels[x] = static_cast<uint8_t>(level);
        any |= static_cast<unsigned>(level);
        const int32_t e1 = error / 16, e3 = error * 3 / 16, e5 = error * 5 / 16;
        right = error - e1 - e3 - e5;
        // The pixel behind on the next line is complete now.
        errors[x - step] = behind + e3;
        behind = here + e5;
        here = e1;
    }
    errors[x - step] = behind;
    errors[x] = here;
    // Errors written into the padding fall off the page.
    plane.errors.front() = 0;
    plane.errors.back() = 0;
    return any != 0;
}

}  // namespace

const char* qualityName(Quality quality) {
    switch (quality) {
        case Quality::Draft:
            return "draft";
        case Quality::Normal:
            return "normal";
        case Quality::High:
            return "high";
    }
    return "normal";
}

bool parseQuality(const char* name, Quality& quality) {
    for (Quality q : {Quality::Draft, Quality::Normal, Quality::High}) {
        const char* n = qualityName(q);
        int i = 0;
        while (n[i] != 0 && (name[i] | 0x20) == n[i]) ++i;
        if (n[i] == 0 && name[i] == 0) {
            quality = q;
            return true;
        }
    }
    return false;
}

void startPlaneHalftone(PlaneHalftone& plane, Quality quality, int maxLevel, int planeIndex,
                        int width, bool inverted) {
    plane.quality = quality;
    plane.inverted = inverted;
    plane.maxLevel = maxLevel;
    plane.shiftX = 3 * planeIndex;
    plane.shiftY = 5 * planeIndex;
    plane.lines = 0;
    if (quality == Quality::High)
        plane.errors.assign(static_cast<std::size_t>(width) + 2, 0);
    else
        plane.errors.clear();
}

bool halftoneLine(PlaneHalftone& plane, const uint8_t* amounts, int width, int y, uint8_t* levels) {
    bool any = false;
    switch (plane.quality) {
        case Quality::Draft:
            any = ditherLine(plane, plane.inverted ? kInverted8 : kThresholds8, amounts, width, y,
                             levels);
            break;
        case Quality::Normal:
            any = ditherLine(plane, plane.inverted ? kInverted16 : kThresholds16, amounts, width, y,
                             levels);
            break;
        case Quality::High:
            any = diffuseLine(plane, amounts, width, levels);
            break;
    }
    ++plane.lines;
    return any;
}

int ditherThreshold(Quality quality, int x, int y) {
    if (quality == Quality::Draft) return kThresholds8[y & 7][x & 7];
    return kThresholds16[y & 15][x & 15];
}

}  // namespace inkband::host
