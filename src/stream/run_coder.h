// The one run-scanning core behind encodeRuns and encodedLineSize.  With
// kWrite false it only counts: the literal bookkeeping is the same, so the
// two can never disagree on the size of an encoded span.
#pragma once

#include <cstdint>

namespace inkband::detail {

inline constexpr int32_t kMaxRecordRun = 128;       // longest literal or repeat record
inline constexpr uint8_t kFullRepeat = 0x81;        // count byte of a 128-byte repeat
inline constexpr int32_t kFullLiteralCount = 0x7F;  // count byte of a 128-byte literal
// A pair joins the open literal only while its count byte reads this or less
// (the literal holds at most 125 bytes), so a pair never makes it pass 127.
inline constexpr int32_t kPairJoinLimit = 124;

// PackBits-codes src[0 .. n-1]; writes at dst when kWrite, and returns the
// number of bytes the coded form takes.
template <bool kWrite>
inline int32_t codeRuns(uint8_t* dst, const uint8_t* src, int32_t n) {
    int32_t out = 0;
    int32_t literalAt = -1;  // position of the open literal's count byte
    int32_t literalCount = 0;
    int32_t i = 0;
    while (i < n) {
        const uint8_t x = src[i];
        int32_t j = i + 1;
        while (j < n && src[j] == x) ++j;
        int32_t run = j - i;
        i = j;

        if (literalAt >= 0) {
            if (run == 1) {
                ++literalCount;
                if constexpr (kWrite) {
                    dst[literalAt] = static_cast<uint8_t>(literalCount);
                    dst[out] = x;
                }
                ++out;
                if (literalCount == kFullLiteralCount) literalAt = -1;
                continue;
            }
            if (run == 2) {
                if (literalCount <= kPairJoinLimit) {
                    literalCount += 2;
                    if constexpr (kWrite) {
                        dst[literalAt] = static_cast<uint8_t>(literalCount);
                        dst[out] = x;
                        dst[out + 1] = x;
                    }
                    out += 2;
                } else {
                    // The pair would not fit: it opens a literal of its own.
                    literalAt = out;
                    literalCount = 1;
                    if constexpr (kWrite) {
                        dst[out] = 0x01;
                        dst[out + 1] = x;
                        dst[out + 2] = x;
                    }
                    out += 3;
                }
                continue;
            }
            literalAt = -1;  // three or more equal bytes close the literal
        }

        if (run > kMaxRecordRun) {
            const int32_t full = (run - (kMaxRecordRun + 1)) / kMaxRecordRun + 1;
            if constexpr (kWrite) {
                for (int32_t k = 0; k < full; ++k) {
                    dst[out + 2 * k] = kFullRepeat;
                    dst[out + 2 * k + 1] = x;
                }
            }
            out += 2 * full;
            run -= kMaxRecordRun * full;
        }
        if (run == 1) {
            literalAt = out;
            literalCount = 0;
        }
        if constexpr (kWrite) {
            dst[out] = static_cast<uint8_t>(1 - run);  // 0x00 for a literal of one
            dst[out + 1] = x;
        }
        out += 2;
    }
    return out;
}

}  // namespace inkband::detail
