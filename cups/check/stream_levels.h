// The levels a stream carries for each source plane of a mode, read back
// one raster line at a time from a decoded page: printer plane i is source
// plane i, ternary bytes hold five base-3 pixels (the first pixel in the
// highest digit), other planes 1, 2 or 4 bits per pixel (the first pixel in
// the highest bits).  In the ten-plane modes source plane s feeds printer
// planes s and s + 5, and its level is the one whose split table pair
// (split[s].table[v], split[s + 5].table[v]) is the decoded pair.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "decoder/stream_decoder.h"
#include "host/print_modes.h"

namespace inkband::check {

// What a stream holds that no level of the mode explains.
struct LevelFaults {
    int64_t badTernary = 0;  // ternary bytes above 242 (no five base-3 digits)
    int64_t aboveMax = 0;  // pixels above the plane's highest level, or split pairs no level gives
    int64_t pastEdge = 0;  // non-zero pixels right of the page's width
};

struct LevelReader {
    const decode::Page* page = nullptr;
    const host::ModeInfo* mode = nullptr;
    int width = 0;
    // Split modes: the source level of each pair of printer values; -1 for
    // a pair no level gives.
    std::array<std::array<std::array<int8_t, 16>, 16>, host::kMaxSourcePlanes> pairs{};
    std::vector<uint8_t> first, second;  // printer plane levels of the line being read
};

void startLevelReader(LevelReader& reader, const decode::Page& page, const host::ModeInfo& mode,
                      int width);

// Writes the `width` levels of source plane `plane` on line y.  Levels
// above the plane's highest one are written as found and counted.
void readSourceLine(LevelReader& reader, int plane, int64_t y, uint8_t* levels,
                    LevelFaults& faults);

}  // namespace inkband::check
