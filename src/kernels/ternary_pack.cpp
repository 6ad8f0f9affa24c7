#include "kernels/ternary_pack.h"

#include <cstring>

namespace inkband {

namespace {

constexpr int16_t kTwoBitShift = 2;     // pixel shift of a 2-bit plane
constexpr int32_t kGroupsPerBlock = 4;  // five source bytes give four packed bytes
constexpr int32_t kBytesPerBlock = 5;
constexpr int32_t kVectorGroups = 32;  // packed bytes per vector step

// Packed byte g from the 16-bit window over source bytes d = g + g / 4 and
// d + 1 (0 past the end), shifted by 6, 4, 2, 0 as g counts through a block.
// This is the definition every faster path reproduces.
inline uint8_t packGroup(const uint8_t* bytes, int32_t n, int32_t g) {
    const int32_t d = g + g / kGroupsPerBlock;
    const int shift = 6 - 2 * (g % kGroupsPerBlock);
    unsigned window = static_cast<unsigned>(bytes[d]) << 8;
    if (d + 1 < n) window |= bytes[d + 1];
    return TernaryPackTable[(window >> shift) & 0x3FF];
}

// Whole blocks: the five source bytes as one 40-bit number, four lookups.
// Returns the first group not packed.
int32_t packBlocksPortable(uint8_t* bytes, int32_t n, int32_t g, int32_t g1) {
    for (; g + kGroupsPerBlock - 1 <= g1; g += kGroupsPerBlock) {
        const uint8_t* s = bytes + g + g / kGroupsPerBlock;
        if (s + kBytesPerBlock > bytes + n) break;
        const uint64_t v = (uint64_t{s[0]} << 32) | (uint64_t{s[1]} << 24) |
                           (uint64_t{s[2]} << 16) | (uint64_t{s[3]} << 8) | uint64_t{s[4]};
        // All five source bytes are read before the four packed bytes are
        // written over the first four of them.
        bytes[g] = TernaryPackTable[(v >> 30) & 0x3FF];
        bytes[g + 1] = TernaryPackTable[(v >> 20) & 0x3FF];
        bytes[g + 2] = TernaryPackTable[(v >> 10) & 0x3FF];
        bytes[g + 3] = TernaryPackTable[v & 0x3FF];
    }
    return g;
}

#if INKBAND_X86_SIMD

// AVX2: 16 packed bytes (as 16-bit lanes) from 20 source bytes, computed
// rather than looked up, with the table's result:
// 1. a byte shuffle puts, in lane 4k + r, source bytes 5k + r (high) and
//    5k + r + 1 (low) of the block;
// 2. multiplying by 4^r and shifting right by 6 leaves the lane's five
//    pixels d0 .. d4 (d0 in bits 9-8): the bits above drop out of 16 bits;
// 3. each nibble of pixel pairs (d3 d4), (d1 d2) and the lone d0 becomes its
//    base-3 value through a 16-entry shuffle table, 0xFF when a pixel is 3;
// 4. multiply-add: 81 d0 + 9 (3 d1 + d2) + (3 d3 + d4); a lane that met a
//    pixel of 3 sums to at least 255 and becomes 0, as the table has it.
INKBAND_TARGET_AVX2 inline __m256i packSixteen(const uint8_t* s) {
    // The high 128-bit lane is loaded 4 bytes further on, so that it picks
    // its two blocks (source bytes 10 .. 19) from offsets 6 .. 15.
    const __m256i gather =
        _mm256_setr_epi8(1, 0, 2, 1, 3, 2, 4, 3, 6, 5, 7, 6, 8, 7, 9, 8,  //
                         7, 6, 8, 7, 9, 8, 10, 9, 12, 11, 13, 12, 14, 13, 15, 14);
    const __m256i scale = _mm256_setr_epi16(1, 4, 16, 64, 1, 4, 16, 64, 1, 4, 16, 64, 1, 4, 16, 64);
    const __m256i nibbles = _mm256_set1_epi8(0x0F);
    const __m256i base3 =
        _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, -1, -1, -1, -1,  //
                         0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, -1, -1, -1, -1);
    const __m256i weightsLow = _mm256_set1_epi16(81 << 8 | 1);  // (3 d3 + d4) + 81 d0
    const __m256i weightsHigh = _mm256_set1_epi16(9);           // 9 (3 d1 + d2)
    const __m256i largest = _mm256_set1_epi16(242);

    __m256i words = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(s + 4),
                                        reinterpret_cast<const __m128i*>(s));
    words = _mm256_shuffle_epi8(words, gather);
    const __m256i v = _mm256_srli_epi16(_mm256_mullo_epi16(words, scale), 6);
    const __m256i low = _mm256_shuffle_epi8(base3, _mm256_and_si256(v, nibbles));
    const __m256i high =
        _mm256_shuffle_epi8(base3, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibbles));
    const __m256i sum = _mm256_add_epi16(_mm256_maddubs_epi16(low, weightsLow),
                                         _mm256_maddubs_epi16(high, weightsHigh));
    return _mm256_andnot_si256(_mm256_cmpgt_epi16(sum, largest), sum);
}

// 32 packed bytes from 40 source bytes a step.  Returns the first group not
// packed.
INKBAND_TARGET_AVX2 int32_t packBlocksAvx2(uint8_t* bytes, int32_t n, int32_t g, int32_t g1) {
    constexpr int32_t kStepBytes = kVectorGroups / kGroupsPerBlock * kBytesPerBlock;
    for (; g + kVectorGroups - 1 <= g1; g += kVectorGroups) {
        const uint8_t* s = bytes + g + g / kGroupsPerBlock;
        if (s + kStepBytes > bytes + n) break;
        // Zero source bytes pack to zeros: most steps of a sparse line.
        const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
        const __m128i tail = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 32));
        if (_mm256_testz_si256(head, head) != 0 && _mm_testz_si128(tail, tail) != 0) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes + g), _mm256_setzero_si256());
            continue;
        }
        __m256i packed = _mm256_packus_epi16(packSixteen(s), packSixteen(s + 20));
        // packus interleaves the two halves by 128-bit lane: put them in order.
        packed = _mm256_permute4x64_epi64(packed, 0xD8);
        // The 40 source bytes are in registers; the 32 packed bytes land
        // below every source byte a later step reads (5 / 4 of its group).
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes + g), packed);
    }
    return g;
}

#endif  // INKBAND_X86_SIMD

}  // namespace

void packTernaryGroups(uint8_t* bytes, int32_t n, int32_t g0, int32_t g1, SimdLevel level) {
    int32_t g = g0;
#if INKBAND_X86_SIMD
    if (level == SimdLevel::kAvx2) g = packBlocksAvx2(bytes, n, g, g1);
#else
    (void)level;
#endif
    g = packBlocksPortable(bytes, n, g, g1);
    for (; g <= g1; ++g) bytes[g] = packGroup(bytes, n, g);
}

ByteExtent packTernarySpan(PlaneLine* line, int32_t first, int32_t last, SimdLevel level) {
    uint8_t* bytes = line->data;
    // The packing starts at the block holding `first`; what of the block
    // lies before the span may hold an older line's data.
    const int32_t blockStart = ternaryBlockStart(first);
    const int32_t spanStart = line->left >> kTwoBitShift;
    if (blockStart < spanStart)
        std::memset(bytes + blockStart, 0, static_cast<std::size_t>(spanStart - blockStart));

    const int32_t n = ((line->width - line->right - 1) >> kTwoBitShift) + 1;
    const int32_t j = ternaryPackedSize(n);
    // Groups before the block holding `first` cover zero bytes only and so
    // do the groups after the one holding `last`: as many of those as round
    // the packing up to whole vector steps are packed with the rest, and
    // none of them is looked at.
    const int32_t g0 = first / kBytesPerBlock * kGroupsPerBlock;
    int32_t g1 = (4 * last + 3) / kBytesPerBlock;
    const int32_t dataEnd = g1;
    g1 = g0 + (g1 - g0 + kVectorGroups) / kVectorGroups * kVectorGroups - 1;
    if (g1 > j - 1) g1 = j - 1;
    packTernaryGroups(bytes, n, g0, g1, level);

    // Non-zero packed bytes lie among those that cover first .. last.
    const int32_t scanned = (dataEnd < g1 ? dataEnd : g1) + 1 - g0;
    ByteExtent packed{j, -1};
    const ByteExtent found = findExtentFromEnds(bytes + g0, scanned, level);
    if (found.first < scanned) packed = {g0 + found.first, g0 + found.last};
    line->width = static_cast<int16_t>(j << kTwoBitShift);
    line->left = static_cast<int16_t>(packed.first << kTwoBitShift);
    line->right = 0;
    return packed;
}

}  // namespace inkband
