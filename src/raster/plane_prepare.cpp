#include "raster/plane_prepare.h"

#include <cstring>

#include "raster/span_search.h"
#include "raster/ternary_pack.h"

namespace inkband {

void setLineFields(LineExtent* extent, int32_t line, int16_t bandHeight) {
    extent->lineInBand = static_cast<int16_t>(line % bandHeight);
    extent->line = line;
    extent->band = line / bandHeight;
}

void setBlankExtent(LineExtent* extent) {
    extent->blank = kLineBlank;
    extent->first = 0;
    extent->last = 0;
}

void PreparePlanes(OutputJob* job, const RasterLine* line) {
    for (int i = 0; i < job->sourcePlaneCount; ++i) {
        PlaneState& plane = job->planes[i];
        const PlaneLine& source = line->planes[i];
        PlaneLine& prepared = job->planeLines[i];
        const int16_t shift = plane.pixelShift;
        prepared.width = source.width;
        prepared.left = source.left;
        prepared.right = source.right;

        if (planeLineIsBlank(source)) {
            setBlankExtent(&plane.current);
        } else {
            // Copy the span's bytes to the same indices of the line buffer.
            int32_t a = source.left >> shift;
            int32_t e = (source.width - source.right - 1) >> shift;
            uint8_t* buffer = prepared.data;
            std::memcpy(buffer + a, source.data + a, static_cast<std::size_t>(e - a + 1));

            // Clear the pixels outside the span in its two edge bytes.
            int16_t pos = source.left;
            int16_t count = static_cast<int16_t>(source.width - source.left - source.right);
            uint8_t edges[2];
            if (TrimEdgeBytes(buffer, static_cast<int16_t>(8 >> shift), &pos, &count, edges) == 0) {
                if (edges[0] != 0) buffer[pos] = edges[0];
                if (edges[1] != 0) buffer[pos + count + 1] = edges[1];
            }
            if (plane.ternaryFlag != 0) packTernaryLine(&prepared);
            plane.current.blank =
                FindLineExtent(prepared, shift, &plane.current.first, &plane.current.last);
        }
        setLineFields(&plane.current, line->line, job->bandHeight);
    }
}

}  // namespace inkband
