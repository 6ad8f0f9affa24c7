// Plane preparation: each source plane's line into the job's line buffer,
// trimmed, ternary-packed where the mode asks, and measured.
#pragma once

#include "interface/output_job.h"
#include "raster/zero_scan.h"

namespace inkband {

// A plane line that carries nothing: no data, left == width, or an empty
// span (left + right == width).  Such a plane is never copied or encoded.
inline bool planeLineIsBlank(const PlaneLine& line) {
    return line.data == nullptr || line.left == line.width ||
           static_cast<int32_t>(line.left) + line.right == line.width;
}

// True when a non-blank descriptor keeps to 0 <= left, 0 <= right,
// left + right <= width <= lineWidth.
inline bool planeLineIsValid(const PlaneLine& line, int16_t lineWidth) {
    if (planeLineIsBlank(line)) return true;
    return line.left >= 0 && line.right >= 0 &&
           static_cast<int32_t>(line.left) + line.right <= line.width && line.width <= lineWidth;
}

// Sets the band-grid fields of a plane's current line state.
void setLineFields(LineExtent* extent, int32_t line, int16_t bandHeight);

// Marks a plane's current line blank.
void setBlankExtent(LineExtent* extent);

// Sets a plane's current line from the first and last non-zero byte found
// (blank when first > last).
void setFoundExtent(LineExtent* extent, ByteExtent found);

// Clears, in the two edge bytes of a plane line's span, the pixels outside
// the span, as trimming the span to its first and last non-zero pixel
// would (TrimEdgeBytes): an edge byte that holds no non-zero span pixel is
// left as it is.  `bytes` holds the line's bytes at their own indices.
void clearOutsidePixels(uint8_t* bytes, const PlaneLine& span, int16_t shift);

// Ordinary mode classes: prepares every plane of the line.
void PreparePlanes(OutputJob* job, const RasterLine* line);

// Ten-plane classes 7 and 10: splits each source plane into two output planes.
void SplitPlanes(OutputJob* job, RasterLine* line);

}  // namespace inkband
