#include "host/error_diffusion.h"

#include <cstring>

#include "platform/instruction_sets.h"

namespace inkband::host {

namespace {

constexpr int kLanes = kDiffusionLanes;

// The vector routine costs the same per pixel whatever the number of
// planes; fewer planes than this go faster one by one, skipping their
// blank runs.
constexpr int kFewestVectorPlanes = 3;

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

// One plane, one pixel after another.  `line` holds the amounts and
// receives the levels; lane[x * kLanes] is the error pixel x receives (x
// from -1 to width, the ends being padding).  Step is +1 (left to right) or
// -1.  Returns whether a level is above 0.
template <int Step>
bool diffusePlane(uint8_t* line, const DiffusionStep* steps, int16_t* lane, int width) {
    const auto cell = [lane](int x) -> int16_t& { return lane[x * kLanes]; };
    int x = Step > 0 ? 0 : width - 1;
    const int end = Step > 0 ? width : -1;
    int32_t right = 0;             // 7 x the last error, for the next pixel
    int32_t behind = 0, here = 0;  // next line's shares for x - Step and x
    unsigned any = 0;
    for (; x != end; x += Step) {
        const int a = line[x];
        if (a == 0 && (behind | here) == 0) {
            // Blank paper with no error to pass on: every pixel up to the
            // next ink prints 0 and leaves 0 for the next line.  Real
            // pages are mostly such runs on some plane.
            const int last = blankRunEnd<Step>(line, x, end);
            for (int i = x; i != last + Step; i += Step) cell(i - Step) = 0;
            x = last;
            continue;
        }
        const DiffusionStep& step = steps[a];
        int level = step.level;
        int32_t error = 0;
        if (static_cast<unsigned>(a - 1) <= 253u) {
            // How far the pixel, with the errors it receives, lies from its
            // amount's nearest level; one level more or less when that is
            // nearer.  Written as selections, not branches: which way a
            // pixel goes is as good as random.
            const int32_t r = step.rest + ((cell(x) + right + 8) >> 4);
            const bool up = r > step.up, down = r < step.down;
            error = up ? r - 255 : r;
            error = down ? r + 255 : error;
            level = step.level + up - down;
        }
        line[x] = static_cast<uint8_t>(level);
        any |= static_cast<unsigned>(level);
        right = error * 7;
        // The pixel behind on the next line has all its shares now.
        cell(x - Step) = static_cast<int16_t>(behind + error * 3);
        behind = here + error * 5;
        here = error;
    }
    cell(x - Step) = static_cast<int16_t>(behind);
    cell(x) = static_cast<int16_t>(here);
    return any != 0;
}

#if INKBAND_X86_SIMD

// All the planes of a pixel at once, lane p for plane p, in blocks of 8
// pixels: the block's amounts are turned pixel by pixel (an 8 x 8 byte
// transpose), diffused one pixel after another, and the levels turned back.
// The arithmetic is diffusePlane's, exactly, in 16-bit lanes:
//
//   z = the errors received x 16 + 8 + rest x 16, so r = z >> 4;
//   the pixel goes up when r > 127 (z > 2047), down when r < -127
//   (z < -2032), unless its level is at that end of the scale or its
//   amount is 0 or 255; the error is r -+ 255, or 0 for amounts 0 and 255.

inline __m128i loadLow8(const uint8_t* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
inline __m128i loadCell(const int16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void storeCell(int16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// What a line carries from one pixel to the next.
struct Carry {
    __m128i right7;  // 7 x the last error
    __m128i behind;  // next line's shares for the pixel behind
    __m128i here;    // and for the last pixel
};

// The 8 x 8 bytes at `rows` (row q at rows + 8 q) turned: pairs[k] holds
// column 2k in its low half and column 2k + 1 in its high half.  Amounts
// go from plane rows to pixels, and levels back, by the same steps.
inline void transpose8x8(const uint8_t* rows, __m128i (&pairs)[4]) {
    const __m128i a0 = _mm_unpacklo_epi8(loadLow8(rows), loadLow8(rows + 8));
    const __m128i a1 = _mm_unpacklo_epi8(loadLow8(rows + 16), loadLow8(rows + 24));
    const __m128i a2 = _mm_unpacklo_epi8(loadLow8(rows + 32), loadLow8(rows + 40));
    const __m128i a3 = _mm_unpacklo_epi8(loadLow8(rows + 48), loadLow8(rows + 56));
    const __m128i b0 = _mm_unpacklo_epi16(a0, a1), b1 = _mm_unpackhi_epi16(a0, a1);
    const __m128i b2 = _mm_unpacklo_epi16(a2, a3), b3 = _mm_unpackhi_epi16(a2, a3);
    pairs[0] = _mm_unpacklo_epi32(b0, b2);
    pairs[1] = _mm_unpackhi_epi32(b0, b2);
    pairs[2] = _mm_unpacklo_epi32(b1, b3);
    pairs[3] = _mm_unpackhi_epi32(b1, b3);
}

// One pixel: a holds its planes' amounts (16 bits per lane), `cell` the
// errors it receives; `behindCell` receives the next line's errors for the
// pixel behind.  Returns its levels.
INKBAND_ALWAYS_INLINE __m128i diffusePixel(__m128i a, __m128i maxLevels, const int16_t* cell,
                                           int16_t* behindCell, Carry& carry) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k255 = _mm_set1_epi16(255), kMinus255 = _mm_set1_epi16(-255);
    const __m128i kHalf = _mm_set1_epi16(8), k128 = _mm_set1_epi16(128), k257 = _mm_set1_epi16(257);
    const __m128i kUp = _mm_set1_epi16(127 * 16 + 15), kDown = _mm_set1_epi16(-127 * 16);
    // The nearest level, (a L + 127) / 255, and the rest, a L - 255 level.
    const __m128i aL = _mm_mullo_epi16(a, maxLevels);
    const __m128i level = _mm_mulhi_epu16(_mm_add_epi16(aL, k128), k257);
    const __m128i rest = _mm_sub_epi16(_mm_add_epi16(aL, level), _mm_slli_epi16(level, 8));
    const __m128i fixed = _mm_or_si128(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(a, k255));
    const __m128i upBy =
        _mm_andnot_si128(_mm_or_si128(fixed, _mm_cmpeq_epi16(level, maxLevels)), kMinus255);
    const __m128i downBy =
        _mm_andnot_si128(_mm_or_si128(fixed, _mm_cmpeq_epi16(level, zero)), k255);
    const __m128i base =
        _mm_add_epi16(_mm_add_epi16(loadCell(cell), kHalf), _mm_slli_epi16(rest, 4));
    // The chain from one pixel to the next starts here.
    const __m128i z = _mm_add_epi16(base, carry.right7);
    const __m128i by = _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi16(z, kUp), upBy),
                                    _mm_and_si128(_mm_cmpgt_epi16(kDown, z), downBy));
    const __m128i error = _mm_add_epi16(_mm_andnot_si128(fixed, _mm_srai_epi16(z, 4)), by);
    carry.right7 = _mm_sub_epi16(_mm_slli_epi16(error, 3), error);
    storeCell(behindCell,
              _mm_add_epi16(carry.behind, _mm_add_epi16(_mm_slli_epi16(error, 1), error)));
    carry.behind = _mm_add_epi16(carry.here, _mm_add_epi16(_mm_slli_epi16(error, 2), error));
    carry.here = error;
    // by is -255, 0 or 255: the level goes 1 up, stays, or goes 1 down.
    return _mm_sub_epi16(level, _mm_srai_epi16(_mm_add_epi16(by, _mm_set1_epi16(1)), 8));
}

// Diffuses the `count` pixels of the block at x0 in the order of Step;
// `cells` points at pixel 0's cell.  Leaves the levels, 16 bits per lane,
// in levels[j].  A whole block is written out pixel by pixel, so that each
// pixel's amounts and levels stay in registers.
template <int Step>
void diffuseBlock(const __m128i (&pairs)[4], __m128i maxLevels, int16_t* cells, int x0, int count,
                  Carry& carry, __m128i (&levels)[8]) {
    const auto pixel = [&](int j) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i a = (j & 1) != 0 ? _mm_unpackhi_epi8(pairs[j / 2], zero)
                                       : _mm_unpacklo_epi8(pairs[j / 2], zero);
        int16_t* cell = cells + kLanes * (x0 + j);
        levels[j] = diffusePixel(a, maxLevels, cell, cell - kLanes * Step, carry);
    };
    if (count == 8) {
        if constexpr (Step > 0) {
            pixel(0), pixel(1), pixel(2), pixel(3), pixel(4), pixel(5), pixel(6), pixel(7);
        } else {
            pixel(7), pixel(6), pixel(5), pixel(4), pixel(3), pixel(2), pixel(1), pixel(0);
        }
    } else {
        for (int j = Step > 0 ? 0 : count - 1; j != (Step > 0 ? count : -1); j += Step) pixel(j);
    }
}

template <int Step>
void diffuseLanesSse2(const DiffusionPlane* planes, int count, const uint8_t* const* amounts,
                      uint8_t* const* levelLines, bool* any, int16_t* cells, int width) {
    const __m128i zero = _mm_setzero_si128();
    alignas(16) int16_t top[kLanes] = {};
    for (int p = 0; p < count; ++p) top[p] = static_cast<int16_t>(planes[p].maxLevel);
    const __m128i maxLevels = _mm_load_si128(reinterpret_cast<const __m128i*>(top));
    Carry carry{zero, zero, zero};
    __m128i inked = zero;
    // A block's amounts, 8 per plane, and its levels; the rows of lanes
    // without a plane stay 0.
    alignas(16) uint8_t in[kLanes * 8] = {};
    alignas(16) uint8_t out[kLanes * 8];
    const int blocks = (width + 7) / 8;
    for (int i = 0; i < blocks; ++i) {
        const int x0 = 8 * (Step > 0 ? i : blocks - 1 - i);
        const int n = width - x0 < 8 ? width - x0 : 8;
        if (n == 8) {
            for (int p = 0; p < count; ++p) std::memcpy(in + 8 * p, amounts[p] + x0, 8);
        } else {
            for (int p = 0; p < count; ++p) {
                std::memset(in + 8 * p, 0, 8);
                std::memcpy(in + 8 * p, amounts[p] + x0, static_cast<std::size_t>(n));
            }
        }
        __m128i pairs[4];
        transpose8x8(in, pairs);
        const __m128i all =
            _mm_or_si128(_mm_or_si128(pairs[0], pairs[1]), _mm_or_si128(pairs[2], pairs[3]));
        const __m128i pending = _mm_or_si128(carry.behind, carry.here);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(all, pending), zero)) == 0xFFFF) {
            // Blank paper with no error to pass on: levels 0, and 0 left in
            // the cells behind each pixel.
            std::memset(cells + kLanes * (Step > 0 ? x0 - 1 : x0 + 1), 0,
                        sizeof(int16_t) * kLanes * static_cast<std::size_t>(n));
            for (int p = 0; p < count; ++p)
                std::memset(levelLines[p] + x0, 0, static_cast<std::size_t>(n));
            continue;
        }
        __m128i levels[8];
        diffuseBlock<Step>(pairs, maxLevels, cells, x0, n, carry, levels);
        for (int j = n; j < 8; ++j) levels[j] = zero;
        // Back to rows of a plane: two pixels' levels packed to bytes are
        // rows 2k and 2k + 1 of the transpose.
        for (int k = 0; k < 4; ++k) {
            const __m128i packed = _mm_packus_epi16(levels[2 * k], levels[2 * k + 1]);
            inked = _mm_or_si128(inked, packed);
            _mm_store_si128(reinterpret_cast<__m128i*>(out + 16 * k), packed);
        }
        __m128i planeRows[4];
        transpose8x8(out, planeRows);
        for (int k = 0; k < 4; ++k)
            _mm_store_si128(reinterpret_cast<__m128i*>(out + 16 * k), planeRows[k]);
        if (n == 8) {
            for (int p = 0; p < count; ++p) std::memcpy(levelLines[p] + x0, out + 8 * p, 8);
        } else {
            for (int p = 0; p < count; ++p)
                std::memcpy(levelLines[p] + x0, out + 8 * p, static_cast<std::size_t>(n));
        }
    }
    const int end = Step > 0 ? width : -1;
    storeCell(cells + kLanes * (end - Step), carry.behind);
    alignas(16) uint8_t lanes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), inked);
    for (int p = 0; p < count; ++p) any[p] = (lanes[p] | lanes[8 + p]) != 0;
}

#endif  // INKBAND_X86_SIMD

}  // namespace

void makeDiffusionPlane(DiffusionPlane& plane, int maxLevel) {
    plane.maxLevel = maxLevel;
    for (int a = 0; a < 256; ++a) {
        const int level = (a * maxLevel + 127) / 255;
        DiffusionStep& step = plane.steps[a];
        step.level = static_cast<uint8_t>(level);
        step.rest = static_cast<int16_t>(a * maxLevel - 255 * level);
        step.up = static_cast<int16_t>(level < maxLevel ? 127 : INT16_MAX);
        step.down = static_cast<int16_t>(level > 0 ? -127 : INT16_MIN);
    }
}

void diffuseLine(const DiffusionPlane* planes, int count, const uint8_t* const* amounts,
                 uint8_t* const* levels, bool* any, int16_t* cells, int width, bool leftward,
                 bool vectorCode) {
    int16_t* first = cells + kLanes;  // pixel 0's cell
#if INKBAND_X86_SIMD
    if (vectorCode && count >= kFewestVectorPlanes) {
        if (leftward)
            diffuseLanesSse2<-1>(planes, count, amounts, levels, any, first, width);
        else
            diffuseLanesSse2<1>(planes, count, amounts, levels, any, first, width);
        std::memset(cells, 0, sizeof(int16_t) * kLanes);
        std::memset(first + kLanes * width, 0, sizeof(int16_t) * kLanes);
        return;
    }
#else
    (void)vectorCode;
#endif
    for (int p = 0; p < count; ++p) {
        if (levels[p] != amounts[p])
            std::memcpy(levels[p], amounts[p], static_cast<std::size_t>(width));
        any[p] = leftward ? diffusePlane<-1>(levels[p], planes[p].steps, first + p, width)
                          : diffusePlane<1>(levels[p], planes[p].steps, first + p, width);
        // Errors written into the padding fall off the page.
        cells[p] = first[kLanes * width + p] = 0;
    }
}

}  // namespace inkband::host
