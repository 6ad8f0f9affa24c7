#include "raster/plane_prepare.h"

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
            // Copy the span's bytes to the same indices of the line buffer,
            // finding its first and last non-zero byte on the way.
            const int32_t a = source.left >> shift;
            const int32_t e = (source.width - source.right - 1) >> shift;
            uint8_t* buffer = prepared.data;
            ByteExtent found = copyFindExtent(buffer + a, source.data + a, e - a + 1, level);

            if (found.first > found.last) {
                // Only zero bytes: nothing to trim, and a ternary line packs
                // to zeros.  The buffer still ends up as the full packing
                // leaves it: the bytes before the span cleared, the packed
                // bytes (all inside the zero bytes just copied) zero.
                if (plane.ternaryFlag != 0) {
                    if (a > 0) std::memset(buffer, 0, static_cast<std::size_t>(a));
                    const int32_t packed = ternaryPackedSize(e + 1);
                    prepared.width = static_cast<int16_t>(packed << shift);
                    prepared.left = prepared.width;
                    prepared.right = 0;
                }
                setBlankExtent(&plane.current);
            } else {
                const int32_t first = a + found.first;
                const int32_t last = a + found.last;
                clearOutsidePixels(buffer, source, shift);
                // The trim clears pixels only in an edge byte that keeps a
                // non-zero pixel of the span, and leaves a byte that holds
                // none as it is, so the first and last non-zero bytes stay
                // where the copy found them.
                ByteExtent extent{first, last};
                if (plane.ternaryFlag != 0) extent = packTernarySpan(&prepared, first, last, level);
                setFoundExtent(&plane.current, extent);
            }
        }
        setLineFields(&plane.current, line->line, job->bandHeight);
    }
}

}  // namespace inkband
