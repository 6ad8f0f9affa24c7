// Raster line encoding: PackBits runs, the zero prefix, the end-of-line byte
// 0x80, and the ESC ( F length kept in the band chunk's header.
#pragma once

#include <cstdint>

#include "codec/data_chunk.h"

namespace inkband {

inline constexpr uint8_t kEndOfLine = 0x80;

// Adds `bytes` to the ESC ( F length held at bytes 3 (low) and 4 (high) of
// the chunk's content, modulo 65536.
inline void addToBandLength(DataChunk* chunk, int32_t bytes) {
    uint8_t* header = chunk->start;
    const uint32_t length =
        static_cast<uint32_t>(header[3]) | (static_cast<uint32_t>(header[4]) << 8);
    const uint32_t grown = (length + static_cast<uint32_t>(bytes)) & 0xFFFFu;
    header[3] = static_cast<uint8_t>(grown & 0xFF);
    header[4] = static_cast<uint8_t>(grown >> 8);
}

// Appends one blank line (0x80) and adds 1 to the ESC ( F length.
inline void appendBlankLine(DataChunk* chunk) {
    *chunk->writePos++ = kEndOfLine;
    addToBandLength(chunk, 1);
}

// Appends the record of a line with data: the zero prefix for bytes 0 ..
// first-1 (not read), the PackBits-coded bytes line[first .. last], and
// 0x80; adds its size to the ESC ( F length (modulo 65536).
void encodeDataLine(DataChunk* chunk, const uint8_t* line, int32_t first, int32_t last);

// Exactly the number of bytes encodeDataLine would append for this line.
int32_t encodedDataLineSize(const uint8_t* line, int32_t first, int32_t last);

// An upper bound of encodedDataLineSize that needs no pass over the line:
// 2 bytes per 128 leading zeros, the span with one count byte per 126 bytes
// and one more, and the end-of-line byte.
inline int64_t encodedDataLineBound(int32_t first, int32_t last) {
    int64_t span = static_cast<int64_t>(last) - first + 1;
    int64_t prefix = (static_cast<int64_t>(first) + 127) / 128;
    return 2 * prefix + span + span / 126 + 2;
}

// The largest encodedDataLineBound of any line whose bytes lie in a buffer of
// `size` bytes: first = 0 and last = size - 1 give size + size / 126 + 2,
// and a zero prefix adds at most 1 to that (2 bytes for the first 1 .. 128
// zeros, which leave the span).
inline int64_t encodedLineLimit(int32_t size) {
    const int64_t bytes = size > 0 ? size : 0;
    return bytes + bytes / 126 + 3;
}

}  // namespace inkband
