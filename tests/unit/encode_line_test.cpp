// Line records in a band chunk: zero prefix, coded span, end-of-line byte,
// the ESC ( F length, and the size-only twin of the encoder.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "codec/commands.h"
#include "codec/run_coder.h"
#include "decoder/stream_decoder.h"
#include "job/line_coding.h"
#include "support/run_spans.h"

using namespace inkband;

namespace {

using Bytes = std::vector<uint8_t>;

// A band chunk over a local buffer, holding a bare BandChunkHeader.
struct TestChunk {
    explicit TestChunk(std::size_t size = 70000) : storage(size, 0xEE) {
        std::memcpy(storage.data(), kBandChunkHeader, kBandChunkHeaderSize);
        chunk.buffer = chunk.start = storage.data();
        chunk.writePos = chunk.start + kBandChunkHeaderSize;
        chunk.capacity = static_cast<int32_t>(size);
    }
    uint16_t length() const { return static_cast<uint16_t>(storage[3] | (storage[4] << 8)); }
    void setLength(uint16_t value) {
        storage[3] = static_cast<uint8_t>(value);
        storage[4] = static_cast<uint8_t>(value >> 8);
    }
    Bytes content() const { return Bytes(chunk.start, chunk.writePos); }
    Bytes payload() const { return Bytes(chunk.start + kBandChunkHeaderSize, chunk.writePos); }
    std::vector<uint8_t> storage;
    DataChunk chunk{};
};

LineExtent dataExtent(int32_t first, int32_t last) {
    LineExtent extent = kLineExtentStart;
    extent.first = first;
    extent.last = last;
    extent.blank = kLineHasData;
    return extent;
}

Bytes withZeros(std::size_t zeros, Bytes tail) {
    Bytes line(zeros, 0x00);
    line.insert(line.end(), tail.begin(), tail.end());
    return line;
}

TEST(EncodeLine, WorkedExamples) {
    struct Case {
        Bytes line;
        int32_t first, last;
        Bytes appended;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x00, 0x05, 0x05, 0x05, 0x00, 0x00}, 3, 5, {0xFE, 0x00, 0xFE, 0x05, 0x80}},
        {{0x00, 0x09}, 1, 1, {0x00, 0x00, 0x00, 0x09, 0x80}},
        {{0x09, 0x00, 0x00, 0x00, 0x00, 0x04}, 0, 5, {0x00, 0x09, 0xFD, 0x00, 0x00, 0x04, 0x80}},
        {withZeros(300, {0x09}), 300, 300, {0x81, 0x00, 0x81, 0x00, 0xD5, 0x00, 0x00, 0x09, 0x80}},
        // Zero prefixes at the record boundaries.
        {withZeros(128, {0x09}), 128, 128, {0x81, 0x00, 0x00, 0x09, 0x80}},
        {withZeros(129, {0x09}), 129, 129, {0x81, 0x00, 0x00, 0x00, 0x00, 0x09, 0x80}},
        {withZeros(256, {0x09}), 256, 256, {0x81, 0x00, 0x81, 0x00, 0x00, 0x09, 0x80}},
        {withZeros(2, {0x09}), 2, 2, {0xFF, 0x00, 0x00, 0x09, 0x80}},
        // A single byte at index 0; bytes after `last` are not coded.
        {{0x42, 0x00, 0x00}, 0, 0, {0x00, 0x42, 0x80}},
        {{0x42, 0x43, 0x99}, 0, 1, {0x01, 0x42, 0x43, 0x80}},
    };
    for (const Case& c : cases) {
        // In a chunk that ends right after the line nothing is written past
        // it; with room to spare the coder may use bytes past the line as
        // scratch, up to its slack past the largest coded size.
        for (bool tight : {false, true}) {
            TestChunk band;
            const std::size_t end = kBandChunkHeaderSize + c.appended.size();
            if (tight) band.chunk.capacity = static_cast<int32_t>(end);
            encodeLine(dataExtent(c.first, c.last), &band.chunk, c.line.data());
            EXPECT_EQ(band.payload(), c.appended) << "first " << c.first << " last " << c.last;
            EXPECT_EQ(band.length(), c.appended.size());
            const std::size_t untouched = tight ? end : end + c.line.size() + detail::kSlackBytes;
            EXPECT_EQ(band.storage[untouched], 0xEE) << "wrote past the line, tight " << tight;
        }
        EXPECT_EQ(encodedLineSize(dataExtent(c.first, c.last), c.line.data()),
                  static_cast<int32_t>(c.appended.size()));
    }
}

TEST(EncodeLine, BlankLinesAreOneByteEach) {
    TestChunk band;
    LineExtent blank = kLineExtentStart;
    const uint8_t ignored[1] = {0xFF};
    encodeLine(blank, &band.chunk, ignored);
    EXPECT_EQ(band.content(), (Bytes{0x1B, 0x28, 0x46, 0x01, 0x00, 0x80}));
    EXPECT_EQ(encodedLineSize(blank, nullptr), 1);
    for (int line = 1; line < 16; ++line) appendBlankLine(&band.chunk);
    EXPECT_EQ(band.length(), 16);
    EXPECT_EQ(band.payload(), Bytes(16, 0x80));
}

TEST(EncodeLine, BandLengthCarriesAndWraps) {
    struct Case {
        uint16_t before;
        uint16_t after;
    };
    const Bytes line = {0x00, 0x09};  // five bytes: 00 00 00 09 80
    for (const Case c : {Case{0x00FF, 0x0104}, Case{0xFFFE, 0x0003}, Case{0x01FB, 0x0200}}) {
        TestChunk band;
        band.setLength(c.before);
        encodeLine(dataExtent(1, 1), &band.chunk, line.data());
        EXPECT_EQ(band.length(), c.after) << "from " << c.before;
    }
    TestChunk band;
    band.setLength(0xFFFF);
    appendBlankLine(&band.chunk);
    EXPECT_EQ(band.length(), 0);
}

TEST(EncodeLine, PayloadPastOneByteCarriesIntoTheHighLengthByte) {
    TestChunk band;
    for (int i = 0; i < 256; ++i) appendBlankLine(&band.chunk);
    EXPECT_EQ(Bytes(band.storage.begin(), band.storage.begin() + 5),
              (Bytes{0x1B, 0x28, 0x46, 0x00, 0x01}));
}

TEST(EncodeLine, LinesFollowEachOtherInTheChunk) {
    TestChunk band;
    const Bytes a = {0x00, 0x00, 0x07};
    appendBlankLine(&band.chunk);
    encodeLine(dataExtent(2, 2), &band.chunk, a.data());
    appendBlankLine(&band.chunk);
    EXPECT_EQ(band.payload(), (Bytes{0x80, 0xFF, 0x00, 0x00, 0x07, 0x80, 0x80}));
    EXPECT_EQ(band.length(), 7);
}

// Random lines: encodedLineSize agrees with encodeLine, the size bound
// holds, and the record decodes to bytes 0 .. last of the line.
TEST(EncodeLine, RandomLinesMatchTheirSizeAndDecodeBack) {
    std::mt19937 rng(7031);
    for (int round = 0; round < 300; ++round) {
        const std::size_t span = 1 + inkband::testing::randomSpanLength(rng) % 32767;
        const int32_t first =
            static_cast<int32_t>(round % 4 == 0 ? rng() % 400 : rng() % (32768 - span));
        Bytes line(static_cast<std::size_t>(first), 0x00);
        Bytes body = inkband::testing::randomRunSpan(rng, span);
        body.front() |= 0x01;  // first and last are non-zero bytes
        body.back() |= 0x01;
        line.insert(line.end(), body.begin(), body.end());
        line.insert(line.end(), rng() % 4, static_cast<uint8_t>(rng()));  // beyond `last`
        const int32_t last = first + static_cast<int32_t>(span) - 1;
        const LineExtent extent = dataExtent(first, last);

        TestChunk band;
        encodeLine(extent, &band.chunk, line.data());
        const Bytes payload = band.payload();
        ASSERT_EQ(encodedLineSize(extent, line.data()), static_cast<int32_t>(payload.size()))
            << "round " << round;
        ASSERT_EQ(band.length(), payload.size());
        const int32_t m = last - first + 1;
        ASSERT_LE(static_cast<int32_t>(payload.size()),
                  2 * ((first + 127) / 128) + m + m / 126 + 2);
        ASSERT_LE(static_cast<int64_t>(payload.size()), encodedLineBound(extent));

        const decode::LineResult decoded = decode::decodeLine(payload.data(), payload.size());
        ASSERT_TRUE(decoded.status.ok) << decoded.status.describe();
        ASSERT_EQ(decoded.consumed, payload.size());
        ASSERT_EQ(decoded.bytes, Bytes(line.begin(), line.begin() + last + 1)) << "round " << round;
    }
}

}  // namespace
