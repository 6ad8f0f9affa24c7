// Colour separation: where the colours and the black component go.
#include "inkband/separation.h"

#include <gtest/gtest.h>

using namespace inkband::tool;

namespace {

InkSet inks(const char* name) { return inkSetOf(*findMode(name)); }

}  // namespace

TEST(Separation, ColoursAndBlackGoToTheModesPlanes) {
    struct Case {
        const char* mode;
        uint8_t r, g, b;
        float c, m, y, k, lightK, h;
    };
    const float half = 1.0f - 128 / 255.0f;     // the black amount of grey 128
    const float quarter = 1.0f - 191 / 255.0f;  // of grey 191
    const Case cases[] = {
        {"cmyk-1bit", 255, 255, 255, 0, 0, 0, 0, 0, 0},
        {"cmyk-1bit", 0, 255, 255, 1, 0, 0, 0, 0, 0},
        {"cmyk-1bit", 255, 0, 0, 0, 1, 1, 0, 0, 0},
        {"cmyk-1bit", 0, 0, 0, 0, 0, 0, 1, 0, 0},
        {"cmyk-4bit", 128, 128, 128, 0, 0, 0, half, 0, 0},
        // K and k: light black alone up to half, dark black alone at full.
        {"cmyk-lk-ternary", 0, 0, 0, 0, 0, 0, 1, 0, 0},
        {"cmyk-lk-ternary", 191, 191, 191, 0, 0, 0, 0, 2 * quarter, 0},
        {"cmyk-lk-ternary", 128, 128, 128, 0, 0, 0, 0, 2 * half, 0},
        // k alone carries all of the black.
        {"cmy-lk-4bit", 0, 0, 0, 0, 0, 0, 0, 1, 0},
        {"cmy-lk-ternary", 191, 191, 191, 0, 0, 0, 0, quarter, 0},
        // k and H: H is the dark share.
        {"cmy-lk-h-4bit", 0, 0, 0, 0, 0, 0, 0, 0, 1},
        {"ten-plane-fine", 191, 191, 191, 0, 0, 0, 0, 2 * quarter, 0},
        // Under-colour removal leaves only the colour above the grey.
        {"cmyk-1bit", 0, 128, 128, 1 - half, 0, 0, half, 0, 0},
        // The black mode prints darkness by luma, whatever the colour.
        {"black", 255, 0, 0, 0, 0, 0, 1 - 0.299f, 0, 0},
        {"black", 0, 0, 0, 0, 0, 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        const InkAmounts a = separatePixel(c.r, c.g, c.b, inks(c.mode), SeparationSettings{});
        const float expected[kInkCount] = {c.c, c.m, c.y, c.k, c.lightK, c.h};
        for (int i = 0; i < kInkCount; ++i)
            EXPECT_NEAR(a[i], expected[i], 1e-5) << c.mode << " rgb " << int(c.r) << " " << int(c.g)
                                                 << " " << int(c.b) << ", ink " << i;
    }
}

// Along a grey ramp the dark share plus half the light share is the black
// amount, so the ramp darkens steadily through the hand-over.
TEST(Separation, LightDarkSplitKeepsTheBlackAmount) {
    for (const char* mode : {"cmyk-lk-ternary", "cmy-lk-h-4bit"}) {
        const InkSet set = inks(mode);
        for (int v = 0; v <= 255; ++v) {
            const auto grey = static_cast<uint8_t>(v);
            const InkAmounts a = separatePixel(grey, grey, grey, set, SeparationSettings{});
            const float dark = set.black ? amountOf(a, Ink::Black) : amountOf(a, Ink::H);
            EXPECT_NEAR(dark + amountOf(a, Ink::LightBlack) / 2, 1 - v / 255.0f, 1e-5)
                << mode << " " << v;
            EXPECT_EQ(amountOf(a, Ink::Cyan), 0.0f);
        }
    }
}

TEST(Separation, GcrSetsTheShareOfGreyThatBlackPrints) {
    SeparationSettings none{0.0f}, part{0.5f};
    const InkAmounts a = separatePixel(0, 0, 0, inks("cmyk-1bit"), none);
    EXPECT_EQ(amountOf(a, Ink::Black), 0.0f);
    EXPECT_EQ(amountOf(a, Ink::Cyan), 1.0f);
    const InkAmounts b = separatePixel(0, 0, 0, inks("cmyk-1bit"), part);
    EXPECT_FLOAT_EQ(amountOf(b, Ink::Black), 0.5f);
    EXPECT_FLOAT_EQ(amountOf(b, Ink::Magenta), 0.5f);
}
