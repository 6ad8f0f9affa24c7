#include "inkband/png_preview.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace inkband::tool {

namespace {

constexpr uint8_t kMargin = 200;  // grey around the panels, so white paper shows

struct Colour {
    float r, g, b;
};

// The colour a full dot of each plane letter shows in the thumbnails.
Colour inkColour(uint8_t letter) {
    switch (letter & 0x7F) {
        case 'C':
            return {0.0f, 0.63f, 0.9f};
        case 'M':
            return {0.86f, 0.0f, 0.55f};
        case 'Y':
            return {0.95f, 0.78f, 0.0f};
        case 'k':
            return {0.45f, 0.45f, 0.45f};
        case 'H':
            return {0.15f, 0.15f, 0.35f};
        default:
            return {0.0f, 0.0f, 0.0f};
    }
}

uint8_t toByte(float v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
}

void put(RgbImage& image, int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
    p[0] = toByte(c.r);
    p[1] = toByte(c.g);
    p[2] = toByte(c.b);
}

// The page as printed: each ink's amount is its level over the plane's
// highest level.
void drawComposite(RgbImage& image, const DecodedPlanes& planes, const ModeInfo& mode, int x0,
                   int y0) {
    for (int y = 0; y < planes.height; ++y)
        for (int x = 0; x < planes.width; ++x) {
            float r = 1, g = 1, b = 1, black = 1;
            for (std::size_t i = 0; i < mode.sources.size(); ++i) {
                const SourcePlane& s = mode.sources[i];
                const float a = static_cast<float>(planes.host[i].row(y)[x]) / s.maxLevel;
                switch (s.ink) {
                    case Ink::Cyan:
                        r *= 1 - a;
                        break;
                    case Ink::Magenta:
                        g *= 1 - a;
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
            put(image, x0 + x, y0 + y, {r * black, g * black, b * black});
        }
}

// One printer plane shrunk by `scale`, averaging its values over each
// block, tinted from white to the plane's ink colour.
void drawThumbnail(RgbImage& image, const PlaneImage& plane, uint8_t letter, int scale, int x0,
                   int y0, int tw, int th) {
    const Colour ink = inkColour(letter);
    for (int ty = 0; ty < th; ++ty)
        for (int tx = 0; tx < tw; ++tx) {
            float sum = 0;
            int count = 0;
            for (int y = ty * scale; y < std::min(plane.height, (ty + 1) * scale); ++y)
                for (int x = tx * scale; x < std::min(plane.width, (tx + 1) * scale); ++x) {
                    sum += plane.row(y)[x];
                    ++count;
                }
            const float a = count > 0 ? sum / count / plane.maxValue : 0.0f;
            put(image, x0 + tx, y0 + ty,
                {1 - a * (1 - ink.r), 1 - a * (1 - ink.g), 1 - a * (1 - ink.b)});
        }
    // A frame in the ink colour, one pixel outside the thumbnail.
    for (int x = -1; x <= tw; ++x) {
        put(image, x0 + x, y0 - 1, ink);
        put(image, x0 + x, y0 + th, ink);
    }
    for (int y = -1; y <= th; ++y) {
        put(image, x0 - 1, y0 + y, ink);
        put(image, x0 + tw, y0 + y, ink);
    }
}

}  // namespace

PreviewLayout previewLayout(int pageWidth, int pageHeight, int planes) {
    PreviewLayout l;
    const int g = kPreviewGutter;
    l.rows = std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(planes)))));
    l.cols = planes > 0 ? (planes + l.rows - 1) / l.rows : 0;
    l.thumbWidth = (pageWidth + l.rows - 1) / l.rows;
    l.thumbHeight = (pageHeight + l.rows - 1) / l.rows;
    l.width = g + pageWidth + g + l.cols * (l.thumbWidth + g);
    l.height = g + std::max(pageHeight, l.rows * l.thumbHeight + (l.rows - 1) * g) + g;
    return l;
}

RgbImage renderPreview(const DecodedPlanes& planes, const ModeInfo& mode) {
    const int n = static_cast<int>(planes.wire.size());
    const PreviewLayout l = previewLayout(planes.width, planes.height, n);
    RgbImage image;
    image.width = l.width;
    image.height = l.height;
    image.rgb.assign(static_cast<std::size_t>(l.width) * l.height * 3, kMargin);
    const int g = kPreviewGutter;
    drawComposite(image, planes, mode, g, g);
    for (int j = 0; j < n; ++j) {
        const int col = j / l.rows, row = j % l.rows;
        drawThumbnail(image, planes.wire[j], mode.wires[j].letter, l.rows,
                      g + planes.width + g + col * (l.thumbWidth + g),
                      g + row * (l.thumbHeight + g), l.thumbWidth, l.thumbHeight);
    }
    return image;
}

bool writePng(const std::string& path, const RgbImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr)) {
        error = "cannot write " + path + ": " + png.message;
        return false;
    }
    return true;
}

}  // namespace inkband::tool
