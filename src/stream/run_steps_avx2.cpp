// The coder's short steps with 32-byte AVX2 compares: one load and one
// compare give a window's pair mask, one store copies its stretch.  Used
// only where the processor reports AVX2 (encodeLine asks), otherwise the
// SSE2 steps in run_coder.h run.
#include "stream/run_coder.h"

#if INKBAND_X86_SIMD
#include <immintrin.h>

namespace inkband::detail {

__attribute__((target("avx2"))) ShortStepsEnd codeShortStepsAvx2(uint8_t* out, const uint8_t* q,
                                                                 const uint8_t* srcEnd) {
    while (srcEnd - q > kWindow) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 1));
        const unsigned pairs =
            static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, next)));
        const unsigned triples = pairs & (pairs >> 1);
        if (triples == 0) break;
        if ((pairs & ~triples & 1) != 0) {
            appendFrontPair(out, q);
            continue;
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 1), v);
        q = finishShortStep(out, q, srcEnd, pairs, __builtin_ctz(triples));
    }
    return {out, q};
}

}  // namespace inkband::detail

#endif  // INKBAND_X86_SIMD
