// The ten-plane split of mode classes 7 and 10: each of the five 4-bit
// source planes (C, M, Y, k, H) feeds two output planes, i and i + 5, each
// pixel level looked up in a small table per output plane.
#include <cstring>

#include "job/plane_prepare.h"
#include "kernels/split_convert.h"
#include "mode/mode_tables.h"

namespace inkband {

namespace {

inline constexpr int kLevelTableSize = 10;

// One output plane's level table: a source level v prints as levels[v] when
// v < length, else as 0.
struct SplitLevels {
    uint8_t length;
    uint8_t levels[kLevelTableSize];
};

// Source plane of each output plane, the same in both classes.
constexpr int8_t SplitPlaneMap[kSplitPlanes] = {0, 1, 2, 3, 4, 0, 1, 2, 3, 4};

// Class 7 and class 10 level tables, by output plane (C M Y k H, then the
// same letters with bit 7 set).  Entries fit the output depth: at most 11 on
// 4-bit planes, 3 on 2-bit planes.
constexpr SplitLevels SplitLevelTable[2][kSplitPlanes] = {
    {
        /* C   */ {10, {0, 0, 1, 3, 3, 6, 6, 4, 9, 9}},
        /* M   */ {10, {0, 1, 1, 1, 3, 3, 6, 9, 8, 11}},
        /* Y   */ {8, {0, 1, 2, 2, 2, 3, 3, 3}},
        /* k   */ {5, {0, 1, 2, 2, 2}},
        /* H   */ {10, {0, 1, 1, 1, 3, 3, 6, 9, 8, 11}},
        /* C+  */ {10, {0, 1, 1, 1, 3, 3, 6, 9, 8, 11}},
        /* M+  */ {10, {0, 0, 1, 3, 3, 6, 6, 4, 9, 9}},
        /* Y+  */ {8, {0, 0, 0, 1, 2, 1, 2, 3}},
        /* k+  */ {5, {0, 0, 0, 1, 2}},
        /* H+  */ {10, {0, 0, 1, 3, 3, 6, 6, 4, 9, 9}},
    },
    {
        /* C   */ {5, {0, 1, 1, 1, 2}},
        /* M   */ {5, {0, 1, 1, 1, 2}},
        /* Y   */ {5, {0, 1, 2, 2, 2}},
        /* k   */ {5, {0, 1, 2, 2, 2}},
        /* H   */ {10, {0, 1, 1, 1, 2, 2, 5, 8, 7, 9}},
        /* C+  */ {5, {0, 0, 1, 2, 2}},
        /* M+  */ {5, {0, 0, 1, 2, 2}},
        /* Y+  */ {5, {0, 0, 0, 1, 2}},
        /* k+  */ {5, {0, 0, 0, 1, 2}},
        /* H+  */ {10, {0, 0, 1, 2, 2, 5, 5, 3, 8, 8}},
    },
};

// The level tables as nibble maps for the vector conversion, by class,
// output plane and output depth (4 bits, then 2 bits).
struct SplitMaps {
    SplitNibbles maps[2][kSplitPlanes][2];
};

constexpr SplitMaps makeSplitMaps() {
    SplitMaps all{};
    for (int c = 0; c < 2; ++c)
        for (int j = 0; j < kSplitPlanes; ++j)
            for (int d = 0; d < 2; ++d)
                all.maps[c][j][d] = makeSplitNibbles(SplitLevelTable[c][j].levels,
                                                     SplitLevelTable[c][j].length, d == 0 ? 4 : 2);
    return all;
}

constexpr SplitMaps kSplitMaps = makeSplitMaps();

constexpr int kSplitSources = 5;

// The two output planes of each source plane, in increasing order.
struct SplitOutputsOf {
    int16_t planes[kSplitSources][2];
};

constexpr SplitOutputsOf makeSplitOutputs() {
    SplitOutputsOf all{};
    int found[kSplitSources] = {};
    for (int16_t j = 0; j < kSplitPlanes; ++j) {
        const int i = SplitPlaneMap[j];
        all.planes[i][found[i]++] = j;
    }
    return all;
}

constexpr SplitOutputsOf kSplitOutputs = makeSplitOutputs();

// Bytes that u source bytes' pixels take at the output depth: u for a
// 4-bit output, (u + 1) / 2 for a 2-bit one.
int32_t outputBytes(int32_t u, int16_t sourceShift, int16_t outShift) {
    const int32_t perByte = 1 << outShift;
    return ((u << sourceShift) + perByte - 1) >> outShift;
}

}  // namespace

void SplitPlanes(OutputJob* job, RasterLine* line) {
    const SimdLevel level = bestSimdLevel();
    const LinePlace place = linePlace(line->line, job->bandHeight);
    const int classIndex = job->modeClass == 10 ? 1 : 0;
    const int sources =
        job->sourcePlaneCount < kSplitSources ? job->sourcePlaneCount : kSplitSources;
    for (int i = 0; i < sources; ++i) {
        PlaneLine& source = line->planes[i];
        const int16_t sourceShift = job->planes[i].pixelShift;
        const int16_t* outputs = kSplitOutputs.planes[i];
        for (int k = 0; k < 2; ++k) setLinePlace(&job->planes[outputs[k]].current, place);
        if (planeLineIsBlank(source)) {
            for (int k = 0; k < 2; ++k) {
                PlaneLine& output = job->planeLines[outputs[k]];
                output.width = source.width;
                output.left = source.left;
                output.right = source.right;
                setBlankExtent(&job->planes[outputs[k]].current);
            }
            continue;
        }

        // Trim the caller's line in place and clear the bytes before its span.
        clearOutsidePixels(source.data, source, sourceShift);
        int32_t lead = source.left >> sourceShift;
        if (lead > 0) std::memset(source.data, 0, static_cast<std::size_t>(lead));
        int32_t u = ((source.width - source.right - 1) >> sourceShift) + 1;

        // Both classes take 4-bit source planes, and a source plane's two
        // outputs share their depth (4 or 2 bits).
        const int16_t outShift = job->planes[outputs[0]].outputShift;
        for (int k = 0; k < 2; ++k) {
            PlaneLine& output = job->planeLines[outputs[k]];
            const int32_t n = outputBytes(u, sourceShift, outShift);
            output.left = 0;
            output.right = 0;
            // Capped: a 32767-pixel line at 4 bits would make n << outShift
            // wrap the 16-bit width; the same n bytes are measured either way.
            int32_t width = n << outShift;
            output.width = static_cast<int16_t>(width > INT16_MAX ? INT16_MAX : width);
        }

        // Zero source bytes give zero output bytes, and most lines are zero
        // at their ends: only the stretch from the first to the last non-zero
        // source byte is converted, both outputs in one pass over it.  It
        // starts at an even byte, where a 2-bit output byte starts; output
        // bytes outside it are never read.
        const ByteExtent found = findExtentFromEnds(source.data, u, level);
        if (found.first > found.last) {
            for (int k = 0; k < 2; ++k) setBlankExtent(&job->planes[outputs[k]].current);
            continue;
        }
        const int32_t from = found.first & ~1;
        const int32_t outFrom = outShift == 1 ? from : from / 2;
        const int depth = outShift == 1 ? 0 : 1;
        SplitOutput pair[2];
        for (int k = 0; k < 2; ++k)
            pair[k] = {job->planeLines[outputs[k]].data + outFrom,
                       &kSplitMaps.maps[classIndex][outputs[k]][depth],
                       {}};
        convertSplitPair(pair, source.data + from, found.last + 1 - from, 8 >> outShift, level);
        for (int k = 0; k < 2; ++k) {
            ByteExtent extent = pair[k].extent;
            if (extent.first <= extent.last)
                extent = {extent.first + outFrom, extent.last + outFrom};
            setFoundExtent(&job->planes[outputs[k]].current, extent);
        }
    }
}

}  // namespace inkband
