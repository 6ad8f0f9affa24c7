#include "inkband/png_preview.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "inkband/png_rows.h"
#include "inkband/row_store.h"

namespace inkband::tool {

namespace {

constexpr uint8_t kMargin = 200;  // grey around the panels, so white paper shows

uint8_t toByte(float v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
}

void put(uint8_t* rgb, int x, Colour c) {
    rgb[x * 3] = toByte(c.r);
    rgb[x * 3 + 1] = toByte(c.g);
    rgb[x * 3 + 2] = toByte(c.b);
}

// What a source plane's level does to the page: the factor it leaves of
// red, green, blue or black (1 - amount, k at half strength), by level.
struct InkFactors {
    int channel = 3;  // 0 red (cyan ink), 1 green, 2 blue, 3 black
    std::array<float, 16> left{};
};

std::vector<InkFactors> inkFactors(const ModeInfo& mode) {
    std::vector<InkFactors> factors;
    for (const SourcePlane& s : mode.sources) {
        InkFactors f;
        f.channel = s.ink == Ink::Cyan      ? 0
                    : s.ink == Ink::Magenta ? 1
                    : s.ink == Ink::Yellow  ? 2
                                            : 3;
        for (int v = 0; v < 16; ++v) {
            const float a = static_cast<float>(v) / s.maxLevel;
            f.left[v] = s.ink == Ink::LightBlack ? 1 - 0.5f * a : 1 - a;
        }
        factors.push_back(f);
    }
    return factors;
}

// Everything the second pass carries from row to row.
struct Painter {
    const ModeInfo* mode = nullptr;
    PreviewLayout layout;
    int width = 0, height = 0, scale = 1;
    std::vector<InkFactors> factors;
    std::vector<uint8_t> rgb;        // the row being drawn
    std::vector<uint8_t> thumbSums;  // one thumbnail row of one plane
    RowStore* thumbnails = nullptr;
    int next = 0;  // picture row drawn next
};

// One row of the page as printed, from its source-plane rows (none: paper).
void drawPageRow(Painter& p, const std::vector<const uint8_t*>& host, uint8_t* out) {
    for (int x = 0; x < p.width; ++x) {
        float c[4] = {1, 1, 1, 1};
        if (!host.empty())
            for (std::size_t i = 0; i < p.factors.size(); ++i)
                c[p.factors[i].channel] *= p.factors[i].left[host[i][x] & 15];
        put(out, x, {c[0] * c[3], c[1] * c[3], c[2] * c[3]});
    }
}

// Row ty of thumbnail j, from the block sums the first pass stored.
bool drawThumbRow(Painter& p, int j, int ty, uint8_t* out, std::string& error) {
    const int tw = p.layout.thumbWidth, s = p.scale;
    if (!rowStoreRead(*p.thumbnails, static_cast<std::size_t>(ty), j * static_cast<std::size_t>(tw),
                      static_cast<std::size_t>(tw), p.thumbSums.data(), error))
        return false;
    const WirePlane& wire = p.mode->wires[j];
    const int maxValue = wire.ternary ? 2 : (1 << wire.bits) - 1;
    const Colour ink = inkColour(wire.letter);
    const int blockHeight = std::min(p.height, (ty + 1) * s) - ty * s;
    for (int tx = 0; tx < tw; ++tx) {
        const int count = (std::min(p.width, (tx + 1) * s) - tx * s) * blockHeight;
        const float a = count > 0 ? static_cast<float>(p.thumbSums[tx]) / count / maxValue : 0.0f;
        put(out, tx, {1 - a * (1 - ink.r), 1 - a * (1 - ink.g), 1 - a * (1 - ink.b)});
    }
    return true;
}

// Draws picture row p.next, with page row p.next - g from `host`, and hands it on.
bool drawRow(Painter& p, const std::vector<const uint8_t*>& host, const PreviewRowSink& sink,
             std::string& error) {
    const int g = kPreviewGutter, y = p.next++;
    const PreviewLayout& l = p.layout;
    std::fill(p.rgb.begin(), p.rgb.end(), kMargin);
    const int pageRow = y - g;
    if (pageRow >= 0 && pageRow < p.height) drawPageRow(p, host, p.rgb.data() + g * 3);
    const int n = static_cast<int>(p.mode->wires.size());
    for (int j = 0; j < n; ++j) {
        const int x0 = g + p.width + g + j / l.rows * (l.thumbWidth + g);
        const int y0 = g + j % l.rows * (l.thumbHeight + g);
        if (y < y0 - 1 || y > y0 + l.thumbHeight) continue;
        // A frame in the ink colour, one pixel outside the thumbnail.
        const Colour ink = inkColour(p.mode->wires[j].letter);
        if (y == y0 - 1 || y == y0 + l.thumbHeight) {
            for (int x = x0 - 1; x <= x0 + l.thumbWidth; ++x) put(p.rgb.data(), x, ink);
            continue;
        }
        put(p.rgb.data(), x0 - 1, ink);
        put(p.rgb.data(), x0 + l.thumbWidth, ink);
        if (!drawThumbRow(p, j, y - y0, p.rgb.data() + x0 * 3, error)) return false;
    }
    return sink(p.rgb.data());
}

// First pass: every printer plane shrunk by `scale`, each thumbnail pixel
// the sum of its block's values, rows appended to the store in order.  A
// sum fits a byte: at most ten planes make scale at most 4, and a block of
// 16 pixels of at most 15 sums to at most 240.
bool shrinkPlanes(const uint8_t* data, std::size_t size, const decode::Page& page,
                  const ModeInfo& mode, int width, int height, const PreviewLayout& l,
                  RowStore& store, std::string& error, const ReadProgress& progress) {
    const int n = static_cast<int>(mode.wires.size()), s = l.rows, tw = l.thumbWidth;
    std::vector<uint8_t> sums(static_cast<std::size_t>(n) * tw, 0);
    int done = 0;  // thumbnail rows stored
    bool ok = true;
    auto storeUntil = [&](int row) {
        for (; ok && done < row; ++done) {
            ok = rowStoreAppend(store, sums.data(), error);
            std::fill(sums.begin(), sums.end(), uint8_t{0});
        }
    };
    RebuildCounts ignored;
    const bool decoded = forEachBandLevels(
        data, size, page, mode, width, height,
        [&](const BandLevels& band) {
            for (int r = 0; r < band.lines && ok; ++r) {
                storeUntil(static_cast<int>((band.firstLine + r) / s));
                for (int j = 0; j < n; ++j) {
                    const uint8_t* row = band.wire[j].row(r);
                    uint8_t* sum = &sums[static_cast<std::size_t>(j) * tw];
                    for (int x = 0; x < width; ++x) sum[x / s] += row[x];
                }
            }
        },
        ignored, error, progress);
    storeUntil(l.thumbHeight);
    return decoded && ok;
}

}  // namespace

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

bool drawPreview(const uint8_t* data, std::size_t size, const decode::Page& page,
                 const ModeInfo& mode, int width, int height, const PreviewRowSink& sink,
                 RebuildCounts& counts, std::string& error, const ReadProgress& progress,
                 std::size_t thumbnailMemory) {
    Painter p;
    p.mode = &mode;
    p.width = width;
    p.height = height;
    p.layout = previewLayout(width, height, static_cast<int>(mode.wires.size()));
    p.scale = p.layout.rows;
    p.factors = inkFactors(mode);
    p.rgb.assign(static_cast<std::size_t>(p.layout.width) * 3, kMargin);
    p.thumbSums.assign(static_cast<std::size_t>(p.layout.thumbWidth), 0);

    RowStore thumbnails;
    const std::size_t rowBytes = mode.wires.size() * static_cast<std::size_t>(p.layout.thumbWidth);
    bool ok =
        rowStoreOpen(thumbnails, rowBytes, static_cast<std::size_t>(p.layout.thumbHeight),
                     thumbnailMemory, error) &&
        shrinkPlanes(data, size, page, mode, width, height, p.layout, thumbnails, error, progress);
    p.thumbnails = &thumbnails;

    // Second pass: the page, row by row, blank between the bands with data.
    const std::vector<const uint8_t*> blank;
    std::vector<const uint8_t*> host(mode.sources.size());
    ok = ok && forEachBandLevels(
                   data, size, page, mode, width, height,
                   [&](const BandLevels& band) {
                       for (int r = 0; r < band.lines && ok; ++r) {
                           const int y = kPreviewGutter + static_cast<int>(band.firstLine) + r;
                           while (ok && p.next < y) ok = drawRow(p, blank, sink, error);
                           for (std::size_t i = 0; i < host.size(); ++i)
                               host[i] = band.host[i].row(r);
                           ok = ok && drawRow(p, host, sink, error);
                       }
                   },
                   counts, error, progress);
    while (ok && p.next < p.layout.height) ok = drawRow(p, blank, sink, error);
    rowStoreClose(thumbnails);
    return ok;
}

bool writePreviewPng(const std::string& path, const uint8_t* data, std::size_t size,
                     const decode::Page& page, const ModeInfo& mode, int width, int height,
                     RebuildCounts& counts, std::string& error, const ReadProgress& progress) {
    const PreviewLayout l = previewLayout(width, height, static_cast<int>(mode.wires.size()));
    PngRowWriter png;
    if (!pngOpen(png, path, l.width, l.height, error)) return false;
    const bool drawn = drawPreview(
        data, size, page, mode, width, height,
        [&](const uint8_t* rgb) { return pngWriteRow(png, rgb, error); }, counts, error, progress);
    if (!drawn) {
        pngAbandon(png);
        return false;
    }
    return pngFinish(png, error);
}

}  // namespace inkband::tool
