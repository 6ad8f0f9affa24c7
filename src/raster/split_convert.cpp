#include "raster/split_convert.h"

#if INKBAND_X86_SIMD
#include <immintrin.h>
#endif

namespace inkband {

namespace {

// Both source levels of a byte through the maps: a 4-bit output byte, or
// the four bits a source byte gives a 2-bit output.
inline unsigned mapByte(const SplitNibbles& levels, uint8_t b) {
    return static_cast<unsigned>(levels.high[b >> 4] | levels.low[b & 0x0F]);
}

// Records output bytes base + i (bit i of mask) that are non-zero; blocks
// come in increasing order.
inline void noteNonZero(ByteExtent* extent, int32_t base, uint32_t mask) {
    if (mask == 0) return;
    if (extent->last < 0) extent->first = base + __builtin_ctz(mask);
    extent->last = base + 31 - __builtin_clz(mask);
}

inline void noteByte(ByteExtent* extent, int32_t at, unsigned value) {
    if (value == 0) return;
    if (extent->last < 0) extent->first = at;
    extent->last = at;
}

// Source bytes k .. u-1 one at a time.  k is even, so for a 2-bit output
// every output byte is written whole here.
void convertRest(uint8_t* out, const uint8_t* source, int32_t k, int32_t u, int outputBits,
                 const SplitNibbles& levels, ByteExtent* extent) {
    if (outputBits == 4) {
        for (; k < u; ++k) {
            const unsigned v = mapByte(levels, source[k]);
            out[k] = static_cast<uint8_t>(v);
            noteByte(extent, k, v);
        }
        return;
    }
    for (; k < u; k += 2) {
        unsigned v = mapByte(levels, source[k]) << 4;
        if (k + 1 < u) v |= mapByte(levels, source[k + 1]);
        out[k / 2] = static_cast<uint8_t>(v);
        noteByte(extent, k / 2, v);
    }
}

#if INKBAND_X86_SIMD

inline __m128i load16(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// SSE2 has no byte shuffle: zero blocks of 16 source bytes are written as
// zeros at once (most bytes of a page), the others byte by byte.  Returns
// the first source byte not converted (even).
int32_t convertBlocksSse2(uint8_t* out, const uint8_t* source, int32_t u, int outputBits,
                          const SplitNibbles& levels, ByteExtent* extent) {
    const __m128i zero = _mm_setzero_si128();
    int32_t k = 0;
    for (; k + 16 <= u; k += 16) {
        const __m128i x = load16(source + k);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(x, zero)) == 0xFFFF) {
            if (outputBits == 4) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), zero);
            } else {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k / 2), zero);
            }
            continue;
        }
        convertRest(out, source, k, k + 16, outputBits, levels, extent);
    }
    return k;
}

#define INKBAND_AVX2 __attribute__((target("avx2")))

// AVX2: 32 source bytes a step, each level looked up with a byte shuffle
// of the 16-entry maps.
INKBAND_AVX2 int32_t convertBlocksAvx2(uint8_t* out, const uint8_t* source, int32_t u,
                                       int outputBits, const SplitNibbles& levels,
                                       ByteExtent* extent) {
    const __m256i low =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(levels.low)));
    const __m256i high =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(levels.high)));
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i zero = _mm256_setzero_si256();
    int32_t k = 0;
    for (; k + 32 <= u; k += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + k));
        const bool blank = _mm256_testz_si256(x, x) != 0;
        __m256i v = zero;
        if (!blank) {
            v = _mm256_or_si256(
                _mm256_shuffle_epi8(low, _mm256_and_si256(x, nibble)),
                _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble)));
        }
        if (outputBits == 4) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), v);
            if (!blank)
                noteNonZero(
                    extent, k,
                    ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, zero))));
            continue;
        }
        // Two source bytes (the even one in the low half of a 16-bit lane)
        // make one output byte: even << 4 | odd.
        const __m256i pairs =
            _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(v, 4), _mm256_set1_epi16(0x00F0)),
                            _mm256_srli_epi16(v, 8));
        const __m128i packed =
            _mm_packus_epi16(_mm256_castsi256_si128(pairs), _mm256_extracti128_si256(pairs, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k / 2), packed);
        if (!blank)
            noteNonZero(extent, k / 2,
                        static_cast<uint32_t>(
                            _mm_movemask_epi8(_mm_cmpeq_epi8(packed, _mm_setzero_si128()))) ^
                            0xFFFFu);
    }
    return k;
}

#endif  // INKBAND_X86_SIMD

}  // namespace

ByteExtent convertSplitLine(uint8_t* out, const uint8_t* source, int32_t u, int outputBits,
                            const SplitNibbles& levels, SimdLevel level) {
    const int32_t n = outputBits == 4 ? u : (u + 1) / 2;
    ByteExtent extent{n, -1};
    if (u <= 0) return {0, -1};
    int32_t k = 0;
#if INKBAND_X86_SIMD
    if (level == SimdLevel::kAvx2) {
        k = convertBlocksAvx2(out, source, u, outputBits, levels, &extent);
    } else if (level == SimdLevel::kSse2) {
        k = convertBlocksSse2(out, source, u, outputBits, levels, &extent);
    }
#else
    (void)level;
#endif
    convertRest(out, source, k, u, outputBits, levels, &extent);
    return extent;
}

}  // namespace inkband
