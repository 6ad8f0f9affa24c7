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

// The last pixel, going by Step from x (whose amount is 0), before the
// next one with ink or `end`: eight pixels at a time while they are blank.
template <int Step>
int blankRunEnd(const uint8_t* line, int x, int end) {
    if constexpr (Step > 0) {
        int next = x + 1;
        for (uint64_t word = 0; next + 8 <= end; next += 8) {
            std::memcpy(&word, line + next, 8);
            if (word != 0) break;
        }
        while (next != end && line[next] == 0) ++next;
        return next - 1;
    } else {
        int next = x - 1;
        for (uint64_t word = 0; next - 8 >= end; next -= 8) {
            std::memcpy(&word, line + next - 7, 8);
            if (word != 0) break;
        }
        while (next != end && line[next] == 0) --next;
        return next + 1;
    }
}

// Serpentine Floyd-Steinberg between neighbouring levels.  Values are in
// 1/255 of a level: a pixel of amount a wants a * maxLevel.  `line` holds
// the amounts and receives the levels; errors[x] (x from -1 to width, the
// ends being padding) is the error the line above left for pixel x, and
// receives what this line leaves for the next.  Step is +1 (left to right)
// or -1.
template <int Step>
void diffuseLine(uint8_t* line, const DiffusionStep* steps, int32_t* errors, int width) {
    int x = Step > 0 ? 0 : width - 1;
    const int end = Step > 0 ? width : -1;
    // Shares of errors are kept in 1/16 and divided once, when a pixel
    // takes the sum of its shares.
    int32_t right = 0;             // 7 x the last error, for the next pixel
    int32_t behind = 0, here = 0;  // next line's shares for x - Step and x
    for (; x != end; x += Step) {
        const int a = line[x];
        if (a == 0 && (right | behind | here) == 0) {
            // Blank paper with no error to pass on: every pixel up to the
            // next ink prints 0 and leaves 0 for the next line.  Real
            // pages are mostly such runs on some plane.
            const int last = blankRunEnd<Step>(line, x, end);
            const int from = Step > 0 ? x - 1 : last + 1;
            std::memset(errors + from, 0, static_cast<std::size_t>((last - x) * Step + 1) * 4);
            x = last;
            continue;
        }
        const DiffusionStep& step = steps[a];
        int level = step.level;
        int32_t error = 0;
        // White paper stays white and solid ink solid: amounts 0 and 255
        // print level 0 and the top level, and pass no error on.
        if (static_cast<unsigned>(a - 1) <= 253u) {
            // How far the pixel, with the errors it receives, lies from
            // its amount's nearest level; one level more or less when that
            // is nearer.  The errors stay within half a level or so, so
            // one step is all it takes.
            const int32_t r = step.rest + ((errors[x] + right + 8) >> 4);
            error = r;
            if (r > step.up) error = r - 255, level = step.level + 1;
            if (r < step.down) error = r + 255, level = step.level - 1;
        }
        line[x] = static_cast<uint8_t>(level);
        // 7/16 right, 3/16 behind below, 5/16 below, 1/16 ahead below.
        right = error * 7;
        // The pixel behind on the next line has all its shares now.
        errors[x - Step] = behind + error * 3;
        behind = here + error * 5;
        here = error;
    }
    errors[x - Step] = behind;
    errors[x] = here;
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
        halftone.errors.assign((static_cast<std::size_t>(width) + 2) * kMaxHalftonePlanes, 0);
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
    for (int a = 0; a < 256; ++a) {
        // The nearest level, what is left of the amount above it (in
        // 1/255 of a level, -127 .. 127), and how far an error may move
        // it before the level above or below is nearer; never past the
        // plane's levels.
        const int level = (a * maxLevel + 127) / 255;
        DiffusionStep& step = plane.steps[a];
        step.level = static_cast<uint8_t>(level);
        step.rest = static_cast<int16_t>(a * maxLevel - 255 * level);
        step.up = static_cast<int16_t>(level < maxLevel ? 127 : INT16_MAX);
        step.down = static_cast<int16_t>(level > 0 ? -127 : INT16_MIN);
    }
    return true;
}

void halftoneLine(Halftone& halftone, const uint8_t* const* amounts, int y, uint8_t* const* levels,
                  bool* any) {
    const int count = halftone.planeCount, width = halftone.width;
    if (halftone.quality == Quality::High) {
        const std::size_t stride = static_cast<std::size_t>(width) + 2;
        for (int p = 0; p < count; ++p) {
            if (levels[p] != amounts[p])
                std::memcpy(levels[p], amounts[p], static_cast<std::size_t>(width));
            int32_t* errors = halftone.errors.data() + stride * static_cast<std::size_t>(p);
            if ((halftone.lines & 1) != 0)
                diffuseLine<-1>(levels[p], halftone.planes[p].steps, errors + 1, width);
            else
                diffuseLine<1>(levels[p], halftone.planes[p].steps, errors + 1, width);
            // Errors written into the padding fall off the page.
            errors[0] = errors[stride - 1] = 0;
            int x = 0;
            while (x < width && levels[p][x] == 0) ++x;
            any[p] = x < width;
        }
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
