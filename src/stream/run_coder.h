// The one run-scanning core behind encodeRuns and encodedLineSize.  With
// kWrite false it only counts: the literal bookkeeping is the same, so the
// two can never disagree on the size of an encoded span.
//
// The coder walks the source as units of "single bytes, then one run of two
// or more equal bytes".  Single bytes only ever extend literals, so a whole
// stretch of them is appended at once; only the run at its end goes through
// the per-run rules (pair joins the open literal, three or more close it,
// long runs cut into 128-byte records).  Where the units are is read from a
// 16-bit mask of "byte k equals byte k + 1", made with SSE2 compares (always
// there on x86-64; plain C++ elsewhere).  The output is byte for byte that
// of the run-by-run definition (tests/unit/encode_runs_fast_test.cpp holds a
// straightforward copy of it and compares the two on many inputs).
#pragma once

#include <cstdint>
#include <cstring>

#include "stream/simd_level.h"

#if INKBAND_X86_SIMD
#include <emmintrin.h>
#endif

namespace inkband::detail {

inline constexpr int32_t kMaxRecordRun = 128;       // longest literal or repeat record
inline constexpr uint8_t kFullRepeat = 0x81;        // count byte of a 128-byte repeat
inline constexpr int32_t kFullLiteralCount = 0x7F;  // count byte of a 128-byte literal
// A pair joins the open literal only while its count byte reads this or less
// (the literal holds at most 125 bytes), so a pair never makes it pass 127.
inline constexpr int32_t kPairJoinLimit = 124;

inline constexpr int32_t kWindow = 16;  // positions one pair mask covers

// Bit k set when src[k] == src[k + 1], k = 0 .. 15; reads src[0 .. 16].
inline unsigned pairMask(const uint8_t* src) {
#if INKBAND_X86_SIMD
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 1));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, next)));
#else
    unsigned mask = 0;
    for (int k = 0; k < kWindow; ++k) mask |= static_cast<unsigned>(src[k] == src[k + 1]) << k;
    return mask;
#endif
}

// Pair mask of positions i .. n-2 for the last, short window (i + 17 > n):
// bits for positions past n-2 are clear.  Reads src[i .. n-1] only.
inline unsigned tailPairMask(const uint8_t* src, int32_t i, int32_t n) {
    const int32_t remaining = n - i;  // 1 .. 16
    if (n > kWindow) {
        // The window that ends at the last byte, shifted down to i.
        const int32_t base = n - kWindow - 1;
        return pairMask(src + base) >> (i - base);
    }
    unsigned mask = 0;
    for (int32_t k = 0; k + 1 < remaining; ++k)
        mask |= static_cast<unsigned>(src[i + k] == src[i + k + 1]) << k;
    return mask;
}

// First index at or after k whose byte is not x, or n.
inline int32_t runEnd(const uint8_t* src, int32_t k, int32_t n, uint8_t x) {
#if INKBAND_X86_SIMD
    const __m128i value = _mm_set1_epi8(static_cast<char>(x));
    for (; k + 2 * kWindow <= n; k += 2 * kWindow) {
        const __m128i a =
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k)), value);
        const __m128i b = _mm_cmpeq_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k + kWindow)), value);
        if (_mm_movemask_epi8(_mm_and_si128(a, b)) != 0xFFFF) {
            unsigned differ = static_cast<unsigned>(_mm_movemask_epi8(a)) ^ 0xFFFFu;
            if (differ != 0) return k + __builtin_ctz(differ);
            differ = static_cast<unsigned>(_mm_movemask_epi8(b)) ^ 0xFFFFu;
            return k + kWindow + __builtin_ctz(differ);
        }
    }
    for (; k + kWindow <= n; k += kWindow) {
        const unsigned differ =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k)), value))) ^
            0xFFFFu;
        if (differ != 0) return k + __builtin_ctz(differ);
    }
    if (k < n && n >= kWindow) {
        // The last 16 bytes, from the end; positions before k are dropped.
        const int32_t base = n - kWindow;
        const unsigned differ =
            (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + base)), value))) ^
             0xFFFFu) >>
            (k - base);
        return differ != 0 ? k + __builtin_ctz(differ) : n;
    }
#endif
    while (k < n && src[k] == x) ++k;
    return k;
}

// Copies count bytes exactly: nothing past dst[count - 1] is written, since
// the coded span may end at the very end of its chunk.
inline void copyExact(uint8_t* dst, const uint8_t* src, int32_t count) {
#if INKBAND_X86_SIMD
    if (count >= kWindow) {
        int32_t k = 0;
        for (; k + kWindow <= count; k += kWindow)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k)));
        if (k < count)  // the last 16 bytes, overlapping bytes already copied
            _mm_storeu_si128(
                reinterpret_cast<__m128i*>(dst + count - kWindow),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + count - kWindow)));
        return;
    }
#endif
    // Two overlapping moves of the largest width that fits.
    if (count >= 8) {
        uint64_t head, tail;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + count - 8, 8);
        std::memcpy(dst, &head, 8);
        std::memcpy(dst + count - 8, &tail, 8);
    } else if (count >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, src, 4);
        std::memcpy(&tail, src + count - 4, 4);
        std::memcpy(dst, &head, 4);
        std::memcpy(dst + count - 4, &tail, 4);
    } else if (count > 0) {
        dst[0] = src[0];
        dst[count / 2] = src[count / 2];
        dst[count - 1] = src[count - 1];
    }
}

// The coder's state between units.
struct RunCoder {
    int32_t out = 0;         // bytes written
    int32_t literalAt = -1;  // position of the open literal's count byte; -1: none open
    int32_t literalCount = 0;
};

// Appends count single bytes (each differs from the next): they fill the
// open literal and then as many new ones as they need, each closing at 128
// bytes, exactly as one byte at a time would.
template <bool kWrite>
inline void appendSingles(RunCoder& c, uint8_t* dst, const uint8_t* src, int32_t count) {
    while (count > 0) {
        if (c.literalAt < 0) {
            c.literalAt = c.out++;
            c.literalCount = -1;  // the first byte makes it 0
        }
        int32_t take = kFullLiteralCount - c.literalCount;
        if (take > count) take = count;
        if constexpr (kWrite) copyExact(dst + c.out, src, take);
        c.out += take;
        c.literalCount += take;
        if constexpr (kWrite) dst[c.literalAt] = static_cast<uint8_t>(c.literalCount);
        if (c.literalCount == kFullLiteralCount) c.literalAt = -1;
        src += take;
        count -= take;
    }
}

// Codes one run of `run` (>= 2) bytes x.
template <bool kWrite>
inline void appendRun(RunCoder& c, uint8_t* dst, uint8_t x, int32_t run) {
    if (c.literalAt >= 0) {
        if (run == 2) {
            if (c.literalCount <= kPairJoinLimit) {
                c.literalCount += 2;
                if constexpr (kWrite) {
                    dst[c.literalAt] = static_cast<uint8_t>(c.literalCount);
                    dst[c.out] = x;
                    dst[c.out + 1] = x;
                }
                c.out += 2;
            } else {
                // The pair would not fit: it opens a literal of its own.
                c.literalAt = c.out;
                c.literalCount = 1;
                if constexpr (kWrite) {
                    dst[c.out] = 0x01;
                    dst[c.out + 1] = x;
                    dst[c.out + 2] = x;
                }
                c.out += 3;
            }
            return;
        }
        c.literalAt = -1;  // three or more equal bytes close the literal
    }
    if (run > kMaxRecordRun) {
        const int32_t full = (run - (kMaxRecordRun + 1)) / kMaxRecordRun + 1;
        if constexpr (kWrite) {
            for (int32_t k = 0; k < full; ++k) {
                dst[c.out + 2 * k] = kFullRepeat;
                dst[c.out + 2 * k + 1] = x;
            }
        }
        c.out += 2 * full;
        run -= kMaxRecordRun * full;
    }
    if (run == 1) {  // the last byte of a long run opens a literal
        c.literalAt = c.out;
        c.literalCount = 0;
    }
    if constexpr (kWrite) {
        dst[c.out] = static_cast<uint8_t>(1 - run);  // 0x00 for a literal of one
        dst[c.out + 1] = x;
    }
    c.out += 2;
}

// PackBits-codes src[0 .. n-1]; writes at dst when kWrite, and returns the
// number of bytes the coded form takes.  Reads src[0 .. n-1] only and writes
// dst[0 .. result - 1] only.
template <bool kWrite>
inline int32_t codeRuns(uint8_t* dst, const uint8_t* src, int32_t n) {
    RunCoder c;
    int32_t i = 0;  // a run starts here: src[i - 1] != src[i]
    while (i < n) {
        const bool full = i + kWindow + 1 <= n;
        const unsigned pairs = full ? pairMask(src + i) : tailPairMask(src, i, n);
        if (pairs == 0) {
            // No byte of the window equals its successor: all single bytes
            // (in the last window, every byte up to the end).
            const int32_t singles = full ? kWindow : n - i;
            appendSingles<kWrite>(c, dst, src + i, singles);
            i += singles;
            continue;
        }
        const int32_t k = __builtin_ctz(pairs);
        if (k > 0) appendSingles<kWrite>(c, dst, src + i, k);
        // Equal neighbours from position i + k on: the run covers one byte
        // more than the unbroken pairs.
        const int32_t start = i + k;
        const unsigned rest = ~(pairs >> k);
        int32_t end;
        if (rest != 0 && k + __builtin_ctz(rest) < kWindow) {
            end = start + __builtin_ctz(rest) + 1;
        } else {
            // Equal through the window's last compare (src[i + 16]): measure on.
            end = runEnd(src, i + kWindow + 1, n, src[start]);
        }
        appendRun<kWrite>(c, dst, src[start], end - start);
        i = end;
    }
    return c.out;
}

}  // namespace inkband::detail
