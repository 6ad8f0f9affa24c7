// The PNG preview: its size, that it shows the page, and that its colours
// are those of the picture that was printed.
#include <gtest/gtest.h>

#include <cmath>

#include "inkband/plane_reconstruct.h"
#include "inkband/png_preview.h"
#include "inkband/stream_report.h"
#include "inkband/test_page.h"
#include "tool_test_support.h"

using namespace inkband::tool;

namespace {

// Mean absolute difference, in 0..255, between the picture and the
// preview's composite, averaged over 16 x 16 blocks: the dither's pattern
// averages out, wrong inks or levels do not.
double blockDifference(const RgbImage& picture, const RgbImage& preview) {
    double total = 0;
    int blocks = 0;
    for (int by = 0; by + 16 <= picture.height; by += 16)
        for (int bx = 0; bx + 16 <= picture.width; bx += 16) {
            for (int c = 0; c < 3; ++c) {
                double a = 0, b = 0;
                for (int y = by; y < by + 16; ++y)
                    for (int x = bx; x < bx + 16; ++x) {
                        a += picture.pixel(x, y)[c];
                        b += preview.pixel(x + kPreviewGutter, y + kPreviewGutter)[c];
                    }
                total += std::fabs(a - b) / 256;
            }
            ++blocks;
        }
    return total / (3.0 * blocks);
}

}  // namespace

TEST(Preview, LayoutPlacesOneThumbnailPerPlaneBesideThePage) {
    struct Case {
        int w, h, planes, width, height;
    };
    const Case cases[] = {
        {100, 50, 1, 8 + 100 + 8 + 108, 8 + 50 + 8},
        {100, 50, 4, 8 + 100 + 8 + 2 * 58, 8 + 58 + 8},
        {1200, 656, 5, 2032, 689},
        {1200, 656, 10, 8 + 1200 + 8 + 3 * 308, 8 + 4 * 164 + 3 * 8 + 8},
    };
    for (const Case& c : cases) {
        const PreviewLayout l = previewLayout(c.w, c.h, c.planes);
        EXPECT_EQ(l.width, c.width) << c.planes << " planes";
        EXPECT_EQ(l.height, c.height) << c.planes << " planes";
        EXPECT_GE(l.rows * l.cols, c.planes);
    }
}

// Every mode: the stream's planes, drawn, look like the test page.
TEST(Preview, CompositeShowsThePicturePrinted) {
    const int width = 320;
    const RgbImage picture = makeTestPage(width);
    for (const ModeInfo& mode : allModes()) {
        const HostRaster raster = halftoneImage(picture, mode, LineSettings{});
        const auto stream = tooltest::printToMemory(raster, 300);
        const InspectResult result = inspectStream(stream.data(), stream.size(), &mode);
        ASSERT_TRUE(result.status.ok) << mode.name << ": " << result.status.describe();
        DecodedPlanes planes;
        std::string error;
        ASSERT_TRUE(reconstructPage(result.stream.pages[0], mode, 0, 0, planes, error)) << error;
        EXPECT_EQ(planes.width, width) << mode.name << ": the ramps reach the right edge";
        EXPECT_EQ(planes.height, picture.height) << mode.name << ": the rule is on the last line";
        EXPECT_EQ(planes.unmatched, 0) << mode.name;
        const RgbImage preview = renderPreview(planes, mode);
        if (std::string(mode.name) == "black") continue;  // no colour to compare
        EXPECT_LT(blockDifference(picture, preview), 6.0) << mode.name;
    }
}

// The built tool on its test page: the PNG has the documented size, and
// the page and every plane thumbnail carry ink.
TEST(Preview, TheToolDrawsTheTestPage) {
    const std::string dir = tooltest::workDir();
    ASSERT_EQ(tooltest::runTool("print -q --no-progress -o " + dir + "/testpage.prn"), 0);
    ASSERT_EQ(tooltest::runTool("inspect " + dir + "/testpage.prn --png " + dir + "/testpage.png"),
              0);
    RgbImage png;
    std::string error;
    ASSERT_TRUE(loadImage(dir + "/testpage.png", png, error)) << error;
    // Default: 4 inches at 300 dpi, five planes.
    const PreviewLayout l = previewLayout(1200, testPageHeight(1200), 5);
    EXPECT_EQ(png.width, l.width);
    EXPECT_EQ(png.height, l.height);
    EXPECT_EQ(png.width, 2032);

    auto inked = [&](int x0, int y0, int w, int h) {
        int64_t count = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                const uint8_t* p = png.pixel(x, y);
                count += p[0] < 160 || p[1] < 160 || p[2] < 160;
            }
        return static_cast<double>(count) / (static_cast<double>(w) * h);
    };
    EXPECT_GT(inked(kPreviewGutter, kPreviewGutter, 1200, testPageHeight(1200)), 0.2);
    for (int j = 0; j < 5; ++j) {
        const int x =
            kPreviewGutter + 1200 + kPreviewGutter + j / l.rows * (l.thumbWidth + kPreviewGutter);
        const int y = kPreviewGutter + j % l.rows * (l.thumbHeight + kPreviewGutter);
        EXPECT_GT(inked(x, y, l.thumbWidth, l.thumbHeight), 0.02) << "thumbnail " << j;
    }
}
