// From decoded plane lines back to planes of levels: the printer's planes
// as they were sent (ternary bytes unpacked to their five pixels), and the
// host's source planes behind them (the ten-plane modes' split undone).
// Together with the tool's own dumps this closes the round trip: printing
// a raster and reconstructing the stream gives back the same levels.
#pragma once

#include <string>
#include <vector>

#include "decoder/stream_decoder.h"
#include "inkband/modes.h"
#include "inkband/plane_image.h"

namespace inkband::tool {

// Largest page reconstruct() builds, in plane pixels over all planes.
inline constexpr int64_t kMaxReconstructPixels = int64_t{1} << 28;

struct DecodedPlanes {
    int width = 0;
    int height = 0;
    std::vector<PlaneImage> wire;  // one per printer plane of the mode
    std::vector<PlaneImage> host;  // one per source plane, maxValue 2^bits - 1
    int64_t unmatched = 0;         // pixels no source level explains
    int64_t outside = 0;           // non-zero pixels past the page's width or height
};

// How well a mode explains a page, without building the planes.
struct ModeFit {
    int64_t unmatched = 0;  // ternary bytes above 242, split pairs of no level
    int widest = 0;         // widest line of any plane, in pixels
    double spread = 1.0;    // widest line of the widest plane / of the narrowest
};
ModeFit fitMode(const decode::Page& page, const ModeInfo& mode);

// The page's width in pixels as the mode reads its widest line, and its
// height up to the end of its last band with data.
int inferredWidth(const decode::Page& page, const ModeInfo& mode);
int inferredHeight(const decode::Page& page);

// Builds the planes of a page at width x height (0: inferred).  False with
// a message when the page is too large to build.
bool reconstructPage(const decode::Page& page, const ModeInfo& mode, int width, int height,
                     DecodedPlanes& out, std::string& error);

}  // namespace inkband::tool
