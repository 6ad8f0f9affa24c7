#include "raster/zero_scan.h"

#include <cstring>

#if INKBAND_X86_SIMD
#include <immintrin.h>
#endif

namespace inkband {

namespace {

// Ranges shorter than a vector: eight bytes at a time, then byte by byte.
int32_t firstNonZeroShort(const uint8_t* bytes, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        if (word != 0) break;
    }
    for (; i < n; ++i)
        if (bytes[i] != 0) return i;
    return n;
}

int32_t lastNonZeroShort(const uint8_t* bytes, int32_t n) {
    int32_t i = n;
    for (; i >= 8; i -= 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i - 8, sizeof word);
        if (word != 0) break;
    }
    for (; i > 0; --i)
        if (bytes[i - 1] != 0) return i - 1;
    return -1;
}

ByteExtent copyFindExtentPortable(uint8_t* dst, const uint8_t* src, int32_t n) {
    std::memcpy(dst, src, static_cast<std::size_t>(n));
    int32_t first = firstNonZeroShort(dst, n);
    return {first, first < n ? lastNonZeroShort(dst, n) : -1};
}

#if INKBAND_X86_SIMD

// ---- SSE2: 16 bytes a step ------------------------------------------------

inline __m128i load16(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Bit i set when byte i of v is non-zero.
inline unsigned nonZeroMask16(__m128i v) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128()))) ^
           0xFFFFu;
}

int32_t firstNonZeroSse2(const uint8_t* bytes, int32_t n) {
    if (n < 16) return firstNonZeroShort(bytes, n);
    int32_t i = 0;
    for (; i + 64 <= n; i += 64) {
        __m128i any = _mm_or_si128(_mm_or_si128(load16(bytes + i), load16(bytes + i + 16)),
                                   _mm_or_si128(load16(bytes + i + 32), load16(bytes + i + 48)));
        if (nonZeroMask16(any) != 0) break;
    }
    for (; i + 16 <= n; i += 16) {
        unsigned mask = nonZeroMask16(load16(bytes + i));
        if (mask != 0) return i + __builtin_ctz(mask);
    }
    // The last 16 bytes, overlapping bytes already known to be zero.
    unsigned mask = nonZeroMask16(load16(bytes + n - 16));
    return mask != 0 ? n - 16 + __builtin_ctz(mask) : n;
}

int32_t lastNonZeroSse2(const uint8_t* bytes, int32_t n) {
    if (n < 16) return lastNonZeroShort(bytes, n);
    int32_t i = n;  // bytes i .. n-1 are zero
    for (; i >= 64; i -= 64) {
        __m128i any = _mm_or_si128(_mm_or_si128(load16(bytes + i - 64), load16(bytes + i - 48)),
                                   _mm_or_si128(load16(bytes + i - 32), load16(bytes + i - 16)));
        if (nonZeroMask16(any) != 0) break;
    }
    for (; i >= 16; i -= 16) {
        unsigned mask = nonZeroMask16(load16(bytes + i - 16));
        if (mask != 0) return i - 16 + 31 - __builtin_clz(mask);
    }
    unsigned mask = nonZeroMask16(load16(bytes));
    return mask != 0 ? 31 - __builtin_clz(mask) : -1;
}

// Copies 16 bytes a step; the last step may overlap bytes already copied.
void copySse2(uint8_t* dst, const uint8_t* src, int32_t n) {
    if (n < 16) {
        std::memcpy(dst, src, static_cast<std::size_t>(n));
        return;
    }
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) store16(dst + i, load16(src + i));
    store16(dst + n - 16, load16(src + n - 16));
}

ByteExtent copyFindExtentSse2(uint8_t* dst, const uint8_t* src, int32_t n) {
    if (n < 16) {
        std::memcpy(dst, src, static_cast<std::size_t>(n));
        int32_t first = firstNonZeroShort(dst, n);
        return {first, first < n ? lastNonZeroShort(dst, n) : -1};
    }
    // Copy while the bytes are zero; stop at the first block holding data.
    int32_t i = 0;
    for (; i + 64 <= n; i += 64) {
        __m128i a = load16(src + i), b = load16(src + i + 16);
        __m128i c = load16(src + i + 32), d = load16(src + i + 48);
        store16(dst + i, a);
        store16(dst + i + 16, b);
        store16(dst + i + 32, c);
        store16(dst + i + 48, d);
        if (nonZeroMask16(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0) break;
    }
    // Bytes before i are copied and zero; copy the rest, then look in dst
    // (the block just copied is still in the first-level cache).
    copySse2(dst + i, src + i, n - i);
    i += firstNonZeroSse2(dst + i, n - i);
    if (i == n) return {n, -1};
    return {i, i + lastNonZeroSse2(dst + i, n - i)};
}

// ---- AVX2: 32 bytes a step ------------------------------------------------

#define INKBAND_AVX2 __attribute__((target("avx2")))

INKBAND_AVX2 inline __m256i load32(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
INKBAND_AVX2 inline void store32(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
INKBAND_AVX2 inline bool allZero32(__m256i v) { return _mm256_testz_si256(v, v) != 0; }
INKBAND_AVX2 inline unsigned nonZeroMask32(__m256i v) {
    return ~static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())));
}

INKBAND_AVX2 int32_t firstNonZeroAvx2(const uint8_t* bytes, int32_t n) {
    if (n < 32) return firstNonZeroSse2(bytes, n);
    int32_t i = 0;
    for (; i + 128 <= n; i += 128) {
        __m256i any =
            _mm256_or_si256(_mm256_or_si256(load32(bytes + i), load32(bytes + i + 32)),
                            _mm256_or_si256(load32(bytes + i + 64), load32(bytes + i + 96)));
        if (!allZero32(any)) break;
    }
    for (; i + 32 <= n; i += 32) {
        unsigned mask = nonZeroMask32(load32(bytes + i));
        if (mask != 0) return i + __builtin_ctz(mask);
    }
    unsigned mask = nonZeroMask32(load32(bytes + n - 32));
    return mask != 0 ? n - 32 + __builtin_ctz(mask) : n;
}

INKBAND_AVX2 int32_t lastNonZeroAvx2(const uint8_t* bytes, int32_t n) {
    if (n < 32) return lastNonZeroSse2(bytes, n);
    int32_t i = n;
    for (; i >= 128; i -= 128) {
        __m256i any =
            _mm256_or_si256(_mm256_or_si256(load32(bytes + i - 128), load32(bytes + i - 96)),
                            _mm256_or_si256(load32(bytes + i - 64), load32(bytes + i - 32)));
        if (!allZero32(any)) break;
    }
    for (; i >= 32; i -= 32) {
        unsigned mask = nonZeroMask32(load32(bytes + i - 32));
        if (mask != 0) return i - 32 + 31 - __builtin_clz(mask);
    }
    unsigned mask = nonZeroMask32(load32(bytes));
    return mask != 0 ? 31 - __builtin_clz(mask) : -1;
}

// The first non-zero byte at or after `from`, and the last one before `to`,
// where the 32-byte units from `from`, and those that end at `to`, are known
// to reach one.
INKBAND_AVX2 inline int32_t firstInUnits(const uint8_t* bytes, int32_t from) {
    for (;; from += 32) {
        const unsigned mask = nonZeroMask32(load32(bytes + from));
        if (mask != 0) return from + __builtin_ctz(mask);
    }
}
INKBAND_AVX2 inline int32_t lastInUnits(const uint8_t* bytes, int32_t to) {
    for (;; to -= 32) {
        const unsigned mask = nonZeroMask32(load32(bytes + to - 32));
        if (mask != 0) return to - 1 - __builtin_clz(mask);
    }
}

// Copies 128 bytes; true when they are all zero.
INKBAND_AVX2 inline bool copy128(uint8_t* dst, const uint8_t* src) {
    __m256i a = load32(src), b = load32(src + 32);
    __m256i c = load32(src + 64), d = load32(src + 96);
    store32(dst, a);
    store32(dst + 32, b);
    store32(dst + 64, c);
    store32(dst + 96, d);
    return allZero32(_mm256_or_si256(_mm256_or_si256(a, b), _mm256_or_si256(c, d)));
}

// One pass: copies the zero bytes 128 a step until a step holds data, then
// the rest, remembering the last step that held data; a line's last step
// overlaps the one before it (lines shorter than a step go 32 bytes a
// step).  The first and last non-zero bytes are then looked up in those
// steps, in dst, still in the first-level cache.
INKBAND_AVX2 ByteExtent copyFindExtentAvx2(uint8_t* dst, const uint8_t* src, int32_t n) {
    if (n < 32) return copyFindExtentSse2(dst, src, n);
    int32_t first = -1;  // start of the first step that holds data
    int32_t i = 0;
    if (n >= 128) {
        for (; i + 128 <= n; i += 128) {
            if (!copy128(dst + i, src + i)) {
                first = i;
                break;
            }
        }
        if (first < 0) {
            if (i == n || copy128(dst + n - 128, src + n - 128)) return {n, -1};  // blank, copied
            first = n - 128;
        }
        int32_t lastEnd = first + 128;  // the last step with data ends here
        for (i = lastEnd; i + 128 <= n; i += 128)
            lastEnd = copy128(dst + i, src + i) ? lastEnd : i + 128;
        if (i < n && !copy128(dst + n - 128, src + n - 128)) lastEnd = n;
        return {firstInUnits(dst, first), lastInUnits(dst, lastEnd)};
    }
    // 32 .. 127 bytes: 32 a step, the last one overlapping.
    int32_t lastEnd = -1;
    for (; i + 32 <= n; i += 32) {
        __m256i a = load32(src + i);
        store32(dst + i, a);
        if (!allZero32(a)) {
            if (first < 0) first = i;
            lastEnd = i + 32;
        }
    }
    if (i < n) {
        __m256i a = load32(src + n - 32);
        store32(dst + n - 32, a);
        if (!allZero32(a)) {
            if (first < 0) first = n - 32;
            lastEnd = n;
        }
    }
    if (first < 0) return {n, -1};
    return {firstInUnits(dst, first), lastInUnits(dst, lastEnd)};
}

#endif  // INKBAND_X86_SIMD

}  // namespace

int32_t firstNonZero(const uint8_t* bytes, int32_t n, SimdLevel level) {
    if (n <= 0) return 0;
    switch (level) {
#if INKBAND_X86_SIMD
        case SimdLevel::kAvx2:
            return firstNonZeroAvx2(bytes, n);
        case SimdLevel::kSse2:
            return firstNonZeroSse2(bytes, n);
#endif
        default:
            return firstNonZeroShort(bytes, n);
    }
}

int32_t lastNonZero(const uint8_t* bytes, int32_t n, SimdLevel level) {
    if (n <= 0) return -1;
    switch (level) {
#if INKBAND_X86_SIMD
        case SimdLevel::kAvx2:
            return lastNonZeroAvx2(bytes, n);
        case SimdLevel::kSse2:
            return lastNonZeroSse2(bytes, n);
#endif
        default:
            return lastNonZeroShort(bytes, n);
    }
}

ByteExtent copyFindExtent(uint8_t* dst, const uint8_t* src, int32_t n, SimdLevel level) {
    if (n <= 0) return {0, -1};
    switch (level) {
#if INKBAND_X86_SIMD
        case SimdLevel::kAvx2:
            return copyFindExtentAvx2(dst, src, n);
        case SimdLevel::kSse2:
            return copyFindExtentSse2(dst, src, n);
#endif
        default:
            return copyFindExtentPortable(dst, src, n);
    }
}

}  // namespace inkband
