#include "host/halftone.h"

#include <array>
#include <cstdint>
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

void startHalftone(Halftone& halftone, Quality quality, int width) {
    halftone.quality = quality;
    halftone.width = width;
    halftone.planeCount = 0;
    halftone.lines = 0;
    if (quality == Quality::High)
        halftone.errors.assign(static_cast<std::size_t>(diffusionCells(width)) * kDiffusionLanes,
                               0);
    else
        halftone.errors.clear();
}

bool addHalftonePlane(Halftone& halftone, int maxLevel, int phase, bool inverted) {
    if (halftone.planeCount >= kMaxHalftonePlanes || maxLevel < 1 || maxLevel > 15) return false;
    PlaneHalftone& plane = halftone.planes[halftone.planeCount++];
    plane.maxLevel = maxLevel;
    plane.shiftX = 3 * phase;
    plane.shiftY = 5 * phase;
    plane.inverted = inverted;
    makeDiffusionPlane(halftone.diffusion[halftone.planeCount - 1], maxLevel);
    return true;
}

void halftoneLine(Halftone& halftone, const uint8_t* const* amounts, int y, uint8_t* const* levels,
                  bool* any) {
    const int count = halftone.planeCount, width = halftone.width;
    if (halftone.quality == Quality::High) {
        diffuseLine(halftone.diffusion, count, amounts, levels, any, halftone.errors.data(), width,
                    (halftone.lines & 1) != 0, halftone.vectorCode);
    } else {
        for (int p = 0; p < count; ++p) {
            const PlaneHalftone& plane = halftone.planes[p];
            any[p] = halftone.quality == Quality::Draft
                         ? ditherLine(plane, plane.inverted ? kInverted8 : kThresholds8, amounts[p],
                                      width, y, levels[p])
                         : ditherLine(plane, plane.inverted ? kInverted16 : kThresholds16,
                                      amounts[p], width, y, levels[p]);
        }
    }
    ++halftone.lines;
}

int ditherThreshold(Quality quality, int x, int y) {
    if (quality == Quality::Draft) return kThresholds8[y & 7][x & 7];
    return kThresholds16[y & 15][x & 15];
}

}  // namespace inkband::host
