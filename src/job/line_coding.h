// A plane line into its band chunk, as its line state describes it: a blank
// line is the end-of-line byte alone, a line with data is coded from its
// first to its last non-zero byte.
#pragma once

#include <cstdint>

#include "codec/line_encoder.h"
#include "job/line_extent.h"

namespace inkband {

// Appends the encoded line (zero prefix, coded bytes first .. last, 0x80;
// or 0x80 alone for a blank line) at the chunk's writePos and adds its size
// to the ESC ( F length (modulo 65536).  Most plane lines are blank: those
// take the one-byte path here.
inline void encodeLine(const LineExtent& extent, DataChunk* chunk, const uint8_t* line) {
    if (extent.blank == kLineBlank) {
        appendBlankLine(chunk);
        return;
    }
    encodeDataLine(chunk, line, extent.first, extent.last);
}

// Exactly the number of bytes encodeLine would append for this line.
inline int32_t encodedLineSize(const LineExtent& extent, const uint8_t* line) {
    if (extent.blank == kLineBlank) return 1;
    return encodedDataLineSize(line, extent.first, extent.last);
}

// An upper bound of encodedLineSize that needs no pass over the line.
inline int64_t encodedLineBound(const LineExtent& extent) {
    if (extent.blank == kLineBlank) return 1;
    return encodedDataLineBound(extent.first, extent.last);
}

}  // namespace inkband
