// The encoder finds runs with vector compares and appends stretches of
// single bytes at once.  This compares it, byte for byte, with a plain
// run-by-run coder written here from the coding rules, on many inputs shaped
// to reach every rule at every position of the 16-byte compare windows.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "codec/run_coder.h"
#include "job/line_coding.h"
#include "support/run_spans.h"
#include "support/simd_levels.h"

using namespace inkband;

namespace {

using Bytes = std::vector<uint8_t>;

// The rules, one run at a time: measure the run of equal bytes, then a
// single byte extends the open literal (closing it at 128), a pair joins it
// while it holds 125 bytes or fewer and otherwise opens a new one, three or
// more close it; runs past 128 are cut into 128-byte records from the front
// and a last piece of one byte opens a literal.
Bytes referenceRuns(const Bytes& src) {
    Bytes out;
    long literalAt = -1;
    const std::size_t n = src.size();
    std::size_t i = 0;
    while (i < n) {
        const uint8_t x = src[i];
        std::size_t b = 1;
        while (i + b < n && src[i + b] == x) ++b;
        i += b;
        if (literalAt >= 0) {
            if (b == 1) {
                out.push_back(x);
                if (++out[literalAt] == 0x7F) literalAt = -1;
                continue;
            }
            if (b == 2) {
                if (out[literalAt] <= 124) {
                    out[literalAt] += 2;
                    out.insert(out.end(), {x, x});
                } else {
                    literalAt = static_cast<long>(out.size());
                    out.insert(out.end(), {0x01, x, x});
                }
                continue;
            }
            literalAt = -1;
        }
        if (b > 128) {
            const std::size_t k = (b - 129) / 128 + 1;
            for (std::size_t r = 0; r < k; ++r) out.insert(out.end(), {0x81, x});
            b -= 128 * k;
        }
        if (b == 1) {
            literalAt = static_cast<long>(out.size());
            out.insert(out.end(), {0x00, x});
        } else {
            out.insert(out.end(), {static_cast<uint8_t>(1 - b), x});
        }
    }
    return out;
}

constexpr uint8_t kGuard = 0xE7;

// encodeRuns into a buffer with guard bytes before and after the worst-case
// size; the source is copied to the end of its own buffer, so a read past
// the last byte would leave it (and show under the sanitizers).
Bytes fastRuns(const Bytes& src) {
    const std::size_t n = src.size();
    std::vector<uint8_t> source(n);
    if (n > 0) std::memcpy(source.data(), src.data(), n);
    Bytes out(n + n / 126 + 1 + 64, kGuard);
    // The count comes back in 16 bits; a span of 32767 single bytes codes to
    // more than 32767, read as unsigned.
    const uint16_t written =
        static_cast<uint16_t>(encodeRuns(out.data() + 32, source.data(), static_cast<int16_t>(n)));
    for (std::size_t k = 0; k < 32; ++k) EXPECT_EQ(out[k], kGuard) << "written before the output";
    for (std::size_t k = 32 + static_cast<std::size_t>(written); k < out.size(); ++k)
        EXPECT_EQ(out[k], kGuard) << "written past the output, at " << k - 32;
    Bytes coded(out.begin() + 32, out.begin() + 32 + written);

    // At every vector level the coder codes the same bytes, writing exactly
    // them, or, as behind encodeLine, writing ahead up to its slack past the
    // worst-case size.
    const std::size_t room = n + n / 126 + 1 + detail::kSlackBytes;
    for (SimdLevel level : inkband::test::levelsHere()) {
        for (const bool slack : {false, true}) {
            Bytes ahead(room + 32, kGuard);
            const int32_t size = static_cast<int32_t>(n);
            const int32_t aheadWritten =
                slack ? detail::codeRunsAt<true>(level, ahead.data(), source.data(), size)
                      : detail::codeRunsAt<false>(level, ahead.data(), source.data(), size);
            EXPECT_EQ(Bytes(ahead.begin(), ahead.begin() + aheadWritten), coded)
                << inkband::test::nameOf(level) << (slack ? ", writing ahead" : "");
            const std::size_t end = slack ? room : static_cast<std::size_t>(aheadWritten);
            for (std::size_t k = end; k < ahead.size(); ++k)
                EXPECT_EQ(ahead[k], kGuard) << "written past the end, at " << k;
        }
    }
    return coded;
}

// Bytes from a small alphabet (many pairs and runs), a large one (mostly
// single bytes), or runs of every length, mixed.
Bytes randomSource(std::mt19937& rng, std::size_t n) {
    Bytes s;
    s.reserve(n);
    const uint32_t alphabet = 1u + rng() % 6;
    const uint32_t style = rng() % 4;
    while (s.size() < n) {
        switch (style) {
            case 0:
                s.push_back(static_cast<uint8_t>(rng() % (alphabet + 1)));
                break;
            case 1:
                s.push_back(static_cast<uint8_t>(rng()));
                break;
            case 2: {
                const uint8_t x = static_cast<uint8_t>(rng() % 3);
                for (uint32_t k = 1 + rng() % (rng() % 8 == 0 ? 300 : 20); k > 0 && s.size() < n;
                     --k)
                    s.push_back(x);
                break;
            }
            default:
                if (rng() % 2 == 0) {
                    s.push_back(static_cast<uint8_t>(rng()));
                } else {
                    const uint8_t x = static_cast<uint8_t>(rng() % 2);
                    for (uint32_t k = 2 + rng() % 3; k > 0 && s.size() < n; --k) s.push_back(x);
                }
                break;
        }
    }
    return s;
}

TEST(EncodeRunsFast, MatchesTheRunByRunCoderOnRandomInputs) {
    std::mt19937 rng(7);
    for (int round = 0; round < 4000; ++round) {
        const std::size_t n = round < 600 ? static_cast<std::size_t>(round % 70)
                                          : 1 + rng() % (rng() % 10 == 0 ? 5000 : 400);
        const Bytes src = randomSource(rng, n);
        ASSERT_EQ(fastRuns(src), referenceRuns(src)) << "round " << round << ", " << n << " bytes";
    }
}

TEST(EncodeRunsFast, MatchesOnRasterShapedSpans) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 1500; ++round) {
        const Bytes src =
            inkband::testing::randomRunSpan(rng, inkband::testing::randomSpanLength(rng));
        ASSERT_EQ(fastRuns(src), referenceRuns(src)) << "round " << round;
    }
}

// A run or a pair at every offset of a stretch of single bytes, for every
// length of that stretch around the 16-byte windows and the literal limits.
TEST(EncodeRunsFast, MatchesForEveryRunPlacement) {
    for (std::size_t singles : {0u, 1u, 14u, 15u, 16u, 17u, 31u, 32u, 33u, 124u, 125u, 126u, 127u,
                                128u, 129u, 255u, 256u, 257u}) {
        for (std::size_t run : {2u, 3u, 15u, 16u, 17u, 18u, 33u, 127u, 128u, 129u, 130u, 257u}) {
            for (std::size_t after : {0u, 1u, 2u, 16u, 40u}) {
                Bytes src;
                for (std::size_t k = 0; k < singles; ++k)
                    src.push_back(static_cast<uint8_t>(k % 2 + 1));
                src.insert(src.end(), run, 0x00);
                for (std::size_t k = 0; k < after; ++k)
                    src.push_back(static_cast<uint8_t>(k % 3 + 3));
                ASSERT_EQ(fastRuns(src), referenceRuns(src))
                    << singles << " singles, run of " << run << ", " << after << " after";
            }
        }
    }
}

TEST(EncodeRunsFast, LongestLinesMatch) {
    std::mt19937 rng(99);
    for (int round = 0; round < 6; ++round) {
        Bytes src = randomSource(rng, 32767);
        if (round == 0) src.assign(32767, 0x00);
        if (round == 1) src.assign(32767, 0x5A), src[16383] = 0x5B;
        ASSERT_EQ(fastRuns(src), referenceRuns(src)) << "round " << round;
    }
}

// encodeLine appends the zero prefix, the span as the run-by-run coder codes
// it and the end-of-line byte, whether its chunk has room to spare (the
// coder may then write ahead) or ends right after the line (guard bytes
// behind it stay untouched); the size-only twin agrees with it.
TEST(EncodeRunsFast, LinesMatchInRoomyAndTightChunks) {
    std::mt19937 rng(5);
    std::vector<uint8_t> chunkBuffer(70000);
    for (int round = 0; round < 4000; ++round) {
        const std::size_t span = 1 + rng() % 700;
        const int32_t first = static_cast<int32_t>(rng() % 300);
        Bytes line(static_cast<std::size_t>(first), 0x00);
        // Spans shaped like raster data take the coder's short-region path
        // as often as the random ones take the others.
        const Bytes data =
            round % 4 < 2 ? randomSource(rng, span) : inkband::testing::randomRunSpan(rng, span);
        line.insert(line.end(), data.begin(), data.end());
        LineExtent extent{first, first + static_cast<int32_t>(span) - 1, 0, 0, 0, kLineHasData};

        Bytes expected;
        for (int32_t n = first; n > 0; n -= 128) {
            expected.push_back(static_cast<uint8_t>(n > 128 ? 0x81 : 1 - n));
            expected.push_back(0x00);
        }
        const Bytes coded = referenceRuns(data);
        expected.insert(expected.end(), coded.begin(), coded.end());
        expected.push_back(0x80);
        ASSERT_EQ(encodedLineSize(extent, line.data()), static_cast<int32_t>(expected.size()))
            << "round " << round;

        const bool tight = round % 2 == 1;
        std::fill(chunkBuffer.begin(), chunkBuffer.end(), kGuard);
        DataChunk chunk{};
        chunk.buffer = chunkBuffer.data();
        chunk.start = chunk.buffer;
        chunk.capacity = tight ? static_cast<int32_t>(5 + expected.size())
                               : static_cast<int32_t>(chunkBuffer.size());
        chunk.writePos = chunk.start + 5;
        chunk.start[3] = chunk.start[4] = 0;
        encodeLine(extent, &chunk, line.data());
        ASSERT_EQ(Bytes(chunk.start + 5, chunk.writePos), expected) << "round " << round;
        if (tight) {
            for (std::size_t k = 5 + expected.size(); k < 5 + expected.size() + 64; ++k)
                ASSERT_EQ(chunkBuffer[k], kGuard) << "written past a full chunk, round " << round;
        }
    }
}

}  // namespace
