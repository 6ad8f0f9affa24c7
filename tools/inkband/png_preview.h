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
#pragma once

#include <string>

#include "inkband/image_input.h"
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

RgbImage renderPreview(const DecodedPlanes& planes, const ModeInfo& mode);

// Writes an RGB picture as PNG through libpng.
bool writePng(const std::string& path, const RgbImage& image, std::string& error);

}  // namespace inkband::tool
