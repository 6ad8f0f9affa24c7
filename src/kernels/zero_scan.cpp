#include "kernels/zero_scan.h"

namespace inkband {

namespace {

// ---- Portable: eight bytes a word ----------------------------------------

// Ranges shorter than a vector: a word at a time, then byte by byte.
int32_t firstNonZeroShort(const uint8_t* bytes, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint64_t word = loadLittleWord(bytes + i);
        if (word != 0) return i + firstNonZeroByte(word);
    }
    for (; i < n; ++i)
        if (bytes[i] != 0) return i;
    return n;
}

int32_t lastNonZeroShort(const uint8_t* bytes, int32_t n) {
    int32_t i = n;
    for (; i >= 8; i -= 8) {
        const uint64_t word = loadLittleWord(bytes + i - 8);
        if (word != 0) return i - 8 + lastNonZeroByte(word);
    }
    for (; i > 0; --i)
        if (bytes[i - 1] != 0) return i - 1;
    return -1;
}

// True when the 64 bytes at p are all zero: eight words, one test (written
// out: compilers leave a loop of eight rolled).
inline bool allZero64(const uint8_t* p) {
    const auto word = [p](int k) { return loadLittleWord(p + 8 * k); };
    return (word(0) | word(1) | word(2) | word(3) | word(4) | word(5) | word(6) | word(7)) == 0;
}

// Whole lines: 64 bytes a step while they are zero, then the word that
// holds the byte; a blank line costs one test per 64 bytes.
int32_t firstNonZeroPortable(const uint8_t* bytes, int32_t n) {
    int32_t i = 0;
    while (i + 64 <= n && allZero64(bytes + i)) i += 64;
    return i + firstNonZeroShort(bytes + i, n - i);
}

int32_t lastNonZeroPortable(const uint8_t* bytes, int32_t n) {
    int32_t i = n;  // bytes i .. n-1 are zero
    while (i >= 64 && allZero64(bytes + i - 64)) i -= 64;
    return lastNonZeroShort(bytes, i);
}

#if INKBAND_X86_SIMD

// ---- SSE2: 16 bytes a step ------------------------------------------------

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
        if (mask != 0) return i + lowestSetBit(mask);
    }
    // The last 16 bytes, overlapping bytes already known to be zero.
    unsigned mask = nonZeroMask16(load16(bytes + n - 16));
    return mask != 0 ? n - 16 + lowestSetBit(mask) : n;
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
        if (mask != 0) return i - 16 + highestSetBit(mask);
    }
    unsigned mask = nonZeroMask16(load16(bytes));
    return mask != 0 ? highestSetBit(mask) : -1;
}

// ---- AVX2: 32 bytes a step ------------------------------------------------

INKBAND_TARGET_AVX2 inline bool allZero32(__m256i v) { return _mm256_testz_si256(v, v) != 0; }
INKBAND_TARGET_AVX2 inline unsigned nonZeroMask32(__m256i v) {
    return ~static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())));
}

INKBAND_TARGET_AVX2 inline bool allZero128(const uint8_t* p) {
    return allZero32(_mm256_or_si256(_mm256_or_si256(load32(p), load32(p + 32)),
                                     _mm256_or_si256(load32(p + 64), load32(p + 96))));
}

// From 128 bytes on, 128 bytes a step, the last step overlapping the one
// before it (whose bytes are known to be zero); the non-zero byte is then
// looked up 32 bytes a step within the step that holds it.  A whole blank
// line, the usual case, costs one test per 128 bytes.
INKBAND_TARGET_AVX2 int32_t firstNonZeroAvx2(const uint8_t* bytes, int32_t n) {
    if (n < 32) return firstNonZeroSse2(bytes, n);
    int32_t i = 0;  // bytes 0 .. i-1 are zero
    if (n >= 128) {
        while (i + 128 <= n && allZero128(bytes + i)) i += 128;
        if (i + 128 > n) {
            if (i == n || allZero128(bytes + n - 128)) return n;
            i = n - 128;
        }
        for (;; i += 32) {
            const unsigned mask = nonZeroMask32(load32(bytes + i));
            if (mask != 0) return i + lowestSetBit(mask);
        }
    }
    for (; i + 32 <= n; i += 32) {
        const unsigned mask = nonZeroMask32(load32(bytes + i));
        if (mask != 0) return i + lowestSetBit(mask);
    }
    const unsigned mask = nonZeroMask32(load32(bytes + n - 32));
    return mask != 0 ? n - 32 + lowestSetBit(mask) : n;
}

INKBAND_TARGET_AVX2 int32_t lastNonZeroAvx2(const uint8_t* bytes, int32_t n) {
    if (n < 32) return lastNonZeroSse2(bytes, n);
    int32_t i = n;  // bytes i .. n-1 are zero
    if (n >= 128) {
        while (i >= 128 && allZero128(bytes + i - 128)) i -= 128;
        if (i < 128) {
            if (i == 0 || allZero128(bytes)) return -1;
            i = 128;
        }
        for (;; i -= 32) {
            const unsigned mask = nonZeroMask32(load32(bytes + i - 32));
            if (mask != 0) return i - 32 + highestSetBit(mask);
        }
    }
    for (; i >= 32; i -= 32) {
        const unsigned mask = nonZeroMask32(load32(bytes + i - 32));
        if (mask != 0) return i - 32 + highestSetBit(mask);
    }
    const unsigned mask = nonZeroMask32(load32(bytes));
    return mask != 0 ? highestSetBit(mask) : -1;
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
            return firstNonZeroPortable(bytes, n);
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
            return lastNonZeroPortable(bytes, n);
    }
}

}  // namespace inkband
