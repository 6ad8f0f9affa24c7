#include "kernels/split_convert.h"

#include <cstring>

#include "platform/byte_words.h"

namespace inkband {

namespace {

// Both source levels of a byte through the maps: a 4-bit output byte, or
// the four bits a source byte gives a 2-bit output.
inline unsigned mapByte(const SplitNibbles& levels, uint8_t b) {
    return static_cast<unsigned>(levels.high[b >> 4] | levels.low[b & 0x0F]);
}

inline void noteByte(ByteExtent* extent, int32_t at, unsigned value) {
    if (value == 0) return;
    if (extent->last < 0) extent->first = at;
    extent->last = at;
}

// Source bytes k .. end-1 one at a time into one output.  k is even, so for
// a 2-bit output every output byte is written whole here.
void convertRest(SplitOutput* output, const uint8_t* source, int32_t k, int32_t end,
                 int outputBits) {
    uint8_t* out = output->out;
    const SplitNibbles& levels = *output->levels;
    if (outputBits == 4) {
        for (; k < end; ++k) {
            const unsigned v = mapByte(levels, source[k]);
            out[k] = static_cast<uint8_t>(v);
            noteByte(&output->extent, k, v);
        }
        return;
    }
    for (; k < end; k += 2) {
        unsigned v = mapByte(levels, source[k]) << 4;
        if (k + 1 < end) v |= mapByte(levels, source[k + 1]);
        out[k / 2] = static_cast<uint8_t>(v);
        noteByte(&output->extent, k / 2, v);
    }
}

// Without a byte shuffle (the portable and SSE2 levels): zero blocks of 16
// source bytes are written as zeros at once (most bytes of a page), the
// others byte by byte.  Returns the first source byte not converted (even).
template <int kOutputs>
int32_t convertBlocksWords(SplitOutput* outputs, const uint8_t* source, int32_t u, int outputBits) {
    int32_t k = 0;
    for (; k + 16 <= u; k += 16) {
        if ((loadLittleWord(source + k) | loadLittleWord(source + k + 8)) == 0) {
            for (int c = 0; c < kOutputs; ++c) {
                if (outputBits == 4) {
                    std::memset(outputs[c].out + k, 0, 16);
                } else {
                    std::memset(outputs[c].out + k / 2, 0, 8);
                }
            }
            continue;
        }
        for (int c = 0; c < kOutputs; ++c) convertRest(&outputs[c], source, k, k + 16, outputBits);
    }
    return k;
}

#if INKBAND_X86_SIMD

INKBAND_TARGET_AVX2 inline __m256i broadcastMap(const uint8_t* map) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(map)));
}

// AVX2: 32 source bytes a step, each level looked up with a byte shuffle
// of the 16-entry maps; the source is loaded and split into nibbles once
// for all outputs (the loops over them unrolled, so that their maps and
// extents stay in registers).
template <int kOutputs>
struct SplitStepsAvx2 {
    __m256i low[kOutputs];
    __m256i high[kOutputs];
    uint8_t* out[kOutputs];
    // The extents, kept here rather than in the outputs: the vector stores
    // may alias those, which would send every update through memory.
    int32_t first[kOutputs];
    int32_t last[kOutputs];
};

// Converts source bytes k .. k+31 into every output.
template <int kOutputs, int kBits>
INKBAND_TARGET_AVX2 INKBAND_ALWAYS_INLINE void convertStepAvx2(SplitStepsAvx2<kOutputs>& steps,
                                                               const uint8_t* source, int32_t k) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + k));
    if (_mm256_testz_si256(x, x) != 0) {
        INKBAND_UNROLL_2
        for (int c = 0; c < kOutputs; ++c) {
            if constexpr (kBits == 4) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(steps.out[c] + k),
                                    _mm256_setzero_si256());
            } else {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(steps.out[c] + k / 2),
                                 _mm_setzero_si128());
            }
        }
        return;
    }
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i lo = _mm256_and_si256(x, nibble);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble);
    INKBAND_UNROLL_2
    for (int c = 0; c < kOutputs; ++c) {
        const __m256i v = _mm256_or_si256(_mm256_shuffle_epi8(steps.low[c], lo),
                                          _mm256_shuffle_epi8(steps.high[c], hi));
        uint32_t nonZero;
        int32_t base;
        if constexpr (kBits == 4) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(steps.out[c] + k), v);
            nonZero = ~static_cast<uint32_t>(
                _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())));
            base = k;
        } else {
            // Two output levels of a 16-bit lane (even source byte low)
            // into one byte, even << 4 | odd.
            const __m256i pairs = _mm256_maddubs_epi16(v, _mm256_set1_epi16(0x0110));
            const __m128i packed =
                _mm_packus_epi16(_mm256_castsi256_si128(pairs), _mm256_extracti128_si256(pairs, 1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(steps.out[c] + k / 2), packed);
            nonZero = static_cast<uint32_t>(
                          _mm_movemask_epi8(_mm_cmpeq_epi8(packed, _mm_setzero_si128()))) ^
                      0xFFFFu;
            base = k / 2;
        }
        if (nonZero != 0) {
            if (steps.last[c] < 0) steps.first[c] = base + lowestSetBit(nonZero);
            steps.last[c] = base + highestSetBit(nonZero);
        }
    }
}

// All whole steps of the source, the last one overlapping the one before it
// when the source is not a whole number of steps (it rewrites the same
// bytes), so only the odd last byte of a 2-bit output is left to
// convertRest.  Returns the first source byte not converted.
template <int kOutputs, int kBits>
INKBAND_TARGET_AVX2 int32_t convertBlocksAvx2(SplitOutput* outputs, const uint8_t* source,
                                              int32_t u) {
    constexpr int32_t kStep = 32;
    // Source bytes the steps cover: a 2-bit output byte takes two.
    const int32_t whole = kBits == 4 ? u : u & ~1;
    if (whole < kStep) return 0;
    SplitStepsAvx2<kOutputs> steps;
    INKBAND_UNROLL_2
    for (int c = 0; c < kOutputs; ++c) {
        steps.low[c] = broadcastMap(outputs[c].levels->low);
        steps.high[c] = broadcastMap(outputs[c].levels->high);
        steps.out[c] = outputs[c].out;
        steps.first[c] = outputs[c].extent.first;
        steps.last[c] = -1;
    }
    int32_t k = 0;
    for (; k + kStep <= whole; k += kStep) convertStepAvx2<kOutputs, kBits>(steps, source, k);
    if (k < whole) convertStepAvx2<kOutputs, kBits>(steps, source, whole - kStep);
    for (int c = 0; c < kOutputs; ++c)
        if (steps.last[c] >= 0) outputs[c].extent = {steps.first[c], steps.last[c]};
    return whole;
}

#endif  // INKBAND_X86_SIMD

template <int kOutputs>
void convertSplit(SplitOutput* outputs, const uint8_t* source, int32_t u, int outputBits,
                  SimdLevel level) {
    const int32_t n = outputBits == 4 ? u : (u + 1) / 2;
    for (int c = 0; c < kOutputs; ++c) outputs[c].extent = {u > 0 ? n : 0, -1};
    if (u <= 0) return;
#if INKBAND_X86_SIMD
    const int32_t k = level != SimdLevel::kAvx2
                          ? convertBlocksWords<kOutputs>(outputs, source, u, outputBits)
                      : outputBits == 4 ? convertBlocksAvx2<kOutputs, 4>(outputs, source, u)
                                        : convertBlocksAvx2<kOutputs, 2>(outputs, source, u);
#else
    (void)level;
    const int32_t k = convertBlocksWords<kOutputs>(outputs, source, u, outputBits);
#endif
    for (int c = 0; c < kOutputs; ++c) convertRest(&outputs[c], source, k, u, outputBits);
}

}  // namespace

ByteExtent convertSplitLine(uint8_t* out, const uint8_t* source, int32_t u, int outputBits,
                            const SplitNibbles& levels, SimdLevel level) {
    SplitOutput output{out, &levels, {}};
    convertSplit<1>(&output, source, u, outputBits, level);
    return output.extent;
}

void convertSplitPair(SplitOutput* outputs, const uint8_t* source, int32_t u, int outputBits,
                      SimdLevel level) {
    convertSplit<2>(outputs, source, u, outputBits, level);
}

}  // namespace inkband
