// Raster lines to plane lines: level scaling, banded lines used in place,
// chunky lines split, blank planes, refused formats, band sizes.
#include "raster_planes.h"

#include <gtest/gtest.h>

#include <vector>

#include "job_settings.h"
#include "print_modes.h"

namespace inkband::filter {
namespace {

const PrintMode& mode(const char* name) {
    for (const PrintMode& m : printModes())
        if (std::string(m.name) == name) return m;
    ADD_FAILURE() << "no mode " << name;
    return printModes()[0];
}

RasterFormat format(unsigned width, unsigned colorSpace, unsigned bits, unsigned order) {
    RasterFormat f;
    f.width = width;
    f.height = 1;
    f.colorSpace = colorSpace;
    f.bitsPerColor = bits;
    const unsigned channels = colorSpace == kColorSpaceCmyk ? 4 : 1;
    const bool banded = order == kOrderBanded || channels == 1;
    f.colorOrder = order;
    f.bitsPerPixel = banded ? bits : bits * channels;
    f.bytesPerLine = banded ? (width * bits + 7) / 8 * channels : (width * bits * channels + 7) / 8;
    return f;
}

std::vector<uint8_t> bytesOf(const PlaneLine& plane, std::size_t count) {
    if (plane.data == nullptr) return {};
    return std::vector<uint8_t>(plane.data, plane.data + count);
}

TEST(ScaleLevel, MapsRasterRangeOntoPlaneRange) {
    const ModePlane oneBit{'K', 1, false, 1, 'K'};
    const ModePlane twoBit{'Y', 2, false, 3, 'Y'};
    const ModePlane ternary{'C', 2, true, 2, 'C'};
    const ModePlane fourBit{'C', 4, false, 15, 'C'};
    const ModePlane nine{'C', 4, false, 9, 'C'};
    struct Case {
        const ModePlane* plane;
        unsigned inBits;
        std::vector<unsigned> expected;  // for raster levels 0, 1, ...
    };
    const Case cases[] = {
        {&oneBit, 1, {0, 1}},
        {&oneBit, 2, {0, 0, 1, 1}},
        {&oneBit, 4, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1}},
        {&twoBit, 2, {0, 1, 2, 3}},
        {&twoBit, 4, {0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3}},
        {&ternary, 2, {0, 1, 1, 2}},
        {&ternary, 1, {0, 2}},
        {&ternary, 4, {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2}},
        {&fourBit, 1, {0, 15}},
        {&fourBit, 2, {0, 5, 10, 15}},
        {&fourBit, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {&nine, 4, {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 7, 7, 8, 8, 9}},
    };
    for (const Case& c : cases)
        for (unsigned v = 0; v < c.expected.size(); ++v)
            EXPECT_EQ(scaleLevel(v, c.inBits, *c.plane), c.expected[v])
                << "plane top " << int(c.plane->topLevel) << ", " << c.inBits << " bits, level "
                << v;
}

TEST(PlanPage, RefusesFormatsItCannotPrint) {
    const PrintMode& cmyk = mode("CMYK");
    struct Case {
        const char* what;
        RasterFormat format;
        const char* message;
    };
    RasterFormat wrongLine = format(100, kColorSpaceCmyk, 1, kOrderBanded);
    wrongLine.bytesPerLine += 1;
    RasterFormat wrongPixel = format(100, kColorSpaceCmyk, 2, kOrderChunky);
    wrongPixel.bitsPerPixel = 2;
    const Case cases[] = {
        {"no width", format(0, kColorSpaceCmyk, 1, kOrderBanded), "no pixels"},
        {"too wide", format(32768, kColorSpaceCmyk, 1, kOrderBanded), "32768 pixels wide"},
        {"RGB", format(100, 1, 1, kOrderBanded), "colour space 1"},
        {"8 bits", format(100, kColorSpaceCmyk, 8, kOrderBanded), "8 bits per colour"},
        {"planar", format(100, kColorSpaceCmyk, 1, 2), "colour order 2"},
        {"bytes per line", wrongLine, "do not match"},
        {"bits per pixel", wrongPixel, "do not match"},
    };
    for (const Case& c : cases) {
        PagePlan plan;
        const std::string error = planPage(c.format, cmyk, plan);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
    PagePlan plan;
    EXPECT_EQ(planPage(format(32767, kColorSpaceCmyk, 4, kOrderBanded), cmyk, plan), "");
}

TEST(SplitLine, BandedPlanesAtTheirOwnDepthPointIntoTheRasterLine) {
    PagePlan plan;
    ASSERT_EQ(planPage(format(20, kColorSpaceCmyk, 1, kOrderBanded), mode("CMYK"), plan), "");
    // C has data, M is blank, Y has data only in its padding bits, K has data.
    std::vector<uint8_t> line = {0x80, 0x00, 0x01, 0, 0, 0, 0x00, 0x00, 0x0F, 0x00, 0x10, 0x00};
    RasterLine out = {};
    splitLine(plan, line.data(), out);
    EXPECT_EQ(out.planes[0].data, line.data());
    EXPECT_EQ(out.planes[1].data, nullptr);
    EXPECT_EQ(out.planes[2].data, line.data() + 6);
    EXPECT_EQ(out.planes[3].data, line.data() + 9);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(out.planes[i].width, 20);
        EXPECT_EQ(out.planes[i].left, 0);
        EXPECT_EQ(out.planes[i].right, 0);
    }
}

TEST(SplitLine, ConvertsBandedPlanesOfOtherDepths) {
    PagePlan plan;
    ASSERT_EQ(planPage(format(8, kColorSpaceCmyk, 2, kOrderBanded), mode("CMYKTernary"), plan), "");
    // Per channel two bytes of levels: 3 2 1 0 | 0 0 0 3.
    std::vector<uint8_t> line = {0xE4, 0x03, 0xE4, 0x03, 0xE4, 0x03, 0x00, 0x00};
    RasterLine out = {};
    splitLine(plan, line.data(), out);
    // Ternary C and M: 2 1 1 0 | 0 0 0 2; 1-bit Y: 1 1 0 0 0 0 0 1; K blank.
    EXPECT_EQ(bytesOf(out.planes[0], 2), (std::vector<uint8_t>{0x94, 0x02}));
    EXPECT_EQ(bytesOf(out.planes[1], 2), (std::vector<uint8_t>{0x94, 0x02}));
    EXPECT_EQ(bytesOf(out.planes[2], 1), (std::vector<uint8_t>{0xC1}));
    EXPECT_EQ(out.planes[3].data, nullptr);
    EXPECT_NE(out.planes[0].data, line.data());
}

TEST(SplitLine, SplitsChunkyRaster) {
    struct Case {
        const char* mode;
        unsigned bits;
        unsigned width;
        std::vector<uint8_t> line;
        std::vector<std::vector<uint8_t>> planes;  // empty: null plane
    };
    const Case cases[] = {
        // Pixel 0: C and Y; pixel 1: M and K; pixel 2: K.
        {"CMYK", 1, 3, {0xA5, 0x10}, {{0x80}, {0x40}, {0x80}, {0x60}}},
        // Levels C M Y K per pixel: 3 0 1 2, then 0 0 0 3.
        {"CMYK4421", 2, 2, {0xC6, 0x03}, {{0xF0}, {}, {0x40}, {0xC0}}},
        // Levels: 15 0 8 7, then 1 2 3 4; Y scaled to 2 bits (2, 1), K to 1 bit (0, 0).
        {"CMYK4421", 4, 2, {0xF0, 0x87, 0x12, 0x34}, {{0xF1}, {0x02}, {0x90}, {}}},
    };
    for (const Case& c : cases) {
        PagePlan plan;
        ASSERT_EQ(
            planPage(format(c.width, kColorSpaceCmyk, c.bits, kOrderChunky), mode(c.mode), plan),
            "");
        std::vector<uint8_t> line = c.line;
        RasterLine out = {};
        splitLine(plan, line.data(), out);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(bytesOf(out.planes[i], c.planes[i].size()), c.planes[i])
                << c.mode << " at " << c.bits << " bits, plane " << i;
    }
}

TEST(SplitLine, PlanesWithoutAChannelAreAlwaysBlank) {
    PagePlan plan;
    ASSERT_EQ(planPage(format(4, kColorSpaceCmyk, 4, kOrderBanded), mode("CMYLkH"), plan), "");
    std::vector<uint8_t> line(8, 0xFF);
    RasterLine out = {};
    splitLine(plan, line.data(), out);
    for (int i = 0; i < 4; ++i) EXPECT_NE(out.planes[i].data, nullptr) << i;
    EXPECT_EQ(out.planes[4].data, nullptr);

    // Black raster in a CMYK mode feeds K only.
    ASSERT_EQ(planPage(format(8, kColorSpaceBlack, 1, kOrderBanded), mode("CMYK"), plan), "");
    std::vector<uint8_t> black = {0x81};
    splitLine(plan, black.data(), out);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out.planes[i].data, nullptr) << i;
    EXPECT_EQ(out.planes[3].data, black.data());
}

TEST(JobSettings, BandHeightFollowsResolutionUnlessBandsOverflow) {
    struct Case {
        const char* mode;
        int16_t width;
        unsigned dpi;
        int16_t resolution;
    };
    const Case cases[] = {
        {"CMYK", 2480, 300, 300},   {"CMYK4421", 4961, 600, 600},  {"CMYK4421", 7016, 600, 600},
        {"CMYK4421", 7700, 600, 0}, {"CMYK4421", 15000, 300, 300}, {"CMYK4421", 16000, 300, 0},
        {"Gray", 32767, 300, 300},  {"Gray", 32767, 600, 0},       {"TenPlane", 32767, 300, 0},
        {"CMYK", 1000, 360, 0},     {"CMYK", 1000, 150, 0},
    };
    for (const Case& c : cases) {
        const JobSettings settings = makeJobSettings(mode(c.mode), c.width, c.dpi);
        EXPECT_EQ(settings.resolution, c.resolution) << c.mode << " " << c.width << " " << c.dpi;
        EXPECT_EQ(settings.lineWidth, c.width);
        // The widest line a band carries must fit the band buffer, coded
        // without any compression.
        const int bits = std::string(c.mode) == "Gray" ? 1 : 4;
        const int lineBytes = (c.width * bits + 7) / 8;
        EXPECT_LE(5 + bandHeightFor(settings.resolution) * (lineBytes + lineBytes / 64 + 8),
                  kBandBufferBytes);
    }
    EXPECT_EQ(bandHeightFor(300), 8);
    EXPECT_EQ(bandHeightFor(600), 16);
    EXPECT_EQ(bandHeightFor(0), 1);
}

}  // namespace
}  // namespace inkband::filter
