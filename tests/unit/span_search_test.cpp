// Pixel span search, edge trimming and line extents at 1, 2, 4 and 8 bits
// per pixel, checked against a plain pixel-by-pixel scan.
#include "support/span_search.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace inkband;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SpanSearch, PixelMasks) {
    const Bytes first = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
    const Bytes last = {0x00, 0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F, 0xFF};
    EXPECT_EQ(Bytes(kFirstPixelMask, kFirstPixelMask + 9), first);
    EXPECT_EQ(Bytes(kLastPixelMask, kLastPixelMask + 9), last);
}

TEST(SpanSearch, TrimExamples) {
    struct Case {
        Bytes bytes;
        int16_t bits, pos, count;
        int16_t wantPos, wantCount;
        uint8_t edge0, edge1;
    };
    const Case cases[] = {
        {{0xFF, 0xFF}, 2, 1, 6, 0, 0, 0x3F, 0xFC},
        {{0xFF}, 1, 2, 4, 0, 0, 0x3C, 0x00},
        {{0x00, 0x80}, 1, 0, 16, 1, 0, 0x80, 0x00},
        {{0x00, 0x00, 0x00}, 1, 3, 17, 0, 0, 0x00, 0x00},
        // A span across three bytes.
        {{0x0F, 0xFF, 0xF0}, 4, 1, 4, 0, 1, 0x0F, 0xF0},
        // The last non-zero pixel ends its byte: edge 1 stays 0.
        {{0xFF, 0xFF, 0xFF}, 1, 0, 16, 0, 1, 0xFF, 0x00},
        {{0x12, 0x34}, 8, 0, 2, 0, 1, 0x12, 0x00},
    };
    for (const Case& c : cases) {
        int16_t pos = c.pos, count = c.count;
        uint8_t edges[2] = {0xEE, 0xEE};
        EXPECT_EQ(TrimEdgeBytes(c.bytes.data(), c.bits, &pos, &count, edges), 0);
        EXPECT_EQ(pos, c.wantPos);
        EXPECT_EQ(count, c.wantCount);
        EXPECT_EQ(edges[0], c.edge0);
        EXPECT_EQ(edges[1], c.edge1);
    }
}

TEST(SpanSearch, RefusedSpansChangeNothing) {
    const Bytes bytes = {0xFF, 0xFF};
    struct Case {
        const uint8_t* bytes;
        int16_t bits, pos, count;
    };
    const Case cases[] = {
        {bytes.data(), 3, 0, 8},     {bytes.data(), 0, 0, 8},     {bytes.data(), 16, 0, 8},
        {bytes.data(), 1, -1, 8},    {bytes.data(), 1, 0, -1},    {nullptr, 1, 0, 8},
        {bytes.data(), 1, 32760, 8}, {bytes.data(), 1, 32767, 1},
    };
    for (const Case& c : cases) {
        int16_t pos = c.pos, count = c.count;
        EXPECT_EQ(FindPixelSpan(c.bytes, c.bits, &pos, &count), -1);
        EXPECT_EQ(pos, c.pos);
        EXPECT_EQ(count, c.count);
        uint8_t edges[2] = {0xEE, 0xEE};
        EXPECT_EQ(TrimEdgeBytes(c.bytes, c.bits, &pos, &count, edges), -1);
        EXPECT_EQ(pos, c.pos);
        EXPECT_EQ(count, c.count);
    }
    int16_t pos = 0, count = 8;
    uint8_t edges[2];
    EXPECT_EQ(TrimEdgeBytes(bytes.data(), 1, nullptr, &count, edges), -1);
    EXPECT_EQ(TrimEdgeBytes(bytes.data(), 1, &pos, nullptr, edges), -1);
    EXPECT_EQ(TrimEdgeBytes(bytes.data(), 1, &pos, &count, nullptr), -1);
    EXPECT_EQ(FindPixelSpan(bytes.data(), 1, nullptr, &count), -1);
    // The last pixel a line can have is still accepted.
    const Bytes longLine(4096, 0x01);
    pos = 32766;
    count = 1;
    EXPECT_EQ(FindPixelSpan(longLine.data(), 1, &pos, &count), 0);
    EXPECT_EQ(count, 0);  // pixel 32766 is the seventh of its byte: clear
}

TEST(SpanSearch, ZeroCountAndZeroSpan) {
    const Bytes bytes = {0xFF, 0x00, 0x00, 0xFF};
    int16_t pos = 5, count = 0;
    EXPECT_EQ(FindPixelSpan(bytes.data(), 1, &pos, &count), 0);
    EXPECT_EQ(pos, 5);
    EXPECT_EQ(count, 0);
    pos = 8;
    count = 16;
    EXPECT_EQ(FindPixelSpan(bytes.data(), 1, &pos, &count), 0);
    EXPECT_EQ(pos, 8);
    EXPECT_EQ(count, 0);
}

TEST(SpanSearch, LineExtentExamples) {
    struct Case {
        Bytes bytes;
        int16_t width, left, right, shift;
        int16_t result;
        int32_t first, last;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x07, 0x00}, 8, 0, 0, 1, -2, 2, 2},
        {{0x00, 0x00, 0x00, 0x00}, 8, 0, 0, 1, 1, 0, 0},
        {{0x00, 0x80}, 16, 0, 0, 3, -2, 1, 1},
        {{0x01, 0x00, 0x02, 0x03, 0x00}, 40, 0, 0, 3, -2, 0, 3},
        // Bytes outside the span are not looked at.
        {{0xFF, 0x00, 0x05, 0xFF}, 16, 4, 4, 2, -2, 2, 2},
        {{0xFF, 0x00, 0x00, 0xFF}, 16, 4, 4, 2, 1, 0, 0},
        {{0xFF}, 8, 8, 0, 3, 1, 0, 0},  // left == width
    };
    for (const Case& c : cases) {
        Bytes data = c.bytes;
        PlaneLine line{data.data(), c.width, c.left, c.right, 0};
        int32_t first = -7, last = -7;
        EXPECT_EQ(FindLineExtent(line, c.shift, &first, &last), c.result);
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.last);
    }
    PlaneLine none{nullptr, 8, 0, 0, 0};
    int32_t first = -7, last = -7;
    EXPECT_EQ(FindLineExtent(none, 3, &first, &last), 1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
}

// ---- against a plain pixel scan ------------------------------------------

int pixelValue(const Bytes& bytes, int bits, int p) {
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (p % perByte + 1);
    return (bytes[static_cast<std::size_t>(p / perByte)] >> shift) & ((1 << bits) - 1);
}

void clearPixel(Bytes& bytes, int bits, int p) {
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (p % perByte + 1);
    bytes[static_cast<std::size_t>(p / perByte)] &=
        static_cast<uint8_t>(~(((1 << bits) - 1) << shift));
}

Bytes randomLine(std::mt19937& rng, std::size_t size) {
    Bytes bytes(size, 0x00);
    const int style = static_cast<int>(rng() % 3);
    for (uint8_t& byte : bytes) {
        if (style == 0 && rng() % 16 != 0) continue;   // sparse
        if (style == 1 && rng() % 200 != 0) continue;  // almost blank
        byte = static_cast<uint8_t>(rng() % 4 == 0 ? 1u << (rng() % 8) : rng());
    }
    return bytes;
}

TEST(SpanSearch, RandomSpansMatchAPixelScan) {
    std::mt19937 rng(99);
    for (int bits : {1, 2, 4, 8}) {
        const int perByte = 8 / bits;
        for (int round = 0; round < 400; ++round) {
            const std::size_t size = 1 + rng() % (round % 10 == 0 ? 3000 : 12);
            const Bytes bytes = randomLine(rng, size);
            const int pixels = static_cast<int>(size) * perByte;
            const int start = static_cast<int>(rng() % static_cast<unsigned>(pixels));
            const int count = static_cast<int>(rng() % static_cast<unsigned>(pixels - start + 1));

            int first = -1, last = -1;
            for (int p = start; p < start + count; ++p)
                if (pixelValue(bytes, bits, p) != 0) {
                    if (first < 0) first = p;
                    last = p;
                }

            int16_t pos = static_cast<int16_t>(start), n = static_cast<int16_t>(count);
            ASSERT_EQ(FindPixelSpan(bytes.data(), static_cast<int16_t>(bits), &pos, &n), 0);
            if (first < 0) {
                ASSERT_EQ(pos, start);
                ASSERT_EQ(n, 0);
            } else {
                ASSERT_EQ(pos, first) << bits << " bits, span " << start << "+" << count;
                ASSERT_EQ(n, last - first + 1);
            }

            // Trim, write back as the caller does, and compare with the line
            // whose pixels outside first .. last are cleared in the two edge
            // bytes only.
            pos = static_cast<int16_t>(start);
            n = static_cast<int16_t>(count);
            uint8_t edges[2];
            ASSERT_EQ(TrimEdgeBytes(bytes.data(), static_cast<int16_t>(bits), &pos, &n, edges), 0);
            Bytes trimmed = bytes;
            if (edges[0] != 0) trimmed[static_cast<std::size_t>(pos)] = edges[0];
            if (edges[1] != 0) trimmed[static_cast<std::size_t>(pos + n + 1)] = edges[1];
            Bytes expected = bytes;
            if (first < 0) {
                ASSERT_EQ(pos, 0);
                ASSERT_EQ(n, 0);
                ASSERT_EQ(edges[0], 0);
                ASSERT_EQ(edges[1], 0);
            } else {
                ASSERT_EQ(pos, first / perByte);
                ASSERT_NE(edges[0], 0);
                for (int p = (first / perByte) * perByte; p < first; ++p)
                    clearPixel(expected, bits, p);
                for (int p = last + 1; p < (last / perByte + 1) * perByte; ++p)
                    clearPixel(expected, bits, p);
            }
            ASSERT_EQ(trimmed, expected) << bits << " bits, span " << start << "+" << count;
        }
    }
}

TEST(SpanSearch, RandomLineExtentsMatchAByteScan) {
    std::mt19937 rng(4242);
    for (int16_t shift : {int16_t{3}, int16_t{2}, int16_t{1}}) {
        const int perByte = 1 << shift;
        for (int round = 0; round < 400; ++round) {
            const std::size_t size = 1 + rng() % 40;
            Bytes bytes = randomLine(rng, size);
            const int width = static_cast<int>(size) * perByte - static_cast<int>(rng() % perByte);
            const int left = static_cast<int>(rng() % static_cast<unsigned>(width + 1));
            const int right = static_cast<int>(rng() % static_cast<unsigned>(width - left + 1));
            PlaneLine line{bytes.data(), static_cast<int16_t>(width), static_cast<int16_t>(left),
                           static_cast<int16_t>(right), 0};

            int32_t wantFirst = 0, wantLast = 0;
            bool found = false;
            if (left != width)
                for (int i = left >> shift; i <= (width - right - 1) >> shift; ++i)
                    if (bytes[static_cast<std::size_t>(i)] != 0) {
                        if (!found) wantFirst = i;
                        wantLast = i;
                        found = true;
                    }
            int32_t first = -7, last = -7;
            ASSERT_EQ(FindLineExtent(line, shift, &first, &last), found ? -2 : 1);
            ASSERT_EQ(first, wantFirst);
            ASSERT_EQ(last, wantLast);
        }
    }
}

}  // namespace
