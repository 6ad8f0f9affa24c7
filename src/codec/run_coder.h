// The run-length coder behind encodeRuns and encodeLine, and the size-only
// twin behind encodedLineSize.
//
// How the coder gets the output of the run-by-run rules without going run by run:
// a run of three or more equal bytes always closes the open literal, so the
// source falls into regions of single bytes and pairs, each ended by such a
// run.  Inside a region every byte goes into literals, except a pair met
// with no literal open, which is a repeat record of two; a literal closes
// at 128 bytes, or earlier where a pair meets it at 126 or 127 bytes (the
// pair then opens the next literal).  So a region is coded a literal at a
// time: where each literal ends follows from its start, the region's end and
// two byte compares.  The runs of three or more are found with 32-bit masks
// of "byte k equals byte k + 1", made with SSE2 compares (always there on
// x86-64) or, in the portable twin, eight bytes at a time with word tricks.
// The vector level is a template argument, so each level's coder is
// compiled whole and picked once per call.  The output is byte for byte that of the
// run-by-run definition (tests/unit/encode_runs_fast_test.cpp holds a
// straightforward copy of it and compares the two on many inputs).
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/byte_words.h"
#include "platform/instruction_sets.h"

namespace inkband::detail {

inline constexpr int32_t kMaxRecordRun = 128;       // longest literal or repeat record
inline constexpr uint8_t kFullRepeat = 0x81;        // count byte of a 128-byte repeat
inline constexpr int32_t kFullLiteralCount = 0x7F;  // count byte of a 128-byte literal
// A pair joins the open literal only while its count byte reads this or less
// (the literal holds at most 125 bytes), so a pair never makes it pass 127.
inline constexpr int32_t kPairJoinLimit = 124;

inline constexpr int32_t kWindow = 32;  // positions one pair mask covers
// Room past the largest coded size that codeRuns<..., true> may write into.
inline constexpr int32_t kSlackBytes = kWindow;

// Plain moves of a fixed size: every compiler makes them one or two vector
// moves where it has vector registers.
inline void move16(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 16); }
inline void move32(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 32); }

// Bit k set when src[k] == src[k + 1], k = 0 .. 31; reads src[0 .. 32].
// Kept in 64 bits so that shifting by a whole window stays defined.
template <SimdLevel kLevel>
inline uint64_t pairMask(const uint8_t* src) {
#if INKBAND_X86_SIMD
    if constexpr (kLevel != SimdLevel::kPortable) {
        const unsigned low = equalMask16(load16(src), load16(src + 1));
        const unsigned high = equalMask16(load16(src + 16), load16(src + 17));
        return low | uint64_t{high} << 16;
    }
#endif
    // Four words, written out: compilers leave a loop of four rolled.
    const auto equal8 = [src](int k) -> uint64_t {
        return equalBytesMask(loadLittleWord(src + k), loadLittleWord(src + k + 1));
    };
    return equal8(0) | equal8(8) << 8 | equal8(16) << 16 | equal8(24) << 24;
}

// Pair mask of positions i .. n-2 for the last, short window (i + 33 > n):
// bits for positions past n-2 are clear.  Reads src[i .. n-1] only.
template <SimdLevel kLevel>
inline uint64_t tailPairMask(const uint8_t* src, int32_t i, int32_t n) {
    const int32_t remaining = n - i;  // 1 .. 32
    if (n > kWindow) {
        // The window that ends at the last byte, shifted down to i.
        const int32_t base = n - kWindow - 1;
        return pairMask<kLevel>(src + base) >> (i - base);
    }
    // A short source: its bytes in a zeroed window, the compares past its
    // last byte dropped.
    uint8_t window[kWindow + 1] = {};
    std::memcpy(window, src + i, static_cast<std::size_t>(remaining));
    return pairMask<kLevel>(window) & ((uint64_t{1} << (remaining - 1)) - 1);
}

// First index at or after k whose byte is not x, or n.
template <SimdLevel kLevel>
inline int32_t runEnd(const uint8_t* src, int32_t k, int32_t n, uint8_t x) {
#if INKBAND_X86_SIMD
    if constexpr (kLevel != SimdLevel::kPortable) {
        const __m128i value = _mm_set1_epi8(static_cast<char>(x));
        for (; k + 32 <= n; k += 32) {
            const unsigned equal = equalMask16(load16(src + k), value) |
                                   equalMask16(load16(src + k + 16), value) << 16;
            if (equal != 0xFFFFFFFFu) return k + lowestSetBit(~equal);
        }
        if (k < n && n >= 32) {
            // The last 32 bytes, from the end; positions before k are dropped.
            const int32_t base = n - 32;
            const unsigned equal = equalMask16(load16(src + base), value) |
                                   equalMask16(load16(src + base + 16), value) << 16;
            const uint64_t differ = uint64_t{~equal} >> (k - base);
            return differ != 0 ? k + lowestSetBit(differ) : n;
        }
        while (k < n && src[k] == x) ++k;
        return k;
    }
#endif
    const uint64_t value = kEveryByte * x;
    for (; k + 8 <= n; k += 8) {
        const uint64_t differ = loadLittleWord(src + k) ^ value;
        if (differ != 0) return k + firstNonZeroByte(differ);
    }
    while (k < n && src[k] == x) ++k;
    return k;
}

// Bit i set when p[i] differs from x, i = 0 .. 15; reads p[0 .. 15].
template <SimdLevel kLevel>
inline unsigned differMask16(const uint8_t* p, uint8_t x) {
#if INKBAND_X86_SIMD
    if constexpr (kLevel != SimdLevel::kPortable)
        return equalMask16(load16(p), _mm_set1_epi8(static_cast<char>(x))) ^ 0xFFFFu;
#endif
    const uint64_t value = kEveryByte * x;
    return highBitsMask(nonZeroByteBits(loadLittleWord(p) ^ value)) |
           highBitsMask(nonZeroByteBits(loadLittleWord(p + 8) ^ value)) << 8;
}

// Copies count bytes exactly: nothing past dst[count - 1] is written, since
// the coded span may end at the very end of its chunk.  Sixteen bytes at a
// time, the last sixteen overlapping bytes already copied; shorter copies
// as two overlapping moves of the largest width that fits.
inline void copyExact(uint8_t* dst, const uint8_t* src, int32_t count) {
    if (count >= 16) {
        int32_t k = 0;
        for (; k + 16 <= count; k += 16) move16(dst + k, src + k);
        if (k < count) move16(dst + count - 16, src + count - 16);
    } else if (count >= 8) {
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

// Copies a literal's bytes.  With kSlack the destination has kSlackBytes of
// room past the largest coded size, so when 32-byte steps do not read past
// the source's end, the copy may write up to 31 bytes past the literal:
// bytes that what follows overwrites, or that lie past the coded span.
template <bool kSlack>
inline void copyLiteral(uint8_t* dst, const uint8_t* src, int32_t count, const uint8_t* srcEnd) {
    if (kSlack && srcEnd - src >= ((count + 31) & ~31)) {
        for (int32_t k = 0; k < count; k += 32) move32(dst + k, src + k);
        return;
    }
    copyExact(dst, src, count);
}

// The writer's state: the next output byte, and the count byte of the open
// literal (null: none open), which holds out - literal - 1 bytes.
struct RunWriter {
    uint8_t* out;
    uint8_t* literal;
};

// Codes the region p .. r-1, which holds single bytes and pairs only (no
// three equal bytes in a row, and r[-1] differs from r[0]).
template <bool kSlack>
INKBAND_ALWAYS_INLINE void codeRegion(RunWriter& w, const uint8_t* p, const uint8_t* r,
                                      const uint8_t* srcEnd) {
    while (p < r) {
        if (w.literal == nullptr) {
            if (r - p >= 2 && p[0] == p[1]) {
                // A pair with no literal open: a repeat record of two.
                w.out[0] = 0xFF;
                w.out[1] = p[0];
                w.out += 2;
                p += 2;
                continue;
            }
            w.literal = w.out++;
        }
        const int32_t size = static_cast<int32_t>(w.out - w.literal - 1);  // bytes in the literal
        // The literal takes every byte up to the region's end or its 128th
        // byte, unless a pair starts where it would hold 126 or 127 bytes: a
        // pair joins only a literal of 125 bytes or fewer.  (Two equal
        // neighbours in a region are always a pair, never the end of one.)
        const int32_t left = static_cast<int32_t>(r - p);
        int32_t take = kMaxRecordRun - size;
        if (take > left) take = left;
        bool split = false;
        if (size + take > kPairJoinLimit + 2) {
            for (int32_t q = kPairJoinLimit + 2 - size; q < take; ++q) {
                if (q >= 0 && q + 1 < left && p[q] == p[q + 1]) {
                    take = q;
                    split = true;
                    break;
                }
            }
        }
        copyLiteral<kSlack>(w.out, p, take, srcEnd);
        *w.literal = static_cast<uint8_t>(size + take - 1);
        w.out += take;
        p += take;
        if (split) {
            // The pair opens a literal of its own.
            w.literal = w.out;
            w.out[0] = 0x01;
            w.out[1] = p[0];
            w.out[2] = p[0];
            w.out += 3;
            p += 2;
        } else if (size + take == kMaxRecordRun) {
            w.literal = nullptr;
        }
    }
}

// A run longer than 128: records of 128 from its front, then the rest; a
// rest of one byte opens a literal.
INKBAND_NOINLINE inline RunWriter appendLongRun(RunWriter w, uint8_t x, int32_t run) {
    for (; run > kMaxRecordRun; run -= kMaxRecordRun) {
        w.out[0] = kFullRepeat;
        w.out[1] = x;
        w.out += 2;
    }
    w.literal = run == 1 ? w.out : nullptr;
    w.out[0] = static_cast<uint8_t>(1 - run);  // 0x00 for a literal of one
    w.out[1] = x;
    w.out += 2;
    return w;
}

// A run of three or more closes the open literal.
INKBAND_ALWAYS_INLINE void appendRun(RunWriter& w, uint8_t x, int32_t run) {
    if (run > kMaxRecordRun) [[unlikely]] {
        w = appendLongRun(w, x, run);
        return;
    }
    w.literal = nullptr;
    w.out[0] = static_cast<uint8_t>(1 - run);
    w.out[1] = x;
    w.out += 2;
}

// A run that fills its window: measured on from k.
template <SimdLevel kLevel>
INKBAND_NOINLINE int32_t runEndPastWindow(const uint8_t* src, int32_t k, int32_t n, uint8_t x) {
    return runEnd<kLevel>(src, k, n, x);
}

// The short steps: the common steps on raster data, taken while no literal
// is open and the window starts where the region does.  A step is a stretch
// of fewer than 31 single bytes and the run of three or more that ends it
// (one literal and one repeat record, written without branches from the
// window's bytes; a run that goes on past the window is measured on), or a
// pair that opens the stretch (a repeat record of two).  They never leave a
// literal open, and return where the general step goes on: a window that
// holds no run of three, or the last 32 bytes.
struct ShortStepsEnd {
    uint8_t* out;
    const uint8_t* q;
};

// A pair at q that is not a run of three: a repeat record of two.
INKBAND_ALWAYS_INLINE void appendFrontPair(uint8_t*& out, const uint8_t*& q) {
    out[0] = 0xFF;
    out[1] = q[0];
    out += 2;
    q += 2;
}

// The rest of a step once the window's bytes are stored at out + 1: the
// count byte of its stretch of `at` (0 .. 30) bytes, then the records of the
// run at q + at, whose neighbours' equality `pairs` holds.  Returns where the
// next step starts.
template <SimdLevel kLevel>
INKBAND_ALWAYS_INLINE const uint8_t* finishShortStep(uint8_t*& out, const uint8_t* q,
                                                     const uint8_t* srcEnd, uint32_t pairs,
                                                     int32_t at) {
    // A stretch of none writes its count byte where the run's goes.
    out[0] = static_cast<uint8_t>(at - 1);
    out += at + ((at + kWindow - 1) >> 5);  // the stretch and its count byte, if any
    const uint8_t x = q[at];
    // Equal neighbours from `at` on; all of them up to the window's end
    // give 32 - at (the mask widened, so that the bits above it count as
    // unequal), and the run may go on.
    const int32_t equal = lowestSetBit(~(uint64_t{pairs} >> at));
    if (at + equal < kWindow) {
        out[0] = static_cast<uint8_t>(-equal);
        out[1] = x;
        out += 2;
        return q + at + equal + 1;
    }
    // Bytes at .. 32 of the window are x.  Most such runs end within the
    // next 16 bytes: look there before measuring on.
    const int32_t left = static_cast<int32_t>(srcEnd - q);
    int32_t end;
    if (left >= kWindow + 1 + 16) {
        const unsigned differ = differMask16<kLevel>(q + kWindow + 1, x);
        end = differ != 0 ? kWindow + 1 + lowestSetBit(uint32_t{differ})
                          : runEndPastWindow<kLevel>(q, kWindow + 17, left, x);
    } else {
        end = runEndPastWindow<kLevel>(q, kWindow + 1, left, x);
    }
    int32_t run = end - at;
    // A run of 128 k + 1 would leave its last byte as an open literal of
    // one; that byte opens the next stretch instead, which codes the same.
    if (run > kMaxRecordRun && (run - 1) % kMaxRecordRun == 0) [[unlikely]] {
        --run;
        --end;
    }
    if (run > kMaxRecordRun) [[unlikely]] {
        out = appendLongRun(RunWriter{out, nullptr}, x, run).out;
    } else {
        out[0] = static_cast<uint8_t>(1 - run);
        out[1] = x;
        out += 2;
    }
    return q + end;
}

// The short steps with 16-byte SSE2 compares, or in the portable twin with
// the word-wise pair mask and plain 32-byte moves.
template <SimdLevel kLevel>
INKBAND_ALWAYS_INLINE ShortStepsEnd codeShortSteps(uint8_t* out, const uint8_t* q,
                                                   const uint8_t* srcEnd) {
    while (srcEnd - q > kWindow) {
#if INKBAND_X86_SIMD
        if constexpr (kLevel != SimdLevel::kPortable) {
            const __m128i a = load16(q);
            const __m128i b = load16(q + 16);
            const uint32_t pairs = equalMask16(a, load16(q + 1)) | equalMask16(b, load16(q + 17))
                                                                       << 16;
            const uint32_t triples = pairs & (pairs >> 1);
            if (triples == 0) break;
            if ((pairs & ~triples & 1) != 0) {
                appendFrontPair(out, q);
                continue;
            }
            store16(out + 1, a);
            store16(out + 17, b);
            q = finishShortStep<kLevel>(out, q, srcEnd, pairs, lowestSetBit(triples));
            continue;
        }
#endif
        const uint32_t pairs = static_cast<uint32_t>(pairMask<kLevel>(q));
        const uint32_t triples = pairs & (pairs >> 1);
        if (triples == 0) break;
        if ((pairs & ~triples & 1) != 0) {
            appendFrontPair(out, q);
            continue;
        }
        move32(out + 1, q);
        q = finishShortStep<kLevel>(out, q, srcEnd, pairs, lowestSetBit(triples));
    }
    return {out, q};
}

// The last 0 .. 32 bytes of the source, with no literal open: the same
// steps on a copy of them in a window of their own, the compares past the
// last byte dropped, so no step reads past the source.
template <SimdLevel kLevel>
INKBAND_ALWAYS_INLINE uint8_t* codeTailSteps(uint8_t* out, const uint8_t* q, int32_t left) {
    if (left <= 0) return out;
    uint8_t window[2 * kWindow] = {};
    copyExact(window, q, left);
    uint64_t pairs = (pairMask<kLevel>(window) & ((uint64_t{1} << (left - 1)) - 1));
    const uint8_t* at0 = window;  // the next step's first byte
    while (left > 0) {
        const uint64_t triples = pairs & (pairs >> 1);
        if ((pairs & ~triples & 1) != 0) {
            appendFrontPair(out, at0);
            left -= 2;
            pairs >>= 2;
            continue;
        }
        // The stretch before the next run of three, or all that is left.
        const int32_t at = triples != 0 ? lowestSetBit(triples) : left;
        out[0] = static_cast<uint8_t>(at - 1);
        move32(out + 1, at0);
        out += at + ((at + kWindow - 1) >> 5);
        if (triples == 0) break;
        // The run ends inside the window: no compare past the last byte is set.
        const int32_t equal = lowestSetBit(~(pairs >> at));
        out[0] = static_cast<uint8_t>(-equal);
        out[1] = at0[at];
        out += 2;
        const int32_t used = at + equal + 1;
        at0 += used;
        left -= used;
        pairs >>= used;
    }
    return out;
}

#if INKBAND_X86_SIMD
// The same steps with 32-byte AVX2 compares (run_steps_avx2.cpp); only for
// a processor that reports AVX2.
ShortStepsEnd codeShortStepsAvx2(uint8_t* out, const uint8_t* q, const uint8_t* srcEnd);
#endif

// PackBits-codes src[0 .. n-1] into dst and returns the number of bytes
// written.  Reads src[0 .. n-1] only; writes dst[0 .. result - 1] only, or
// with kSlack (see copyLiteral) at most kSlackBytes past n + n / 126 + 1.
//
// The pair mask P covers the 32 positions from s; P & (P >> 1) marks where
// three equal bytes start (positions s .. s+30, so a window that holds none
// is followed by one at s + 31).  From a run's first position, the unbroken
// bits of P plus one are its length, unless they reach the window's end:
// then the window starts again at the run, or, for a run that fills it, the
// run is measured on.
//
// kLevel picks the compares; the short steps, which only the write-ahead
// coder takes, run 32 bytes a compare at kAvx2.
template <bool kSlack, SimdLevel kLevel>
inline int32_t codeRuns(uint8_t* dst, const uint8_t* src, int32_t n) {
    RunWriter w{dst, nullptr};
    const uint8_t* const srcEnd = src + n;
    const uint8_t* p = src;  // the region being gathered starts here
    int32_t s = 0;           // window start
    while (p < srcEnd) {
        if (kSlack && w.literal == nullptr && p == src + s) {
            ShortStepsEnd e;
#if INKBAND_X86_SIMD
            if constexpr (kLevel == SimdLevel::kAvx2)
                e = codeShortStepsAvx2(w.out, p, srcEnd);
            else
#endif
                e = codeShortSteps<kLevel>(w.out, p, srcEnd);
            w.out = e.out;
            p = e.q;
            s = static_cast<int32_t>(p - src);
            if (srcEnd - p <= kWindow) {
                w.out = codeTailSteps<kLevel>(w.out, p, static_cast<int32_t>(srcEnd - p));
                return static_cast<int32_t>(w.out - dst);
            }
        }
        const bool full = n - s > kWindow;
        const uint64_t pairs = full ? pairMask<kLevel>(src + s) : tailPairMask<kLevel>(src, s, n);
        const uint64_t triples = pairs & (pairs >> 1);
        if (triples == 0) {
            if (!full) break;  // no run of three up to the end
            s += kWindow - 1;
            continue;
        }
        const int32_t at = lowestSetBit(triples);
        const int32_t r = s + at;
        const int32_t equal = lowestSetBit(~(pairs >> at));  // pairs in a row, >= 2
        int32_t end = r + equal + 1;
        if (at + equal >= kWindow) {
            if (at > 0) {
                s = r;
                continue;
            }
            end = runEndPastWindow<kLevel>(src, s + kWindow + 1, n, src[r]);
        }
        const int32_t length = static_cast<int32_t>(src + r - p);
        if (length > 0) {
            // The usual region: short, and all of it goes into one literal,
            // opened here (no pair at its start) or open and far from 126
            // bytes.  One 32-byte move.
            const bool oneLiteral = w.literal == nullptr
                                        ? length == 1 || p[0] != p[1]
                                        : w.out - w.literal - 1 + length <= kPairJoinLimit + 2;
            if (kSlack && oneLiteral && length <= 32 && srcEnd - p >= 32) {
                if (w.literal == nullptr) w.literal = w.out++;
                move32(w.out, p);
                w.out += length;
                *w.literal = static_cast<uint8_t>(w.out - w.literal - 2);
            } else {
                codeRegion<kSlack>(w, p, src + r, srcEnd);
            }
        }
        appendRun(w, src[r], end - r);
        p = src + end;
        s = end;
    }
    codeRegion<kSlack>(w, p, srcEnd, srcEnd);
    return static_cast<int32_t>(w.out - dst);
}

// codeRuns at a level chosen at run time (the tests run every level
// offered).  Without kSlack the AVX2 coder is the SSE2 one.
template <bool kSlack>
inline int32_t codeRunsAt(SimdLevel level, uint8_t* dst, const uint8_t* src, int32_t n) {
#if INKBAND_X86_SIMD
    if (kSlack && level == SimdLevel::kAvx2) return codeRuns<kSlack, SimdLevel::kAvx2>(dst, src, n);
    if (level != SimdLevel::kPortable) return codeRuns<kSlack, SimdLevel::kSse2>(dst, src, n);
#else
    (void)level;
#endif
    return codeRuns<kSlack, SimdLevel::kPortable>(dst, src, n);
}

// The size codeRuns would write, by the run-by-run rules themselves: used
// only for lines that might not fit their chunk, so it stays the plain
// definition (the tests check that the two agree).
inline int32_t codedRunsSize(const uint8_t* src, int32_t n) {
    int32_t out = 0;
    int32_t literal = -1;  // bytes in the open literal; -1: none open
    int32_t i = 0;
    while (i < n) {
        const uint8_t x = src[i];
        int32_t run = 1;
        while (i + run < n && src[i + run] == x) ++run;
        i += run;
        if (literal >= 0) {
            if (run == 1) {
                ++out;
                if (++literal == kMaxRecordRun) literal = -1;
                continue;
            }
            if (run == 2) {
                if (literal - 1 <= kPairJoinLimit) {
                    out += 2;
                    literal += 2;
                } else {
                    out += 3;
                    literal = 2;
                }
                continue;
            }
            literal = -1;
        }
        if (run > kMaxRecordRun) {
            const int32_t full = (run - (kMaxRecordRun + 1)) / kMaxRecordRun + 1;
            out += 2 * full;
            run -= kMaxRecordRun * full;
        }
        if (run == 1) literal = 1;
        out += 2;
    }
    return out;
}

}  // namespace inkband::detail

namespace inkband {

// PackBits-codes src[0 .. count-1] (count 0 .. 32767) into dst and returns
// the bytes written, at most count + count / 126 + 1.  The line coder codes
// its spans through codeRunsAt; this is the run coder on its own, for the
// tests and the benchmarks, and compiles only into what calls it.
inline int16_t encodeRuns(uint8_t* dst, const uint8_t* src, int16_t count) {
    if (count <= 0) return 0;
    return static_cast<int16_t>(detail::codeRunsAt<false>(bestSimdLevel(), dst, src, count));
}

}  // namespace inkband
