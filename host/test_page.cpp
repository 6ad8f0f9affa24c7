#include "host/test_page.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace inkband::host {

namespace {

struct Rgb {
    uint8_t r, g, b;
};
constexpr Rgb kBlack{0, 0, 0};

// Heights of the page's areas, top to bottom, for a width.
struct Layout {
    int unit;  // grows with the width: 1 pixel per 300 of width
    int topGap, stripe, stripeGap, field, gapAfterRamps, lines, gapAfterLines;
    int glyphCell, textRow, gapAfterText, solids, gapAfterSolids, rule;
    int contentHeight() const {
        return topGap + 6 * (stripe + stripeGap) + field + gapAfterRamps + lines + gapAfterLines +
               3 * textRow + gapAfterText + solids + gapAfterSolids;
    }
};

// Blank stretches span at least two 16-line bands, so that at every band
// height and alignment one whole band in each stays blank.
constexpr int kMinBlank = 32;

Layout layoutFor(int width) {
    Layout l{};
    l.unit = std::max(1, width / 300);
    l.topGap = std::max(kMinBlank, width / 40);
    l.stripe = std::max(2, width / 60);
    l.stripeGap = l.unit;
    l.field = std::max(4, width / 12);
    l.gapAfterRamps = std::max(kMinBlank, width / 40);
    l.lines = std::max(4, width / 16);
    l.gapAfterLines = std::max(1, width / 100);
    l.glyphCell = std::max(1, width / 400);
    l.textRow = 9 * l.glyphCell;
    l.gapAfterText = std::max(2, width / 60);
    l.solids = std::max(4, width / 12);
    l.gapAfterSolids = std::max(kMinBlank, width / 25);
    l.rule = 2;
    return l;
}

// Drawing on the picture; pixels outside it are left alone.
void setPixel(RgbImage& image, int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void fillBox(RgbImage& image, int x0, int y0, int w, int h, Rgb c) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) setPixel(image, x, y, c);
}

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v * 255), 0L, 255L));
}

// Fully saturated colour of hue h (0 .. 1), mixed towards white (lift > 0)
// or black (lift < 0).
Rgb hueColour(double h, double lift) {
    const double k[3] = {5, 3, 1};
    double rgb[3];
    for (int i = 0; i < 3; ++i) {
        const double kk = std::fmod(k[i] + h * 6, 6);
        rgb[i] = 1 - std::max(0.0, std::min({kk, 4 - kk, 1.0}));
    }
    for (double& v : rgb) v = lift >= 0 ? v + (1 - v) * lift : v * (1 + lift);
    return {toByte(rgb[0]), toByte(rgb[1]), toByte(rgb[2])};
}

// Ramps from white to full ink across the whole width, then a light grey
// bar and a colour field (hue across, light to dark down).
int drawRamps(RgbImage& c, const Layout& l, int y) {
    const int w = c.width;
    for (int stripe = 0; stripe < 6; ++stripe) {
        for (int x = 0; x < w; ++x) {
            const double t = w > 1 ? static_cast<double>(x) / (w - 1) : 1.0;
            const uint8_t v = toByte(1 - t);
            const Rgb colours[6] = {{v, 255, 255}, {255, v, 255},   {255, 255, v},
                                    {v, v, v},     hueColour(t, 0), {191, 191, 191}};
            for (int dy = 0; dy < l.stripe; ++dy) setPixel(c, x, y + dy, colours[stripe]);
        }
        y += l.stripe + l.stripeGap;
    }
    for (int dy = 0; dy < l.field; ++dy) {
        const double lift = 1 - 2.0 * dy / std::max(1, l.field - 1);
        for (int x = 0; x < w; ++x)
            setPixel(c, x, y + dy, hueColour(static_cast<double>(x) / w, lift));
    }
    return y + l.field;
}

// Fine black lines: horizontal hairlines, vertical lines at growing
// spacing, and concentric one-pixel rings.
int drawLines(RgbImage& c, const Layout& l, int y) {
    const int w = c.width, third = w / 3;
    for (int dy = 0; dy < l.lines; dy += 3) fillBox(c, 0, y + dy, third - l.unit, 1, kBlack);
    for (int x = third, gap = 1; x < 2 * third - l.unit; x += gap + 1, gap = gap % 8 + 1)
        fillBox(c, x, y, 1, l.lines, kBlack);
    const double cx = 2.5 * third, cy = y + l.lines / 2.0;
    for (int dy = 0; dy < l.lines; ++dy)
        for (int x = 2 * third; x < w; ++x) {
            const double d = std::hypot(x - cx, y + dy - cy);
            if (std::fmod(d, 4.0) < 1.0) setPixel(c, x, y + dy, kBlack);
        }
    return y + l.lines;
}

// Rows of pseudo-text: words of 5 x 7 glyphs made of random cells, in
// black, light grey and mid grey.
int drawText(RgbImage& c, const Layout& l, int y) {
    uint32_t seed = 0x1234567u;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const Rgb inks[3] = {kBlack, {191, 191, 191}, {102, 102, 102}};
    const int cell = l.glyphCell, advance = 6 * cell;
    for (const Rgb& ink : inks) {
        int x = 2 * advance;
        while (x + advance < c.width - 2 * advance) {
            const int letters = 2 + static_cast<int>(next() % 7);
            for (int g = 0; g < letters && x + advance < c.width - 2 * advance; ++g) {
                for (int gy = 0; gy < 7; ++gy)
                    for (int gx = 0; gx < 5; ++gx)
                        if (next() % 100 < 45)
                            fillBox(c, x + gx * cell, y + cell + gy * cell, cell, cell, ink);
                x += advance;
            }
            x += advance;  // the space between words
        }
        y += l.textRow;
    }
    return y;
}

// Solid blocks: cyan, magenta, yellow, red, green, blue, black, 50 % grey.
int drawSolids(RgbImage& c, const Layout& l, int y) {
    const Rgb colours[8] = {{0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {255, 0, 0},
                            {0, 255, 0},   {0, 0, 255},   kBlack,        {128, 128, 128}};
    const int gap = std::max(1, c.width / 100);
    const int block = (c.width - 7 * gap) / 8;
    for (int i = 0; i < 8; ++i) fillBox(c, i * (block + gap), y, block, l.solids, colours[i]);
    return y + l.solids;
}

}  // namespace

int testPageHeight(int width) {
    const Layout l = layoutFor(width);
    return (l.contentHeight() + l.rule + 15) / 16 * 16;
}

RgbImage makeTestPage(int width) {
    RgbImage image;
    image.width = width;
    image.height = testPageHeight(width);
    image.rgb.assign(static_cast<std::size_t>(image.width) * image.height * 3, 255);
    const Layout l = layoutFor(width);
    int y = l.topGap;
    y = drawRamps(image, l, y) + l.gapAfterRamps;
    y = drawLines(image, l, y) + l.gapAfterLines;
    y = drawText(image, l, y) + l.gapAfterText;
    drawSolids(image, l, y);
    fillBox(image, 0, image.height - l.rule, width, l.rule, kBlack);
    return image;
}

}  // namespace inkband::host
