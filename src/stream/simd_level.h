// Which vector instructions the scanning and coding loops use.  x86-64
// always has SSE2; AVX2 is used only when the processor (and the operating
// system, which must save the wider registers) reports it, asked at run time
// on every call: a read of the flags the compiler's runtime filled in at
// start-up, so no state of ours is kept.  Other processors take the
// portable loops.
#pragma once

#if (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
#define INKBAND_X86_SIMD 1
#else
#define INKBAND_X86_SIMD 0
#endif

namespace inkband {

enum class SimdLevel {
    kPortable,  // plain C++
    kSse2,
    kAvx2,
};

// The best level this processor offers.
inline SimdLevel bestSimdLevel() {
#if INKBAND_X86_SIMD
    return __builtin_cpu_supports("avx2") ? SimdLevel::kAvx2 : SimdLevel::kSse2;
#else
    return SimdLevel::kPortable;
#endif
}

// True when code of `level` may run here (tests run every level offered).
inline bool simdLevelAvailable(SimdLevel level) {
    return static_cast<int>(level) <= static_cast<int>(bestSimdLevel());
}

}  // namespace inkband
