// Separation of single pixels, for each way a mode prints black, and the
// ink limit.
#include "host/separation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace inkband::host {
namespace {

struct Expect {
    Ink ink;
    int amount;
};

struct Case {
    const char* mode;
    PixelFormat format;
    std::vector<uint8_t> pixel;
    std::vector<Expect> inks;  // every ink not listed is 0
    SeparationSettings settings = {};
};

const Case kCases[] = {
    // White prints nothing; RGB and CMYK grey of the same darkness agree.
    {"cmyk-4bit", PixelFormat::Rgb, {255, 255, 255}, {}},
    {"ten-plane-fine", PixelFormat::Cmyk, {0, 0, 0, 0}, {}},
    // Black text: K at full where there is K.
    {"cmyk-1bit", PixelFormat::Rgb, {0, 0, 0}, {{Ink::Black, 255}}},
    {"cmyk-lk-ternary", PixelFormat::Cmyk, {0, 0, 0, 255}, {{Ink::Black, 255}}},
    // Rich black from a colour profile becomes black, not a dark colour.
    {"cmyk-4bit",
     PixelFormat::Cmyk,
     {191, 173, 171, 229},
     {{Ink::Black, 255}, {Ink::Cyan, 20}, {Ink::Magenta, 2}}},
    // No K: k at full and the dark share composed from C, M, Y, cut to the
    // ink limit (400 %); with H, H carries the dark share too.
    {"cmy-lk-4bit",
     PixelFormat::Rgb,
     {0, 0, 0},
     {{Ink::LightBlack, 255}, {Ink::Cyan, 255}, {Ink::Magenta, 255}, {Ink::Yellow, 255}}},
    {"ten-plane-coarse",
     PixelFormat::Cmyk,
     {0, 0, 0, 255},
     {{Ink::LightBlack, 255},
      {Ink::H, 255},
      {Ink::Cyan, 170},
      {Ink::Magenta, 170},
      {Ink::Yellow, 170}}},
    // Mid grey: light black alone where there is one.
    {"cmyk-lk-ternary", PixelFormat::Rgb, {128, 128, 128}, {{Ink::LightBlack, 254}}},
    {"cmy-lk-h-4bit", PixelFormat::Cmyk, {0, 0, 0, 127}, {{Ink::LightBlack, 254}}},
    {"cmyk-ternary", PixelFormat::Rgb, {128, 128, 128}, {{Ink::Black, 127}}},
    // Dark grey in K and k: the dark share on K.
    {"cmyk-lk-ternary",
     PixelFormat::Cmyk,
     {0, 0, 0, 200},
     {{Ink::Black, 145}, {Ink::LightBlack, 110}}},
    // Colours keep what lies above their grey.
    {"cmyk-4bit", PixelFormat::Rgb, {0, 128, 255}, {{Ink::Cyan, 255}, {Ink::Magenta, 127}}},
    {"cmyk-4bit",
     PixelFormat::Rgb,
     {64, 64, 128},
     {{Ink::Cyan, 64}, {Ink::Magenta, 64}, {Ink::Black, 127}}},
    // No black generation: grey stays in C, M, Y.
    {"cmyk-4bit",
     PixelFormat::Rgb,
     {100, 100, 100},
     {{Ink::Cyan, 155}, {Ink::Magenta, 155}, {Ink::Yellow, 155}},
     {0.0f, 400}},
    // Ink limit 200 %: three full colours cut to two thirds each.
    {"cmyk-1bit",
     PixelFormat::Cmyk,
     {255, 255, 255, 0},
     {{Ink::Cyan, 170}, {Ink::Magenta, 170}, {Ink::Yellow, 170}},
     {0.0f, 200}},
    // Black only: darkness, from any format.
    {"black", PixelFormat::Grey, {77}, {{Ink::Black, 77}}},
    {"black", PixelFormat::Rgb, {255, 0, 255}, {{Ink::Black, 149}}},
    {"black", PixelFormat::Cmyk, {0, 0, 0, 255}, {{Ink::Black, 255}}},
};

TEST(Separation, PixelsOfEachBlackRule) {
    for (const Case& c : kCases) {
        const ModeInfo* mode = findMode(c.mode);
        ASSERT_NE(mode, nullptr) << c.mode;
        const Separation s = makeSeparation(*mode, c.settings);
        const InkAmounts got = separatePixel(s, c.format, c.pixel.data());
        int want[kInkCount] = {};
        for (const Expect& e : c.inks) want[static_cast<int>(e.ink)] = e.amount;
        for (int i = 0; i < kInkCount; ++i)
            EXPECT_EQ(got.amount[i], want[i])
                << c.mode << " pixel " << int(c.pixel[0]) << "... ink " << i;
    }
}

// The line routine gives each source plane its ink's amount.
TEST(Separation, LineFeedsEachPlaneItsInk) {
    const ModeInfo& mode = *findMode("cmyk-lk-ternary");  // C M Y K k
    const Separation s = makeSeparation(mode, {});
    const uint8_t pixels[] = {255, 0, 0, 0, 0, 0, 0, 127, 0, 0, 0, 255};
    std::vector<std::vector<uint8_t>> planes(5, std::vector<uint8_t>(3));
    uint8_t* out[5];
    for (int p = 0; p < 5; ++p) out[p] = planes[p].data();
    separateLine(s, PixelFormat::Cmyk, pixels, 3, out);
    const std::vector<std::vector<uint8_t>> want = {
        {255, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 255}, {0, 254, 0}};
    EXPECT_EQ(planes, want);
}

// A line separates as its pixels do one by one, for every mode, pixel
// format and setting, across block ends and with pixels past the ink limit.
TEST(Separation, LineAgreesWithItsPixels) {
    constexpr int kWidth = 83;
    const SeparationSettings settings[] = {{}, {0.0f, 400}, {0.5f, 200}, {1.0f, 600}, {1.0f, 100}};
    for (const ModeInfo& mode : allModes())
        for (PixelFormat format : {PixelFormat::Grey, PixelFormat::Rgb, PixelFormat::Cmyk})
            for (const SeparationSettings& setting : settings) {
                const Separation s = makeSeparation(mode, setting);
                const int step = bytesPerPixel(format);
                std::vector<uint8_t> pixels(static_cast<std::size_t>(kWidth * step));
                unsigned seed = 12345;
                for (uint8_t& v : pixels) {
                    seed = seed * 1103515245u + 12345u;
                    const unsigned r = seed >> 16;
                    v = static_cast<uint8_t>(r % 3 == 0 ? (r & 1) * 255 : r);  // many extremes
                }
                std::vector<std::vector<uint8_t>> planes(mode.sources.size(),
                                                         std::vector<uint8_t>(kWidth, 0xEE));
                uint8_t* out[kMaxSourcePlanes] = {};
                for (std::size_t p = 0; p < planes.size(); ++p) out[p] = planes[p].data();
                separateLine(s, format, pixels.data(), kWidth, out);
                for (int x = 0; x < kWidth; ++x) {
                    const InkAmounts a = separatePixel(s, format, &pixels[x * step]);
                    for (std::size_t p = 0; p < planes.size(); ++p)
                        ASSERT_EQ(planes[p][x], a.amount[static_cast<int>(mode.sources[p].ink)])
                            << mode.name << " format " << step << " limit " << setting.inkLimit
                            << " x " << x << " plane " << p;
                }
            }
}

}  // namespace
}  // namespace inkband::host
