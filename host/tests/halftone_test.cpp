// Halftoning and packing: every plane depth and quality keeps the tone of
// what it prints (the mean level over each 1 mm cell within 2 % of the
// amount), prints every tint from 1 %, and packs as the module reads it.
#include "host/halftone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "host/plane_packing.h"

namespace inkband::host {
namespace {

constexpr Quality kQualities[] = {Quality::Draft, Quality::Normal, Quality::High};
// The level ranges of the modes' planes: 1-bit, ternary, 2-bit, the ten-plane
// modes' 4, 7 and 9, 4-bit.
constexpr int kMaxLevels[] = {1, 2, 3, 4, 7, 9, 15};

// Tints of 1 to 100 %, as bars 10 mm long across the page, each on its own
// 10 mm stripe; then a smooth ramp from 0 to 100 %.  300 dpi: 1 mm is 12
// pixels.
constexpr int kCell = 12;
constexpr int kBar = 120;
constexpr int kTints[] = {1, 2, 3, 5, 7, 10, 15, 20, 30, 40, 50, 60, 70, 80, 90, 99, 100};
constexpr int kTintCount = sizeof kTints / sizeof kTints[0];

uint8_t amountAt(int x, int y) {
    if (y < kBar) {
        const int tint = kTints[x / kBar];
        return static_cast<uint8_t>(std::lround(tint * 2.55));
    }
    return static_cast<uint8_t>(x * 255 / (kBar * kTintCount - 1));  // ramp
}

// A page of one plane.
Halftone onePlane(Quality quality, int maxLevel, int phase, int width, bool inverted = false) {
    Halftone h;
    startHalftone(h, quality, width);
    addHalftonePlane(h, maxLevel, phase, inverted);
    return h;
}

bool lineOf(Halftone& h, const uint8_t* amounts, int y, uint8_t* levels) {
    bool any = false;
    halftoneLine(h, &amounts, y, &levels, &any);
    return any;
}

struct Page {
    int width = kBar * kTintCount, height = 2 * kBar;
    std::vector<uint8_t> levels;
};

Page halftonePage(Quality quality, int maxLevel, int planeIndex) {
    Page page;
    page.levels.resize(static_cast<std::size_t>(page.width) * page.height);
    Halftone plane = onePlane(quality, maxLevel, planeIndex, page.width);
    std::vector<uint8_t> amounts(static_cast<std::size_t>(page.width));
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) amounts[x] = amountAt(x, y);
        lineOf(plane, amounts.data(), y, &page.levels[static_cast<std::size_t>(y) * page.width]);
    }
    return page;
}

TEST(Halftone, CellMeansFollowTheAmountAndEveryTintPrints) {
    for (Quality quality : kQualities)
        for (int maxLevel : kMaxLevels)
            for (int planeIndex : {0, 3}) {
                SCOPED_TRACE(std::string(qualityName(quality)) + " levels 0-" +
                             std::to_string(maxLevel) + " plane " + std::to_string(planeIndex));
                const Page page = halftonePage(quality, maxLevel, planeIndex);
                double errorSum = 0;
                int cells = 0;
                for (int cy = 0; cy + kCell <= page.height; cy += kCell)
                    for (int cx = 0; cx + kCell <= page.width; cx += kCell) {
                        double level = 0, amount = 0;
                        for (int y = cy; y < cy + kCell; ++y)
                            for (int x = cx; x < cx + kCell; ++x) {
                                const int v =
                                    page.levels[static_cast<std::size_t>(y) * page.width + x];
                                ASSERT_LE(v, maxLevel);
                                level += static_cast<double>(v) / maxLevel;
                                amount += amountAt(x, y) / 255.0;
                            }
                        errorSum += std::abs(level - amount) / (kCell * kCell);
                        ++cells;
                    }
                EXPECT_LT(errorSum / cells, 0.02);
                for (int t = 0; t < kTintCount; ++t) {
                    int dots = 0;
                    for (int y = 0; y < kBar; ++y)
                        for (int x = t * kBar; x < (t + 1) * kBar; ++x)
                            dots += page.levels[static_cast<std::size_t>(y) * page.width + x] > 0;
                    EXPECT_GT(dots, 0) << kTints[t] << " % prints nothing";
                }
            }
}

TEST(Halftone, BlankAndSolidStayExact) {
    for (Quality quality : kQualities)
        for (int maxLevel : kMaxLevels) {
            Halftone plane = onePlane(quality, maxLevel, 1, 64);
            std::vector<uint8_t> amounts(64), levels(64, 99);
            for (int y = 0; y < 8; ++y) {
                // Solid, white, solid: no dot in the white, no gap in the solid.
                for (int x = 0; x < 64; ++x) amounts[x] = (x / 16) % 2 == 0 ? 255 : 0;
                const bool any = lineOf(plane, amounts.data(), y, levels.data());
                EXPECT_TRUE(any);
                for (int x = 0; x < 64; ++x)
                    ASSERT_EQ(levels[x], amounts[x] ? maxLevel : 0) << qualityName(quality);
            }
            std::vector<uint8_t> white(64, 0);
            EXPECT_FALSE(lineOf(plane, white.data(), 8, levels.data()));
        }
}

// Ordered dither is the threshold rule: level floor(a L / 255), one more
// when the remainder a L mod 255 exceeds the matrix threshold at the
// plane's offset (upside down for an inverted plane); on widths that end
// inside and outside a block.
TEST(Halftone, OrderedDitherFollowsTheThresholdRule) {
    for (Quality quality : {Quality::Draft, Quality::Normal})
        for (int maxLevel : kMaxLevels)
            for (bool inverted : {false, true})
                for (int width : {5, 16, 37}) {
                    Halftone plane = onePlane(quality, maxLevel, 2, width, inverted);
                    std::vector<uint8_t> amounts(width), levels(width);
                    for (int y = 0; y < 20; ++y) {
                        for (int x = 0; x < width; ++x)
                            amounts[x] = static_cast<uint8_t>((x * 37 + y * 101) % 256);
                        lineOf(plane, amounts.data(), y, levels.data());
                        for (int x = 0; x < width; ++x) {
                            const int scaled = amounts[x] * maxLevel;
                            int t = ditherThreshold(quality, x + 6, y + 10);
                            if (inverted) t = 254 - t;
                            ASSERT_EQ(levels[x], scaled / 255 + (scaled % 255 > t))
                                << qualityName(quality) << " 0-" << maxLevel << " x " << x << " y "
                                << y << (inverted ? " inverted" : "");
                        }
                    }
                }
}

// Planes halftoned together, in place, print what each prints alone.
TEST(Halftone, PlanesTogetherPrintAsEachAlone) {
    constexpr int kWidth = 45;
    const int maxLevels[] = {15, 2, 1, 9, 3};
    for (Quality quality : kQualities)
        for (int count = 1; count <= 5; ++count) {
            Halftone together;
            startHalftone(together, quality, kWidth);
            std::vector<Halftone> alone;
            for (int p = 0; p < count; ++p) {
                addHalftonePlane(together, maxLevels[p], p);
                alone.push_back(onePlane(quality, maxLevels[p], p, kWidth));
            }
            std::vector<std::vector<uint8_t>> lines(count, std::vector<uint8_t>(kWidth));
            for (int y = 0; y < 6; ++y) {
                uint8_t* rows[5];
                bool any[5];
                for (int p = 0; p < count; ++p) {
                    for (int x = 0; x < kWidth; ++x)
                        lines[p][x] = static_cast<uint8_t>((x * 29 + y * 53 + p * 71) % 256);
                    rows[p] = lines[p].data();
                }
                std::vector<std::vector<uint8_t>> want(count, std::vector<uint8_t>(kWidth));
                for (int p = 0; p < count; ++p)
                    lineOf(alone[p], lines[p].data(), y, want[p].data());
                halftoneLine(together, rows, y, rows, any);
                for (int p = 0; p < count; ++p)
                    ASSERT_EQ(lines[p], want[p]) << qualityName(quality) << " " << count
                                                 << " planes, plane " << p << " line " << y;
            }
        }
}

// Error diffusion's vector routine prints what the portable one prints, for
// every number of planes, on widths that end inside and outside a block of
// 8, through blank stretches, solid ink, a ramp and noise, both ways along
// the serpentine.
TEST(Halftone, VectorAndPortableDiffusionAgree) {
    const int maxLevels[] = {15, 2, 1, 9, 3, 4, 7, 15};
    for (int width : {1, 7, 8, 9, 45, 203})
        for (int count = 1; count <= kMaxHalftonePlanes; ++count) {
            Halftone vector, portable;
            for (Halftone* h : {&vector, &portable}) {
                startHalftone(*h, Quality::High, width);
                for (int p = 0; p < count; ++p) addHalftonePlane(*h, maxLevels[p], p);
            }
            portable.vectorCode = false;
            std::vector<std::vector<uint8_t>> amounts(count, std::vector<uint8_t>(width));
            std::vector<std::vector<uint8_t>> got(count, amounts[0]), want(count, amounts[0]);
            std::srand(static_cast<unsigned>(width * 31 + count));
            for (int y = 0; y < 24; ++y) {
                const uint8_t* in[kMaxHalftonePlanes];
                uint8_t *gotRows[kMaxHalftonePlanes], *wantRows[kMaxHalftonePlanes];
                for (int p = 0; p < count; ++p) {
                    for (int x = 0; x < width; ++x) {
                        const int band = (x / 11 + y / 3 + p) % 5;
                        amounts[p][x] = static_cast<uint8_t>(band == 0   ? 0
                                                             : band == 1 ? 255
                                                             : band == 2 ? (x * 255) / width
                                                                         : std::rand() % 256);
                    }
                    if (y % 8 == 7) amounts[p].assign(width, 0);  // a blank line
                    in[p] = amounts[p].data();
                    gotRows[p] = got[p].data();
                    wantRows[p] = want[p].data();
                }
                bool anyGot[kMaxHalftonePlanes], anyWant[kMaxHalftonePlanes];
                halftoneLine(vector, in, y, gotRows, anyGot);
                halftoneLine(portable, in, y, wantRows, anyWant);
                for (int p = 0; p < count; ++p) {
                    ASSERT_EQ(got[p], want[p])
                        << width << " wide, " << count << " planes, plane " << p << " line " << y;
                    ASSERT_EQ(anyGot[p], anyWant[p]) << width << " wide, " << count << " planes";
                }
            }
        }
}

TEST(PlanePacking, PacksFirstPixelHighAndClearsTheTail) {
    const uint8_t levels[] = {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 1};
    struct Case {
        int bits;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {1, {0xB1, 0xA0}},
        {2, {0x45, 0x01, 0x44}},
        {4, {0x10, 0x11, 0x00, 0x01, 0x10, 0x10}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(packedBytes(11, c.bits), 0xEE);
        packLevels(levels, 11, c.bits, out.data());
        EXPECT_EQ(out, c.bytes) << c.bits << " bits";
    }
    int first = -1, last = -1;
    EXPECT_TRUE(levelSpan(levels, 11, first, last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 10);
    const uint8_t blank[4] = {};
    EXPECT_FALSE(levelSpan(blank, 4, first, last));
}

// Lines of every length up to three blocks and past, against packing one
// pixel at a time.
TEST(PlanePacking, EveryWidthPacksAsPixelByPixel) {
    for (int bits : {1, 2, 4})
        for (int width = 1; width <= 70; ++width) {
            std::vector<uint8_t> levels(width);
            for (int x = 0; x < width; ++x)
                levels[x] = static_cast<uint8_t>((x * 7 + width) % (1 << bits));
            std::vector<uint8_t> want(packedBytes(width, bits), 0);
            for (int x = 0; x < width; ++x)
                want[x * bits / 8] |=
                    static_cast<uint8_t>(levels[x] << (8 - bits - (x * bits) % 8));
            std::vector<uint8_t> got(want.size(), 0xEE);
            packLevels(levels.data(), width, bits, got.data());
            ASSERT_EQ(got, want) << bits << " bits, width " << width;
        }
}

}  // namespace
}  // namespace inkband::host
