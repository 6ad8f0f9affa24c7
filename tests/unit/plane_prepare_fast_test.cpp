// Plane preparation copies a line while looking for its non-zero bytes and
// packs ternary planes only where they hold data, with vector code at every
// level the processor offers.  These tests hold each piece to its plain
// definition: the zero scans to byte loops, the packing to one table lookup
// per packed byte, and the whole preparation to copy, TrimEdgeBytes, full
// packing and a byte-by-byte extent search, down to every byte of the line
// buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "job/plane_prepare.h"
#include "kernels/ternary_pack.h"
#include "kernels/zero_scan.h"
#include "support/simd_levels.h"
#include "support/span_search.h"
#include "support/ternary_reference.h"

using namespace inkband;

namespace {

using Bytes = std::vector<uint8_t>;

using test::levelsHere;
using test::nameOf;

// Mostly zero bytes with a few non-zero ones, or none, or all non-zero.
Bytes sparseBytes(std::mt19937& rng, std::size_t n) {
    Bytes b(n, 0);
    switch (rng() % 4) {
        case 0:
            break;
        case 1:
            for (uint8_t& x : b) x = static_cast<uint8_t>(1 + rng() % 255);
            break;
        default:
            for (uint32_t k = rng() % 4; k > 0 && n > 0; --k)
                b[rng() % n] = static_cast<uint8_t>(1 + rng() % 255);
            break;
    }
    return b;
}

TEST(ZeroScan, FindsTheSameBytesAsAByteLoopAtEveryLevel) {
    std::mt19937 rng(11);
    for (SimdLevel level : levelsHere()) {
        for (int round = 0; round < 3000; ++round) {
            const std::size_t n =
                round < 700 ? static_cast<std::size_t>(round % 350) : rng() % 5000;
            const Bytes src = sparseBytes(rng, n);
            int32_t first = static_cast<int32_t>(n), last = -1;
            for (std::size_t k = 0; k < n; ++k) {
                if (src[k] == 0) continue;
                if (first == static_cast<int32_t>(n)) first = static_cast<int32_t>(k);
                last = static_cast<int32_t>(k);
            }
            const int32_t count = static_cast<int32_t>(n);
            ASSERT_EQ(firstNonZero(src.data(), count, level), first) << nameOf(level) << " " << n;
            ASSERT_EQ(lastNonZero(src.data(), count, level), last) << nameOf(level) << " " << n;
            const ByteExtent ends = findExtentFromEnds(src.data(), count, level);
            ASSERT_EQ(ends.first, first) << nameOf(level) << " " << n;
            ASSERT_EQ(ends.last, last) << nameOf(level) << " " << n;
        }
    }
}

// 2-bit pixels of every level, 3 included, in bytes.
Bytes twoBitPixels(std::mt19937& rng, std::size_t n) {
    Bytes b(n);
    for (uint8_t& x : b) x = static_cast<uint8_t>(rng() % 3 == 0 ? rng() : rng() % 2 ? 0x55 : 0xAA);
    return b;
}

// Packed byte g by its definition: the 16-bit window at source byte
// g + g / 4, shifted by 6 - 2 (g % 4), bytes past the line counting as 0.
uint8_t packedByDefinition(const Bytes& src, std::size_t n, std::size_t g) {
    const std::size_t d = g + g / 4;
    unsigned window = static_cast<unsigned>(src[d]) << 8;
    if (d + 1 < n) window |= src[d + 1];
    return TernaryPackTable[(window >> (6 - 2 * (g % 4))) & 0x3FF];
}

TEST(TernaryPack, EveryGroupOfFivePixelsPacksAsTheTableSays) {
    // Group g of the line holds the five pixels of table index g.
    Bytes line(1024 * 5 / 4 + 1, 0);
    for (unsigned g = 0; g < 1024; ++g) {
        for (unsigned d = 0; d < 5; ++d) {
            const unsigned pixel = (g >> (8 - 2 * d)) & 3;
            const unsigned p = 5 * g + d;
            line[p / 4] = static_cast<uint8_t>(line[p / 4] | pixel << (6 - 2 * (p % 4)));
        }
    }
    const int32_t n = 1280;
    for (SimdLevel level : levelsHere()) {
        Bytes bytes = line;
        packTernaryGroups(bytes.data(), n, 0, ternaryPackedSize(n) - 1, level);
        for (unsigned g = 0; g < 1024; ++g)
            ASSERT_EQ(bytes[g], TernaryPackTable[g]) << nameOf(level) << " index " << g;
    }
}

TEST(TernaryPack, GroupsPackInPlaceAtEveryLevel) {
    std::mt19937 rng(3);
    for (SimdLevel level : levelsHere()) {
        for (int round = 0; round < 2000; ++round) {
            const std::size_t n = 1 + rng() % (round < 500 ? 90 : 2000);
            const Bytes src = twoBitPixels(rng, n);
            const int32_t j = ternaryPackedSize(static_cast<int32_t>(n));
            const int32_t g0 = static_cast<int32_t>(rng() % static_cast<uint32_t>(j)) / 4 * 4;
            const int32_t g1 = g0 + static_cast<int32_t>(rng() % static_cast<uint32_t>(j - g0));
            Bytes bytes = src;
            packTernaryGroups(bytes.data(), static_cast<int32_t>(n), g0, g1, level);
            for (int32_t g = 0; g < static_cast<int32_t>(n); ++g) {
                const uint8_t expected =
                    g >= g0 && g <= g1 ? packedByDefinition(src, n, g) : src[g];
                ASSERT_EQ(bytes[g], expected)
                    << nameOf(level) << " n " << n << " byte " << g << " of " << g0 << " .. " << g1;
            }
        }
    }
}

// The preparation of one plane line by the definition: copy the span, trim
// its edge bytes over the whole span, pack the whole line, and look for the
// non-zero bytes one at a time.
void prepareByDefinition(const PlaneLine& source, int16_t shift, bool ternary, uint8_t* buffer,
                         PlaneLine* prepared, LineExtent* extent) {
    *prepared = source;
    prepared->data = buffer;
    extent->first = extent->last = 0;
    extent->blank = kLineBlank;
    if (planeLineIsBlank(source)) return;
    const int32_t a = source.left >> shift;
    const int32_t e = (source.width - source.right - 1) >> shift;
    std::memcpy(buffer + a, source.data + a, static_cast<std::size_t>(e - a + 1));
    int16_t pos = source.left;
    int16_t count = static_cast<int16_t>(source.width - source.left - source.right);
    uint8_t edges[2];
    if (TrimEdgeBytes(buffer, static_cast<int16_t>(8 >> shift), &pos, &count, edges) == 0) {
        if (edges[0] != 0) buffer[pos] = edges[0];
        if (edges[1] != 0) buffer[pos + count + 1] = edges[1];
    }
    if (ternary) packTernaryLine(prepared);
    if (prepared->left == prepared->width) return;
    const int32_t from = prepared->left >> shift;
    const int32_t to = (prepared->width - prepared->right - 1) >> shift;
    for (int32_t k = from; k <= to; ++k) {
        if (buffer[k] == 0) continue;
        if (extent->blank == kLineBlank) extent->first = k;
        extent->last = k;
        extent->blank = kLineHasData;
    }
}

struct LineCase {
    Bytes data;
    PlaneLine line;
};

// A plane line of random width and margins; its bytes are zero, sparse,
// dense, or non-zero only in pixels just outside the span's edges.
LineCase randomLine(std::mt19937& rng, int16_t shift, bool ternary) {
    const int32_t perByte = 1 << shift;
    const int32_t width = 1 + static_cast<int32_t>(rng() % (rng() % 4 == 0 ? 3000 : 200));
    int32_t left = static_cast<int32_t>(rng() % static_cast<uint32_t>(width + 1));
    int32_t right = static_cast<int32_t>(rng() % static_cast<uint32_t>(width - left + 1));
    if (rng() % 3 == 0) left = left % perByte, right = right % perByte;
    LineCase c;
    const std::size_t bytes = static_cast<std::size_t>((width + perByte - 1) / perByte);
    c.data = ternary ? twoBitPixels(rng, bytes) : sparseBytes(rng, bytes);
    if (rng() % 3 == 0 && left + right < width) {
        // Pixels set just outside the span, in its edge bytes, and maybe a
        // few inside.
        const int32_t bits = 8 >> shift;
        const int32_t a = left >> shift, e = (width - right - 1) >> shift;
        for (uint8_t& x : c.data) x = rng() % 8 == 0 ? static_cast<uint8_t>(rng()) : 0;
        c.data[a] = static_cast<uint8_t>(c.data[a] | ~(0xFF >> (left % perByte * bits)));
        const int32_t er = (width - right) % perByte;
        if (er != 0) c.data[e] = static_cast<uint8_t>(c.data[e] | (0xFF >> (er * bits)));
    } else if (!ternary && rng() % 2) {
        for (uint8_t& x : c.data) x = rng() % 5 == 0 ? static_cast<uint8_t>(rng()) : 0;
    }
    c.line = PlaneLine{nullptr, static_cast<int16_t>(width), static_cast<int16_t>(left),
                       static_cast<int16_t>(right), 0};
    if (rng() % 20 != 0) c.line.data = c.data.data();
    return c;
}

// The quick test for a descriptor with data agrees with the two rules it
// stands for, over every small width, left and right, 16-bit extremes
// included.
TEST(PreparePlanes, QuickSpanTestIsValidAndNotBlank) {
    const int16_t values[] = {INT16_MIN, -9, -2, -1, 0, 1, 2, 3, 5, 8, 9, 16, INT16_MAX};
    uint8_t byte = 0;
    for (int16_t lineWidth : {int16_t{0}, int16_t{8}, int16_t{INT16_MAX}})
        for (uint8_t* data : {static_cast<uint8_t*>(nullptr), &byte})
            for (int16_t width : values)
                for (int16_t left : values)
                    for (int16_t right : values) {
                        const PlaneLine line{data, width, left, right, 0};
                        ASSERT_EQ(planeLineHasSpan(line, lineWidth),
                                  !planeLineIsBlank(line) && planeLineInBounds(line, lineWidth))
                            << "width " << width << " left " << left << " right " << right
                            << " lineWidth " << lineWidth << (data ? "" : " no data");
                    }
}

TEST(PreparePlanes, MatchesTheDefinitionByteForByte) {
    std::mt19937 rng(17);
    auto job = std::make_unique<OutputJob>();
    job->sourcePlaneCount = 1;
    job->planeCount = 1;
    job->bandHeight = 16;
    job->lineWidth = INT16_MAX;
    struct Kind {
        int16_t shift;
        bool ternary;
    };
    for (Kind kind : {Kind{3, false}, Kind{2, false}, Kind{1, false}, Kind{2, true}}) {
        job->planes[0].pixelShift = kind.shift;
        job->planes[0].ternaryFlag = kind.ternary;
        for (int round = 0; round < 3000; ++round) {
            const LineCase c = randomLine(rng, kind.shift, kind.ternary);
            // Both line buffers start with the same older contents.
            Bytes expectedBuffer(c.data.size() + 1);
            for (uint8_t& x : expectedBuffer) x = static_cast<uint8_t>(rng());
            Bytes buffer = expectedBuffer;
            PlaneLine expectedLine;
            LineExtent expected{};
            prepareByDefinition(c.line, kind.shift, kind.ternary, expectedBuffer.data(),
                                &expectedLine, &expected);

            RasterLine raster{};
            raster.line = 37;
            raster.planes[0] = c.line;
            job->lineBuffers[0] = buffer.data();
            ASSERT_TRUE(PreparePlanes(job.get(), &raster));
            const LineExtent& got = job->planes[0].current;
            const PlaneLine& gotLine = job->planeLines[0];
            const std::string where =
                "shift " + std::to_string(kind.shift) + (kind.ternary ? " ternary" : "") +
                ", round " + std::to_string(round) + ": width " + std::to_string(c.line.width) +
                " left " + std::to_string(c.line.left) + " right " + std::to_string(c.line.right);
            ASSERT_EQ(got.blank, expected.blank) << where;
            ASSERT_EQ(got.first, expected.first) << where;
            ASSERT_EQ(got.last, expected.last) << where;
            ASSERT_EQ(got.lineInBand, 5) << where;
            ASSERT_EQ(got.band, 2) << where;
            // The bytes the encoder reads: the non-zero ones and those
            // between them.
            if (expected.blank == kLineHasData) {
                // The line buffer, or the caller's line when nothing of it
                // changes.
                ASSERT_TRUE(gotLine.data == buffer.data() || gotLine.data == c.line.data) << where;
                ASSERT_TRUE(std::equal(gotLine.data + expected.first,
                                       gotLine.data + expected.last + 1,
                                       expectedBuffer.begin() + expected.first))
                    << where;
            }
            ASSERT_EQ(gotLine.width, expectedLine.width) << where;
            ASSERT_EQ(gotLine.left, expectedLine.left) << where;
            ASSERT_EQ(gotLine.right, expectedLine.right) << where;
        }
    }
}

}  // namespace
