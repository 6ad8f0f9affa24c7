#include "raster/plane_prepare.h"

#include <algorithm>
#include <cstring>

#include "raster/ternary_pack.h"
#include "raster/zero_scan.h"

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

void setFoundExtent(LineExtent* extent, ByteExtent found) {
    if (found.first > found.last) {
        setBlankExtent(extent);
        return;
    }
    extent->blank = kLineHasData;
    extent->first = found.first;
    extent->last = found.last;
}

void PreparePlanes(OutputJob* job, const RasterLine* line) {
    const SimdLevel level = bestSimdLevel();
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
            // The span's first and last non-zero byte, looked for from both
            // ends: on most lines the zeros lie at the ends.
            const int32_t a = source.left >> shift;
            const int32_t e = (source.width - source.right - 1) >> shift;
            uint8_t* buffer = prepared.data;
            const ByteExtent found = findExtentFromEnds(source.data + a, e - a + 1, level);

            if (found.first > found.last) {
                // Only zero bytes: nothing to trim or copy, and a ternary
                // line packs to zeros.
                if (plane.ternaryFlag != 0) {
                    const int32_t packed = ternaryPackedSize(e + 1);
                    prepared.width = static_cast<int16_t>(packed << shift);
                    prepared.left = prepared.width;
                    prepared.right = 0;
                }
                setBlankExtent(&plane.current);
            } else {
                const int32_t first = a + found.first;
                const int32_t last = a + found.last;
                // Only the bytes later steps use come to the line buffer, at
                // their own indices: first .. last, and for a ternary line the
                // zeros of the span that the packed bytes covering them are
                // made from.
                int32_t from = first;
                int32_t to = last;
                if (plane.ternaryFlag != 0) {
                    from = std::max(a, ternaryBlockStart(first));
                    to = std::min(e, last + 1);
                }
                std::memcpy(buffer + from, source.data + from,
                            static_cast<std::size_t>(to - from + 1));
                // An edge byte outside from .. to is not read: what the trim
                // does to it does not matter.
                clearOutsidePixels(buffer, source, shift);
                // The trim clears pixels only in an edge byte that keeps a
                // non-zero pixel of the span, and leaves a byte that holds
                // none as it is, so the first and last non-zero bytes stay
                // where the scan found them.
                ByteExtent extent{first, last};
                if (plane.ternaryFlag != 0) extent = packTernarySpan(&prepared, first, last, level);
                setFoundExtent(&plane.current, extent);
            }
        }
        setLineFields(&plane.current, line->line, job->bandHeight);
    }
}

}  // namespace inkband
