// Ordered dither and level packing.
#include "inkband/halftone.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace inkband::tool;

// Every cell of a Bayer matrix holds a threshold of its own, evenly spread
// over (0, 1), and the matrix tiles the plane.
TEST(Halftone, BayerThresholdsArePermutationsThatTile) {
    for (const auto& [matrix, n] :
         {std::pair{DitherMatrix::Bayer8, 8}, std::pair{DitherMatrix::Bayer16, 16}}) {
        std::set<float> seen;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const float t = ditherThreshold(matrix, x, y, 0);
                EXPECT_GT(t, 0.0f);
                EXPECT_LT(t, 1.0f);
                seen.insert(t);
                EXPECT_EQ(t, ditherThreshold(matrix, x + n, y + 2 * n, 0));
            }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(n * n));
        EXPECT_FLOAT_EQ(*seen.begin(), 0.5f / (n * n));
    }
    // Planes read the matrix shifted, so they do not share their dots.
    EXPECT_NE(ditherThreshold(DitherMatrix::Bayer8, 0, 0, 0),
              ditherThreshold(DitherMatrix::Bayer8, 0, 0, 1));
}

// Over one tile the mean level equals the amount times the levels, to
// within one threshold step: the dither neither darkens nor lightens.
TEST(Halftone, MeanLevelOverATileMatchesTheAmount) {
    for (int maxLevel : {1, 2, 3, 4, 7, 9, 15}) {
        for (int step = 0; step <= 100; ++step) {
            const float amount = step / 100.0f;
            for (int plane = 0; plane < 3; ++plane) {
                double sum = 0;
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x) {
                        const int level = halftoneLevel(
                            amount, maxLevel, ditherThreshold(DitherMatrix::Bayer8, x, y, plane));
                        ASSERT_GE(level, 0);
                        ASSERT_LE(level, maxLevel);
                        sum += level;
                    }
                EXPECT_NEAR(sum / 64 / maxLevel, amount, 1.0 / 64 / maxLevel + 1e-6)
                    << "levels 0.." << maxLevel << ", amount " << amount;
            }
        }
    }
}

TEST(Halftone, EndsOfTheRangeAreExact) {
    for (float t : {0.001f, 0.5f, 0.999f}) {
        EXPECT_EQ(halftoneLevel(0.0f, 9, t), 0);
        EXPECT_EQ(halftoneLevel(-0.5f, 9, t), 0);
        EXPECT_EQ(halftoneLevel(1.0f, 9, t), 9);
        EXPECT_EQ(halftoneLevel(1.5f, 2, t), 2);
    }
    // An amount that lands exactly on a level needs no dither.
    EXPECT_EQ(halftoneLevel(0.5f, 2, 0.999f), 1);
    EXPECT_EQ(halftoneLevel(0.5f, 2, 0.001f), 1);
}

TEST(Halftone, PacksLevelsFirstPixelInTheHighBits) {
    struct Case {
        int bits;
        std::vector<uint8_t> levels;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {1, {1, 0, 1, 1, 0, 0, 0, 1, 1}, {0xB1, 0x80}},
        {2, {3, 2, 1, 0, 1}, {0xE4, 0x40}},
        {4, {15, 1, 10}, {0xF1, 0xA0}},
        {2, {2, 2, 2, 2}, {0xAA}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(c.bytes.size() + 1, 0xEE);
        packLevels(c.levels.data(), static_cast<int>(c.levels.size()), c.bits, out.data());
        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.end() - 1), c.bytes) << c.bits << " bits";
        EXPECT_EQ(out.back(), 0xEE) << "wrote past the line";
    }
}
