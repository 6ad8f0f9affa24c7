// Pixel span search and edge trimming on packed plane lines (1, 2 or 4 bits
// per pixel, first pixel in the most significant bits).
#pragma once

#include <cstdint>

#include "inkband/inkband.h"

namespace inkband {

// Top b bits / bottom b bits set, indexed by bits per pixel 0 .. 8.
extern const uint8_t kFirstPixelMask[9];
extern const uint8_t kLastPixelMask[9];

// Narrows the pixel span *pos, *count to its first and last non-zero pixel
// (count 0 when it holds none, pos unchanged).  -1, nothing changed, for
// null bytes/pos/count, a bit count other than 1, 2, 4, 8, a negative pos or
// count, or a span ending past pixel 32767.
int16_t FindPixelSpan(const uint8_t* bytes, int16_t bitsPerPixel, int16_t* pos, int16_t* count);

// Finds the bytes that hold the span's first and last non-zero pixel and
// the values they take with the pixels outside the span cleared: on return
// *pos is the first byte, edges[0] its new value, edges[1] the new value of
// byte *pos + *count + 1 (0: leave it).  Returns 0, or -1 (write nothing).
int16_t TrimEdgeBytes(const uint8_t* bytes, int16_t bitsPerPixel, int16_t* pos, int16_t* count,
                      uint8_t* edges);

// First and last non-zero byte of the line's span (pixels left .. width -
// right - 1 at 8 >> shift bits per pixel).  1: blank (first = last = 0),
// -2: holds data.
int16_t FindLineExtent(const PlaneLine& line, int16_t shift, int32_t* first, int32_t* last);

}  // namespace inkband
