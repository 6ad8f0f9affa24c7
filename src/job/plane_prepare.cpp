#include "job/plane_prepare.h"

#include <algorithm>
#include <cstring>

#include "kernels/ternary_pack.h"
#include "kernels/zero_scan.h"

namespace inkband {

namespace {

// Copies n >= 1 bytes between buffers that do not overlap.  The stretches
// of a plane line that hold data are mostly short: up to 32 bytes go as two
// overlapping moves of the largest size that fits, without a call.
inline void copyBytes(uint8_t* dst, const uint8_t* src, int32_t n) {
    auto move = [&](auto unit) {
        decltype(unit) head, tail;
        constexpr int32_t size = sizeof unit;
        std::memcpy(&head, src, size);
        std::memcpy(&tail, src + n - size, size);
        std::memcpy(dst, &head, size);
        std::memcpy(dst + n - size, &tail, size);
    };
    struct Sixteen {
        uint64_t low, high;
    };
    if (n > 32) {
        std::memcpy(dst, src, static_cast<std::size_t>(n));
    } else if (n >= 16) {
        move(Sixteen{});
    } else if (n >= 8) {
        move(uint64_t{});
    } else if (n >= 4) {
        move(uint32_t{});
    } else {
        dst[0] = src[0];
        dst[n - 1] = src[n - 1];
        dst[n / 2] = src[n / 2];
    }
}

}  // namespace

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

bool PreparePlanes(OutputJob* job, const RasterLine* line) {
    const SimdLevel level = bestSimdLevel();
    const LinePlace place = linePlace(line->line, job->bandHeight);
    for (int i = 0; i < job->sourcePlaneCount; ++i) {
        PlaneState& plane = job->planes[i];
        const PlaneLine& source = line->planes[i];
        PlaneLine& prepared = job->planeLines[i];
        const int16_t shift = plane.pixelShift;
        prepared.width = source.width;
        prepared.left = source.left;
        prepared.right = source.right;
        setLinePlace(&plane.current, place);
        if (!planeLineHasSpan(source, job->lineWidth)) {
            if (!planeLineIsBlank(source)) return false;
            setBlankExtent(&plane.current);
            continue;
        }

        // The span's first and last non-zero byte, looked for from both
        // ends: on most lines the zeros lie at the ends.
        const int32_t a = source.left >> shift;
        const int32_t e = (source.width - source.right - 1) >> shift;
        const ByteExtent found = findExtentFromEnds(source.data + a, e - a + 1, level);
        if (found.first > found.last) {
            // Only zero bytes: nothing to trim or copy, and a ternary line
            // packs to zeros.
            if (plane.ternaryFlag) {
                const int32_t packed = ternaryPackedSize(e + 1);
                prepared.width = static_cast<int16_t>(packed << shift);
                prepared.left = prepared.width;
                prepared.right = 0;
            }
            setBlankExtent(&plane.current);
            continue;
        }

        const int32_t first = a + found.first;
        const int32_t last = a + found.last;
        if (!plane.ternaryFlag && !trimMayTouch(source, shift, first, last)) {
            // Nothing of first .. last changes: the encoder reads the
            // caller's bytes, in this call, and only those.
            prepared.data = source.data;
            setFoundExtent(&plane.current, {first, last});
            continue;
        }
        uint8_t* buffer = job->lineBuffers[i];
        prepared.data = buffer;
        // Only the bytes later steps use come to the line buffer, at their
        // own indices: first .. last, and for a ternary line the zeros of
        // the span that the packed bytes covering them are made from.
        int32_t from = first;
        int32_t to = last;
        if (plane.ternaryFlag) {
            from = std::max(a, ternaryBlockStart(first));
            to = std::min(e, last + 1);
        }
        copyBytes(buffer + from, source.data + from, to - from + 1);
        // An edge byte outside from .. to is not read: what the trim does to
        // it does not matter.  The trim clears pixels only in an edge byte
        // that keeps a non-zero pixel of the span, and leaves a byte that
        // holds none as it is, so the first and last non-zero bytes stay
        // where the scan found them.
        clearOutsidePixels(buffer, source, shift);
        ByteExtent extent{first, last};
        if (plane.ternaryFlag) extent = packTernarySpan(&prepared, first, last, level);
        setFoundExtent(&plane.current, extent);
    }
    return true;
}

}  // namespace inkband
