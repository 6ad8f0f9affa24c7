// Plane preparation: each source plane's line into the job's line buffer,
// trimmed, ternary-packed where the mode asks, and measured.
#pragma once

#include "job/output_job.h"
#include "kernels/zero_scan.h"

namespace inkband {

// A plane line that carries nothing: no data, left == width, or an empty
// span (left + right == width).  Such a plane is never copied or encoded.
inline bool planeLineIsBlank(const PlaneLine& line) {
    return line.data == nullptr || line.left == line.width ||
           static_cast<int32_t>(line.left) + line.right == line.width;
}

// True when a descriptor keeps to 0 <= left, 0 <= right, left + right <=
// width <= lineWidth; every non-blank one must.
inline bool planeLineInBounds(const PlaneLine& line, int16_t lineWidth) {
    return line.left >= 0 && line.right >= 0 &&
           static_cast<int32_t>(line.left) + line.right <= line.width && line.width <= lineWidth;
}

inline bool planeLineIsValid(const PlaneLine& line, int16_t lineWidth) {
    return planeLineIsBlank(line) || planeLineInBounds(line, lineWidth);
}

// True exactly when a descriptor is valid and not blank: data, 0 <= left,
// 0 <= right, left + right < width <= lineWidth.  The usual case, in a few
// comparisons.
inline bool planeLineHasSpan(const PlaneLine& line, int16_t lineWidth) {
    const int32_t span = static_cast<int32_t>(line.width) - line.left - line.right;
    return line.data != nullptr && (line.left | line.right) >= 0 && span > 0 &&
           line.width <= lineWidth;
}

// A raster line's place in the band grid, worked out once for all planes.
struct LinePlace {
    int16_t lineInBand;  // line % bandHeight
    int32_t line;
    int32_t band;  // line / bandHeight
};

inline LinePlace linePlace(int32_t line, int16_t bandHeight) {
    return {static_cast<int16_t>(line % bandHeight), line, line / bandHeight};
}

// Sets the band-grid fields of a plane's current line state.
inline void setLinePlace(LineExtent* extent, const LinePlace& place) {
    extent->lineInBand = place.lineInBand;
    extent->line = place.line;
    extent->band = place.band;
}

// Marks a plane's current line blank.
void setBlankExtent(LineExtent* extent);

// Sets a plane's current line from the first and last non-zero byte found
// (blank when first > last).
void setFoundExtent(LineExtent* extent, ByteExtent found);

// Clears the pixels outside the span in the span's two edge bytes, with
// the effect TrimEdgeBytes has over the whole span.  That trim rewrites the
// byte holding the first non-zero pixel F, keeping pixels F on, and the byte
// holding the last one L, keeping pixels up to L.  Pixels of the span next
// to F and L in those bytes are zero, so the rewrite can change only the
// pixels outside the span, which lie in the span's first byte a (before
// `left`) and last byte e (from the span's end on); and byte a holds F, or
// byte e holds L, exactly when it holds any non-zero pixel of the span.
// So: each edge byte with a non-zero span pixel loses its outside pixels,
// and an edge byte with none is left as it is.
inline void clearOutsidePixels(uint8_t* buffer, const PlaneLine& source, int16_t shift) {
    const int32_t bits = 8 >> shift;
    const int32_t inByte = (1 << shift) - 1;          // pixel index within its byte
    const int32_t end = source.width - source.right;  // one past the span
    // A span that starts and ends at byte boundaries shares no byte with
    // pixels outside it.
    if (((source.left | end) & inByte) == 0) return;
    const int32_t a = source.left >> shift;
    const int32_t e = (end - 1) >> shift;
    uint8_t keepA = static_cast<uint8_t>(0xFF >> ((source.left & inByte) * bits));
    const int32_t endPixels = end & inByte;  // span pixels in byte e, 0: all
    const uint8_t keepE =
        endPixels == 0 ? uint8_t{0xFF} : static_cast<uint8_t>(0xFF << (8 - endPixels * bits));
    if (a == e) keepA &= keepE;
    if ((buffer[a] & keepA) != 0) buffer[a] &= keepA;
    if (a != e && (buffer[e] & keepE) != 0) buffer[e] &= keepE;
}

// True when clearOutsidePixels may change a byte of first .. last: the span
// begins inside byte `first` or ends inside byte `last`.
inline bool trimMayTouch(const PlaneLine& source, int16_t shift, int32_t first, int32_t last) {
    const int32_t inByte = (1 << shift) - 1;
    const int32_t end = source.width - source.right;
    return ((source.left & inByte) != 0 && (source.left >> shift) == first) ||
           ((end & inByte) != 0 && ((end - 1) >> shift) == last);
}

// Ordinary mode classes: prepares every plane of the line, checking each
// plane's descriptor first.  False at a descriptor that is not valid: the
// planes before it are prepared already, and the caller puts their line
// states back.  A prepared line's data is its line buffer, or the caller's
// plane line itself when the encoder may read that as it stands.
bool PreparePlanes(OutputJob* job, const RasterLine* line);

// Ten-plane classes 7 and 10: splits each source plane into two output planes.
void SplitPlanes(OutputJob* job, RasterLine* line);

}  // namespace inkband
