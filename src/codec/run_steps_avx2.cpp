// The coder's short steps with 32-byte AVX2 compares: one load and one
// compare give a window's pair mask, one store copies its stretch.  Used
// only where the processor reports AVX2 (encodeLine asks), otherwise the
// SSE2 steps in run_coder.h run.
#include "codec/run_coder.h"

#if INKBAND_X86_SIMD

namespace inkband::detail {

INKBAND_TARGET_AVX2 ShortStepsEnd codeShortStepsAvx2(uint8_t* out, const uint8_t* q,
                                                     const uint8_t* srcEnd) {
    while (srcEnd - q > kWindow) {
        const __m256i v = load32(q);
        const uint32_t pairs =
            static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, load32(q + 1))));
        const uint32_t triples = pairs & (pairs >> 1);
        if (triples == 0) break;
        if ((pairs & ~triples & 1) != 0) {
            appendFrontPair(out, q);
            continue;
        }
        store32(out + 1, v);
        q = finishShortStep<SimdLevel::kAvx2>(out, q, srcEnd, pairs, lowestSetBit(triples));
    }
    return {out, q};
}

}  // namespace inkband::detail

#endif  // INKBAND_X86_SIMD
