// The one place that decides which instruction sets the module uses, and
// the few compiler-specific spellings that go with them.
//
// - INKBAND_X86_SIMD is 1 on x86-64 with GCC, Clang or MSVC unless the build
//   turns vector code off (CMake option INKBAND_ENABLE_SIMD=OFF defines
//   INKBAND_ENABLE_SIMD=0).  SSE2 is part of x86-64, so its routines need no
//   query; AVX2 routines run only where the processor and the operating
//   system (which must save the wider registers) report AVX2, and only while
//   INKBAND_ENABLE_AVX2 is not 0.
// - Every other processor, and every build with vector code off, takes the
//   portable routines: plain C++ that gives the same bytes.
// - Only routines compiled where INKBAND_X86_SIMD is 1 include intrinsics,
//   through this header.
#pragma once

#include <bit>
#include <cstdint>

#if !defined(INKBAND_ENABLE_SIMD)
#define INKBAND_ENABLE_SIMD 1
#endif
#if !defined(INKBAND_ENABLE_AVX2)
#define INKBAND_ENABLE_AVX2 1
#endif

#if INKBAND_ENABLE_SIMD && (defined(__x86_64__) || (defined(_M_X64) && !defined(_M_ARM64EC)))
#define INKBAND_X86_SIMD 1
#else
#define INKBAND_X86_SIMD 0
#endif

#if INKBAND_X86_SIMD
#include <immintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#endif
#endif

// Function attributes.  INKBAND_TARGET_AVX2 marks a routine that may use
// AVX2 instructions in a translation unit compiled for baseline x86-64 (GCC
// and Clang need it; MSVC compiles any intrinsic anywhere).
// INKBAND_UNROLL_2 before a loop over the two outputs of a pair keeps both
// in registers.
#if defined(__GNUC__) || defined(__clang__)
#define INKBAND_ALWAYS_INLINE __attribute__((always_inline)) inline
#define INKBAND_NOINLINE __attribute__((noinline))
#define INKBAND_TARGET_AVX2 __attribute__((target("avx2")))
#define INKBAND_UNROLL_2 _Pragma("GCC unroll 2")
#elif defined(_MSC_VER)
#define INKBAND_ALWAYS_INLINE __forceinline
#define INKBAND_NOINLINE __declspec(noinline)
#define INKBAND_TARGET_AVX2
#define INKBAND_UNROLL_2
#else
#define INKBAND_ALWAYS_INLINE inline
#define INKBAND_NOINLINE
#define INKBAND_TARGET_AVX2
#define INKBAND_UNROLL_2
#endif

namespace inkband {

enum class SimdLevel {
    kPortable,  // plain C++
    kSse2,
    kAvx2,
};

#if INKBAND_X86_SIMD && INKBAND_ENABLE_AVX2
namespace detail {
#if defined(__GNUC__)
// A read of the flags the compiler's runtime filled in at start-up (GCC,
// and Clang with the GNU runtime; clang-cl asks CPUID as MSVC does).
inline bool processorHasAvx2() { return __builtin_cpu_supports("avx2"); }
#else
// CPUID leaf 7 reports AVX2; leaf 1's OSXSAVE and XGETBV's bits 1 and 2 say
// the operating system saves the SSE and AVX registers.
inline bool queryAvx2() {
    int info[4];
    __cpuid(info, 0);
    if (info[0] < 7) return false;
    __cpuid(info, 1);
    constexpr int kOsxsave = 1 << 27, kAvx = 1 << 28;
    if ((info[2] & (kOsxsave | kAvx)) != (kOsxsave | kAvx)) return false;
    if ((_xgetbv(0) & 6) != 6) return false;
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
}
// Asked once: CPUID is slow (a trap to the hypervisor on a virtual machine)
// and its answer never changes while the process runs.
inline bool processorHasAvx2() {
    static const bool hasAvx2 = queryAvx2();
    return hasAvx2;
}
#endif
}  // namespace detail
#endif

// The best level this build and this processor offer.
inline SimdLevel bestSimdLevel() {
#if INKBAND_X86_SIMD && INKBAND_ENABLE_AVX2
    return detail::processorHasAvx2() ? SimdLevel::kAvx2 : SimdLevel::kSse2;
#elif INKBAND_X86_SIMD
    return SimdLevel::kSse2;
#else
    return SimdLevel::kPortable;
#endif
}

// True when code of `level` may run here (tests run every level offered).
inline bool simdLevelAvailable(SimdLevel level) {
    return static_cast<int>(level) <= static_cast<int>(bestSimdLevel());
}

// Bit scans of values known to be non-zero, for the hot loops: the compiler's
// own scan where it has one (no test for zero), std::countr_zero and
// std::countl_zero elsewhere.
INKBAND_ALWAYS_INLINE int lowestSetBit(uint32_t nonZero) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctz(nonZero);
#else
    return std::countr_zero(nonZero);
#endif
}
INKBAND_ALWAYS_INLINE int lowestSetBit(uint64_t nonZero) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(nonZero);
#else
    return std::countr_zero(nonZero);
#endif
}
INKBAND_ALWAYS_INLINE int highestSetBit(uint32_t nonZero) {
#if defined(__GNUC__) || defined(__clang__)
    return 31 - __builtin_clz(nonZero);
#else
    return 31 - std::countl_zero(nonZero);
#endif
}

#if INKBAND_X86_SIMD
inline __m128i load16(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
// Bit i set when byte i of v equals byte i of w.
inline unsigned equalMask16(__m128i v, __m128i w) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, w)));
}

INKBAND_TARGET_AVX2 inline __m256i load32(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
INKBAND_TARGET_AVX2 inline void store32(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
#endif

}  // namespace inkband
