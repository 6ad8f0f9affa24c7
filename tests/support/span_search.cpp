#include "support/span_search.h"

#include "kernels/zero_scan.h"

namespace inkband {

const uint8_t kFirstPixelMask[9] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
const uint8_t kLastPixelMask[9] = {0x00, 0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F, 0xFF};

namespace {

inline constexpr int32_t kMaxPixel = 32767;
inline constexpr int16_t kBlankResult = 1;  // FindLineExtent: no non-zero byte
inline constexpr int16_t kDataResult = -2;  // FindLineExtent: the line holds data

// Pixel p at b bits per pixel, q = 8 / b pixels per byte: non-zero when any
// of its bits is set.  The first pixel of a byte is in its top bits.
inline bool pixelSet(const uint8_t* bytes, int32_t b, int32_t q, int32_t p) {
    const uint8_t mask = static_cast<uint8_t>(kFirstPixelMask[b] >> (b * (p % q)));
    return (bytes[p / q] & mask) != 0;
}

// Pixel index within its byte counted from the last pixel, as the backward
// test walks it: the mask starts at the bottom bits.
inline bool pixelSetFromEnd(uint8_t byte, int32_t b, int32_t fromEnd) {
    return (byte & static_cast<uint8_t>(kLastPixelMask[b] << (b * fromEnd))) != 0;
}

}  // namespace

int16_t FindPixelSpan(const uint8_t* bytes, int16_t bitsPerPixel, int16_t* pos, int16_t* count) {
    if (bytes == nullptr || pos == nullptr || count == nullptr) return -1;
    const int32_t b = bitsPerPixel;
    if (b != 1 && b != 2 && b != 4 && b != 8) return -1;
    const int32_t start = *pos;
    const int32_t n = *count;
    if (start < 0 || n < 0 || start + n > kMaxPixel) return -1;
    if (n == 0) return 0;

    const int32_t q = 8 / b;
    const int32_t end = start + n;  // one past the span

    // Forward: pixels of the partial first byte, then whole zero bytes, then
    // the pixels of the byte where the search stops.
    int32_t first = -1;
    int32_t p = start;
    for (; p < end && p % q != 0; ++p) {
        if (pixelSet(bytes, b, q, p)) {
            first = p;
            break;
        }
    }
    if (first < 0 && p < end) {
        int32_t byte = p / q;
        const int32_t endByte = end / q;
        if (byte < endByte) byte += firstNonZero(bytes + byte, endByte - byte);
        for (p = byte * q; p < end && p < (byte + 1) * q; ++p) {
            if (pixelSet(bytes, b, q, p)) {
                first = p;
                break;
            }
        }
    }
    if (first < 0) {
        *count = 0;
        return 0;
    }

    // Backward: pixels of the partial last byte, then whole zero bytes; the
    // skip stops at the byte holding `first` at the latest.
    int32_t last = -1;
    const int32_t endByte = end / q;
    for (p = end - 1; p >= endByte * q; --p) {
        if (pixelSet(bytes, b, q, p)) {
            last = p;
            break;
        }
    }
    if (last < 0) {
        // The byte holding `first` is non-zero, so the skip ends there at
        // the latest.
        const int32_t firstByte = first / q;
        const int32_t byte = firstByte + lastNonZero(bytes + firstByte, endByte - firstByte);
        for (int32_t fromEnd = 0; fromEnd < q; ++fromEnd) {
            if (pixelSetFromEnd(bytes[byte], b, fromEnd)) {
                last = byte * q + (q - 1 - fromEnd);
                break;
            }
        }
    }

    *pos = static_cast<int16_t>(first);
    *count = static_cast<int16_t>(last - first + 1);
    return 0;
}

int16_t TrimEdgeBytes(const uint8_t* bytes, int16_t bitsPerPixel, int16_t* pos, int16_t* count,
                      uint8_t* edges) {
    if (pos == nullptr || count == nullptr || edges == nullptr) return -1;
    edges[0] = 0;
    edges[1] = 0;
    if (FindPixelSpan(bytes, bitsPerPixel, pos, count) != 0) return -1;
    if (*count == 0) {
        *pos = 0;
        return 0;
    }

    const int32_t b = bitsPerPixel;
    const int32_t q = 8 / b;
    const int32_t firstPixel = *pos;
    const int32_t endPixel = firstPixel + *count;  // one past the last non-zero pixel
    const int32_t sb = firstPixel / q;
    const int32_t sr = firstPixel % q;
    const int32_t eb = endPixel / q;
    const int32_t er = endPixel % q;

    *pos = static_cast<int16_t>(sb);
    *count = static_cast<int16_t>(eb - sb - 1);
    edges[0] = bytes[sb];
    if (sr != 0) edges[0] = static_cast<uint8_t>(bytes[sb] & (0xFF >> (sr * b)));
    if (er != 0) edges[1] = static_cast<uint8_t>(bytes[eb] & (0xFF << (8 - er * b)));
    if (*count < 0) {
        // Both ends lie in byte sb.
        *count = 0;
        edges[0] = static_cast<uint8_t>(edges[0] & edges[1]);
        edges[1] = 0;
    }
    return 0;
}

int16_t FindLineExtent(const PlaneLine& line, int16_t shift, int32_t* first, int32_t* last) {
    *first = 0;
    *last = 0;
    if (line.data == nullptr || line.left == line.width) return kBlankResult;
    const int32_t a = static_cast<int32_t>(line.left) >> shift;
    const int32_t e = (static_cast<int32_t>(line.width) - line.right - 1) >> shift;
    if (a < 0) return kBlankResult;  // a descriptor the caller should have refused

    if (e < a) return kBlankResult;
    const int32_t i = a + firstNonZero(line.data + a, e - a + 1);
    if (i > e) return kBlankResult;
    *first = i;
    *last = i + lastNonZero(line.data + i, e - i + 1);
    return kDataResult;
}

}  // namespace inkband
