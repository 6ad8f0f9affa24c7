// A picture of what the printer receives for one page: on the left the
// page as the inks would print it (every pixel's levels as ink amounts,
// cyan, magenta and yellow subtracting their primaries, K and H as black,
// k as half black), on the right one thumbnail per printer plane in that
// plane's ink colour, framed in it, with darker meaning a higher value.
//
// Layout, with g = 8 pixels of grey margin and n printer planes:
//   rows = ceil(sqrt(n)) thumbnails per column, each the page shrunk by
//   rows (tw = ceil(W / rows), th = ceil(H / rows)), cols = ceil(n / rows);
//   width  = g + W + g + cols * (tw + g)
//   height = g + max(H, rows * th + (rows - 1) * g) + g
//
// The picture is drawn a row at a time from the stream, so that a page of
// any size needs memory for a band and the thumbnails only.  A thumbnail
// row at the top of the picture needs the foot of the page, so the page's
// bands are decoded twice: first the thumbnails are shrunk (each pixel the
// sum over its block, one byte, kept in a RowStore), then the page is drawn
// beside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "decoder/stream_decoder.h"
#include "inkband/modes.h"
#include "inkband/plane_reconstruct.h"

namespace inkband::tool {

struct PreviewLayout {
    int width = 0, height = 0;
    int rows = 0, cols = 0;
    int thumbWidth = 0, thumbHeight = 0;
};
inline constexpr int kPreviewGutter = 8;

PreviewLayout previewLayout(int pageWidth, int pageHeight, int planes);

// Red, green and blue, 0 to 1.
struct Colour {
    float r, g, b;
};

// The colour a full dot of a printer plane shows in its thumbnail and frame.
Colour inkColour(uint8_t letter);

// Thumbnail bytes kept in memory before they go to a temporary file.
inline constexpr std::size_t kThumbnailMemory = std::size_t{64} << 20;

// Takes the picture's rows top down, width * 3 bytes each; false stops the
// drawing (the sink says why).
using PreviewRowSink = std::function<bool(const uint8_t* rgb)>;

// Draws the preview of a page of width x height pixels (both above 0).
// False with a message when the stream no longer decodes or a temporary
// file fails, or false when the sink stops it.  `counts` from drawing the
// page; `progress` is told how far each pass has read (each starts at the
// page's offset).
bool drawPreview(const uint8_t* data, std::size_t size, const decode::Page& page,
                 const ModeInfo& mode, int width, int height, const PreviewRowSink& sink,
                 RebuildCounts& counts, std::string& error, const ReadProgress& progress = {},
                 std::size_t thumbnailMemory = kThumbnailMemory);

// Draws it into a PNG file, row by row.
bool writePreviewPng(const std::string& path, const uint8_t* data, std::size_t size,
                     const decode::Page& page, const ModeInfo& mode, int width, int height,
                     RebuildCounts& counts, std::string& error, const ReadProgress& progress = {});

}  // namespace inkband::tool
