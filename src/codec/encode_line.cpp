#include "codec/line_encoder.h"
#include "codec/run_coder.h"

namespace inkband {

namespace {

// The leading zero bytes 0 .. first-1 as repeat records of 0x00: 81 00 for
// every 128 while more than 128 remain, then (1 - r) 00 for the rest r
// (00 00, a one-byte literal, for r = 1).  The zeros are not read.
template <bool kWrite>
int32_t codeZeroPrefix(uint8_t* dst, int32_t first) {
    int32_t out = 0;
    int32_t n = first;
    if (n <= 0) return 0;
    while (n > detail::kMaxRecordRun) {
        if constexpr (kWrite) {
            dst[out] = detail::kFullRepeat;
            dst[out + 1] = 0x00;
        }
        out += 2;
        n -= detail::kMaxRecordRun;
    }
    if constexpr (kWrite) {
        dst[out] = static_cast<uint8_t>(1 - n);
        dst[out + 1] = 0x00;
    }
    return out + 2;
}

// The whole record of one line: zero prefix, coded span, end-of-line byte.
// `room` is the number of bytes dst may take (0 when only sizing); with 16
// bytes to spare beyond the largest coded size, the span coder may write
// past the span's end (bytes that the end-of-line byte and later lines
// overwrite, or that lie past the chunk's content).
template <bool kWrite>
int32_t codeLine(uint8_t* dst, const uint8_t* line, int32_t first, int32_t last, int64_t room) {
    int32_t out = codeZeroPrefix<kWrite>(dst, first);
    const int32_t span = last - first + 1;
    if (span > 0) {
        const uint8_t* source = line + first;
        if constexpr (kWrite) {
            const int64_t largest = out + span + span / 126 + 1;
            if (room >= largest + detail::kSlackBytes) {
                out += detail::codeRunsAt<true>(bestSimdLevel(), dst + out, source, span);
            } else {
                out += detail::codeRunsAt<false>(bestSimdLevel(), dst + out, source, span);
            }
        } else {
            out += detail::codedRunsSize(source, span);
        }
    }
    if constexpr (kWrite) dst[out] = kEndOfLine;
    return out + 1;
}

}  // namespace

void encodeDataLine(DataChunk* chunk, const uint8_t* line, int32_t first, int32_t last) {
    int64_t room = 0;  // bytes from writePos to the end of the chunk's buffer
    if (chunk->buffer != nullptr && chunk->writePos >= chunk->buffer &&
        chunk->writePos <= chunk->buffer + chunk->capacity)
        room = chunk->buffer + chunk->capacity - chunk->writePos;
    const int32_t written = codeLine<true>(chunk->writePos, line, first, last, room);
    chunk->writePos += static_cast<uint16_t>(written);
    addToBandLength(chunk, written);
}

int32_t encodedDataLineSize(const uint8_t* line, int32_t first, int32_t last) {
    return codeLine<false>(nullptr, line, first, last, 0);
}

}  // namespace inkband
