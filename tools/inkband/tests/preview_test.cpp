// The PNG preview: its size, that it shows the page, and that its colours
// are those of the picture that was printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "host/test_page.h"
#include "inkband/plane_reconstruct.h"
#include "inkband/png_preview.h"
#include "inkband/stream_report.h"
#include "tool_test_support.h"

using namespace inkband::tool;
using inkband::host::makeTestPage;
using inkband::host::testPageHeight;
namespace decode = inkband::decode;

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

// The preview as it was drawn before it was drawn band by band: from the
// whole page's planes into the whole picture, in the same colours.  Kept
// as the reference the banded drawing must match pixel for pixel.
void put(RgbImage& image, int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
    const float v[3] = {c.r, c.g, c.b};
    for (int i = 0; i < 3; ++i)
        p[i] = static_cast<uint8_t>(std::lround(std::clamp(v[i], 0.0f, 1.0f) * 255));
}

RgbImage wholePagePreview(const DecodedPlanes& planes, const ModeInfo& mode) {
    const int n = static_cast<int>(planes.wire.size()), g = kPreviewGutter;
    const PreviewLayout l = previewLayout(planes.width, planes.height, n);
    RgbImage image;
    image.width = l.width;
    image.height = l.height;
    image.rgb.assign(static_cast<std::size_t>(l.width) * l.height * 3, 200);
    for (int y = 0; y < planes.height; ++y)
        for (int x = 0; x < planes.width; ++x) {
            float r = 1, gr = 1, b = 1, black = 1;
            for (std::size_t i = 0; i < mode.sources.size(); ++i) {
                const SourcePlane& s = mode.sources[i];
                const float a = static_cast<float>(planes.host[i].row(y)[x]) / s.maxLevel;
                switch (s.ink) {
                    case Ink::Cyan:
                        r *= 1 - a;
                        break;
                    case Ink::Magenta:
                        gr *= 1 - a;
                        break;
                    case Ink::Yellow:
                        b *= 1 - a;
                        break;
                    case Ink::LightBlack:
                        black *= 1 - 0.5f * a;
                        break;
                    case Ink::Black:
                    case Ink::H:
                        black *= 1 - a;
                        break;
                }
            }
            put(image, g + x, g + y, {r * black, gr * black, b * black});
        }
    for (int j = 0; j < n; ++j) {
        const PlaneImage& plane = planes.wire[j];
        const Colour ink = inkColour(mode.wires[j].letter);
        const int x0 = g + planes.width + g + j / l.rows * (l.thumbWidth + g);
        const int y0 = g + j % l.rows * (l.thumbHeight + g), s = l.rows;
        for (int ty = 0; ty < l.thumbHeight; ++ty)
            for (int tx = 0; tx < l.thumbWidth; ++tx) {
                float sum = 0;
                int count = 0;
                for (int y = ty * s; y < std::min(plane.height, (ty + 1) * s); ++y)
                    for (int x = tx * s; x < std::min(plane.width, (tx + 1) * s); ++x) {
                        sum += plane.row(y)[x];
                        ++count;
                    }
                const float a = count > 0 ? sum / count / plane.maxValue : 0.0f;
                put(image, x0 + tx, y0 + ty,
                    {1 - a * (1 - ink.r), 1 - a * (1 - ink.g), 1 - a * (1 - ink.b)});
            }
        for (int x = -1; x <= l.thumbWidth; ++x) {
            put(image, x0 + x, y0 - 1, ink);
            put(image, x0 + x, y0 + l.thumbHeight, ink);
        }
        for (int y = -1; y <= l.thumbHeight; ++y) {
            put(image, x0 - 1, y0 + y, ink);
            put(image, x0 + l.thumbWidth, y0 + y, ink);
        }
    }
    return image;
}

// The first row at which two pictures differ, or -1.
int firstDifferentRow(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height) return 0;
    for (int y = 0; y < a.height; ++y)
        if (!std::equal(a.pixel(0, y), a.pixel(0, y) + a.width * 3, b.pixel(0, y))) return y;
    return -1;
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
        const decode::Page& page = result.stream.pages[0];
        EXPECT_EQ(inferredWidth(page, mode), width) << mode.name << ": the ramps reach the edge";
        EXPECT_EQ(inferredHeight(page), picture.height) << mode.name << ": the rule is last";
        RebuildCounts counts;
        const RgbImage preview =
            tooltest::previewImage(stream.data(), stream.size(), page, mode, width, picture.height,
                                   kThumbnailMemory, &counts);
        EXPECT_EQ(counts.unmatched, 0) << mode.name;
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

// Drawn band by band, with the thumbnails kept in memory or in a temporary
// file, the preview is the whole-page drawing pixel for pixel: in every
// mode, with 8- and 1-line bands, at the page's own size, cut narrower and
// shorter, and with blank room below.
TEST(Preview, BandedDrawingEqualsTheWholePageDrawing) {
    const struct {
        int resolution, width, height;  // 0: the page's own
    } sizes[] = {{300, 0, 0}, {150, 0, 0}, {300, 97, 61}, {300, 0, 400}};
    for (const ModeInfo& mode : allModes())
        for (const auto& size : sizes) {
            const auto stream =
                tooltest::printToMemory(tooltest::testPageRaster(mode, 130), size.resolution);
            const InspectResult result = inspectStream(stream.data(), stream.size(), &mode);
            ASSERT_TRUE(result.status.ok) << result.status.describe();
            const decode::Page& page = result.stream.pages[0];
            DecodedPlanes planes;
            std::string error;
            ASSERT_TRUE(reconstructPage(stream.data(), stream.size(), page, mode, size.width,
                                        size.height, planes, error))
                << error;
            const RgbImage whole = wholePagePreview(planes, mode);
            for (std::size_t memory : {kThumbnailMemory, std::size_t{0}}) {
                RebuildCounts counts;
                const RgbImage banded =
                    tooltest::previewImage(stream.data(), stream.size(), page, mode, planes.width,
                                           planes.height, memory, &counts);
                EXPECT_EQ(firstDifferentRow(banded, whole), -1)
                    << mode.name << " at " << size.resolution << " dpi, " << planes.width << " x "
                    << planes.height << (memory == 0 ? ", thumbnails in a file" : "");
                EXPECT_EQ(counts.outside, planes.counts.outside) << mode.name;
                EXPECT_EQ(counts.unmatched, planes.counts.unmatched) << mode.name;
            }
        }
}

// A page too large to rebuild whole (the test page, then some two thousand
// blank bands, then the test page again) is drawn by the tool: the picture
// has the page's size, both copies of the page look as the test page does
// alone, and the room between them is blank paper, in the picture and in
// the thumbnails.
TEST(Preview, TheToolDrawsAPageTooLargeToRebuildWhole) {
    const ModeInfo& mode = *findMode("ten-plane-fine");
    const int width = 600, gap = 1900;
    const auto small = tooltest::printToMemory(tooltest::testPageRaster(mode, width), 600);
    const InspectResult smallResult = inspectStream(small.data(), small.size(), &mode);
    ASSERT_TRUE(smallResult.status.ok);
    const decode::Page& smallPage = smallResult.stream.pages[0];
    const int bandHeight = smallPage.bandHeight, pageHeight = inferredHeight(smallPage);
    const int64_t bands = smallPage.bandsWithData.back() + 1;

    // The page's frames between its header (ESC ( I, ESC ( J) and its end,
    // twice, with skips of gap bands between.
    const decode::FrameList frames = decode::parseFrames(small.data(), small.size());
    const std::size_t bodyStart = frames.frames[2].offset;
    const std::size_t bodyEnd =
        frames.frames.back().isFormFeed() ? frames.frames.back().offset : small.size();
    std::vector<uint8_t> tall(small.begin(), small.begin() + static_cast<long>(bodyEnd));
    for (int left = gap; left > 0; left -= 0x7FFF) {
        const int skip = std::min(left, 0x7FFF);
        tall.insert(tall.end(), {0x1B, 0x28, 0x65, 0x02, 0x00, static_cast<uint8_t>(skip >> 8),
                                 static_cast<uint8_t>(skip & 0xFF)});
    }
    tall.insert(tall.end(), small.begin() + static_cast<long>(bodyStart), small.end());
    const int secondCopy = static_cast<int>((bands + gap) * bandHeight);
    const int height = secondCopy + pageHeight;
    ASSERT_GT(
        int64_t{width} * height * static_cast<int64_t>(mode.wires.size() + mode.sources.size()),
        kMaxReconstructPixels);

    const std::string dir = tooltest::workDir();
    ASSERT_TRUE(tooltest::writeBytes(dir + "/tall.prn", tall.data(), tall.size()));
    ASSERT_EQ(tooltest::runTool("inspect " + dir + "/tall.prn --png " + dir + "/tall.png"), 0);
    RgbImage png;
    std::string error;
    ASSERT_TRUE(loadImage(dir + "/tall.png", png, error)) << error;
    const PreviewLayout l = previewLayout(width, height, 10);
    ASSERT_EQ(png.width, l.width);
    ASSERT_EQ(png.height, l.height);

    const RgbImage alone = tooltest::previewImage(small.data(), small.size(), smallPage, mode,
                                                  width, pageHeight, kThumbnailMemory);
    const int g = kPreviewGutter;
    auto sameRow = [&](int pageRow, int aloneRow) {
        return std::equal(png.pixel(g, g + pageRow), png.pixel(g + width, g + pageRow),
                          alone.pixel(g, g + aloneRow));
    };
    for (int y = 0; y < pageHeight; ++y) {
        ASSERT_TRUE(sameRow(y, y)) << "first copy, row " << y;
        ASSERT_TRUE(sameRow(secondCopy + y, y)) << "second copy, row " << y;
    }
    auto colour = [&](int x, int y) {
        const uint8_t* p = png.pixel(x, y);
        return std::vector<int>{p[0], p[1], p[2]};
    };
    const std::vector<int> paper = {255, 255, 255}, margin = {200, 200, 200};
    const int blankRow = g + pageHeight + 500;
    for (int x : {g, g + width / 2, g + width - 1}) EXPECT_EQ(colour(x, blankRow), paper) << x;
    EXPECT_EQ(colour(0, blankRow), margin);
    EXPECT_EQ(colour(g + width + 2, blankRow), margin);
    // The first thumbnail (C), framed in cyan, blank where the page is.
    const int x0 = g + width + g, y0 = g;
    EXPECT_EQ(colour(x0 - 1, y0 + 10), (std::vector<int>{0, 161, 230}));
    EXPECT_EQ(colour(x0 + l.thumbWidth / 2, y0 + (pageHeight + 500) / l.rows), paper);
    int inked = 0;
    for (int y = y0; y < y0 + pageHeight / l.rows; ++y)
        for (int x = x0; x < x0 + l.thumbWidth; ++x) inked += colour(x, y) != paper;
    EXPECT_GT(inked, l.thumbWidth) << "the first copy's cyan, shrunk";
}
