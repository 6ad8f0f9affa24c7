// The split's line conversion against a pixel-by-pixel model, at every
// vector level the processor offers: random level tables, line lengths
// around the vector steps, sparse, dense and blank lines; every written
// byte, the bytes past the line (never written) and the extent are checked.
#include "kernels/split_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/simd_levels.h"

using namespace inkband;

namespace {

using Bytes = std::vector<uint8_t>;

using test::levelsHere;
using test::nameOf;

// Output pixel x is the mapped level of source pixel x (two 4-bit pixels a
// source byte, first pixel in the high bits).
Bytes modelLine(const Bytes& source, int32_t u, int bits, const uint8_t* table, int length) {
    const int32_t pixels = 2 * u;
    const int perByte = 8 / bits;
    Bytes out(static_cast<std::size_t>((pixels + perByte - 1) / perByte), 0);
    for (int32_t x = 0; x < pixels; ++x) {
        const unsigned v = (source[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
        const unsigned w = (v < static_cast<unsigned>(length) ? table[v] : 0) & ((1u << bits) - 1);
        out[x / perByte] |= static_cast<uint8_t>(w << (8 - bits * (1 + x % perByte)));
    }
    return out;
}

TEST(SplitConvert, MatchesThePixelModelAtEveryLevel) {
    std::mt19937 rng(29);
    constexpr uint8_t kCanary = 0xA5;
    for (SimdLevel level : levelsHere()) {
        for (int round = 0; round < 4000; ++round) {
            const int bits = round % 2 == 0 ? 4 : 2;
            const int32_t u = round < 400 ? round / 2 : static_cast<int32_t>(rng() % 3000);
            uint8_t tables[2][16] = {};
            int lengths[2];
            SplitNibbles maps[2];
            for (int t = 0; t < 2; ++t) {
                lengths[t] = 1 + static_cast<int>(rng() % 16);
                for (int v = 1; v < 16; ++v) tables[t][v] = static_cast<uint8_t>(rng() % 16);
                maps[t] = makeSplitNibbles(tables[t], lengths[t], bits);
            }

            Bytes source(static_cast<std::size_t>(u), 0);
            switch (rng() % 4) {
                case 0:
                    break;  // blank
                case 1:
                    for (uint8_t& b : source) b = static_cast<uint8_t>(rng());
                    break;
                default:
                    for (int k = static_cast<int>(rng() % 6); k > 0 && u > 0; --k)
                        source[rng() % u] = static_cast<uint8_t>(rng());
                    break;
            }
            // Output 0 alone, then outputs 0 and 1 as a pair.
            std::vector<Bytes> outs(3);
            std::vector<ByteExtent> extents(3);
            Bytes expected[2];
            for (int t = 0; t < 2; ++t)
                expected[t] = modelLine(source, u, bits, tables[t], lengths[t]);
            for (Bytes& out : outs) out.assign(expected[0].size() + 40, kCanary);
            extents[0] = convertSplitLine(outs[0].data(), source.data(), u, bits, maps[0], level);
            SplitOutput pair[2] = {{outs[1].data(), &maps[0], {}}, {outs[2].data(), &maps[1], {}}};
            convertSplitPair(pair, source.data(), u, bits, level);
            extents[1] = pair[0].extent;
            extents[2] = pair[1].extent;

            for (int o = 0; o < 3; ++o) {
                const Bytes& want = expected[o == 2 ? 1 : 0];
                const Bytes& out = outs[o];
                const int32_t n = static_cast<int32_t>(want.size());
                ASSERT_EQ(Bytes(out.begin(), out.begin() + n), want)
                    << nameOf(level) << " output " << o << " u " << u << " bits " << bits;
                for (std::size_t k = want.size(); k < out.size(); ++k)
                    ASSERT_EQ(out[k], kCanary) << "written past the line, u " << u;
                int32_t first = n, last = -1;
                for (int32_t k = 0; k < n; ++k) {
                    if (want[k] == 0) continue;
                    if (last < 0) first = k;
                    last = k;
                }
                if (last < 0) {
                    ASSERT_GT(extents[o].first, extents[o].last) << "u " << u;
                } else {
                    ASSERT_EQ(extents[o].first, first) << "u " << u;
                    ASSERT_EQ(extents[o].last, last) << "u " << u;
                }
            }
        }
    }
}

TEST(SplitConvert, NibbleMapsDropLevelsPastTheTableAndMaskToTheDepth) {
    const uint8_t table[4] = {0, 5, 3, 1};
    const SplitNibbles four = makeSplitNibbles(table, 4, 4);
    const SplitNibbles two = makeSplitNibbles(table, 4, 2);
    const uint8_t fourLow[16] = {0, 5, 3, 1};
    const uint8_t twoLow[16] = {0, 1, 3, 1};
    for (int v = 0; v < 16; ++v) {
        EXPECT_EQ(four.low[v], fourLow[v]) << v;
        EXPECT_EQ(four.high[v], fourLow[v] << 4) << v;
        EXPECT_EQ(two.low[v], twoLow[v]) << v;
        EXPECT_EQ(two.high[v], twoLow[v] << 2) << v;
    }
}

}  // namespace
