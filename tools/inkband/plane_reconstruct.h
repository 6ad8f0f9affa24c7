// From decoded plane lines back to planes of levels: the printer's planes
// as they were sent (ternary bytes unpacked to their five pixels), and the
// host's source planes behind them (the ten-plane modes' split undone).
// Together with the tool's own dumps this closes the round trip: printing
// a raster and reconstructing the stream gives back the same levels.
//
// The page is rebuilt a band at a time from the stream itself, so that a
// caller drawing or writing it as the bands come needs memory for one band
// only; reconstructPage gathers the bands into whole planes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "decoder/stream_decoder.h"
#include "inkband/modes.h"
#include "inkband/plane_image.h"

namespace inkband::tool {

// Largest page reconstructPage builds, in plane pixels over all planes.
inline constexpr int64_t kMaxReconstructPixels = int64_t{1} << 28;

inline constexpr int kTernaryMax = 242;  // 22222 in base 3: the highest ternary byte
inline constexpr int kNoLevel = -1;

// Pixels a decoded line of that many bytes spans on the printer plane.
int linePixels(std::size_t bytes, const WirePlane& wire);

// For a split mode: the source level of each pair of printer values, per
// source plane; kNoLevel for a pair no level gives.
using PairTable = std::array<std::array<std::array<int8_t, 16>, 16>, kMaxSourcePlanes>;
PairTable pairTable(const ModeInfo& mode);

// The page's width in pixels as the mode reads its widest line, and its
// height up to the end of its last band with data.
int inferredWidth(const decode::Page& page, const ModeInfo& mode);
int inferredHeight(const decode::Page& page);

// What rebuilding a page found that the levels do not show.
struct RebuildCounts {
    int64_t unmatched = 0;  // pixels no source level explains
    int64_t outside = 0;    // non-zero pixels past the page's width or height
};

// One band of a page as levels, at the page's width: every printer plane
// of the mode and every source plane (maxValue 2^bits - 1), rows past the
// page's height left out.
struct BandLevels {
    int64_t firstLine = 0;  // page line of row 0
    int lines = 0;          // rows held, 1 to the band height
    std::vector<PlaneImage> wire;
    std::vector<PlaneImage> host;
};
using BandLevelSink = std::function<void(const BandLevels&)>;
// Told, after each band, the offset up to which the stream has been read.
using ReadProgress = std::function<void(std::size_t offset)>;

// Decodes the page's bands from the stream it was decoded from and hands
// each band with data inside the page to onBand, top to bottom.  False
// with a message when the stream does not decode as it did before.
bool forEachBandLevels(const uint8_t* data, std::size_t size, const decode::Page& page,
                       const ModeInfo& mode, int width, int height, const BandLevelSink& onBand,
                       RebuildCounts& counts, std::string& error,
                       const ReadProgress& progress = {});

struct DecodedPlanes {
    int width = 0;
    int height = 0;
    std::vector<PlaneImage> wire;  // one per printer plane of the mode
    std::vector<PlaneImage> host;  // one per source plane, maxValue 2^bits - 1
    RebuildCounts counts;
};

// Builds the whole planes of a page at width x height (0: inferred).  False
// with a message when the page is too large to build.
bool reconstructPage(const uint8_t* data, std::size_t size, const decode::Page& page,
                     const ModeInfo& mode, int width, int height, DecodedPlanes& out,
                     std::string& error);

}  // namespace inkband::tool
