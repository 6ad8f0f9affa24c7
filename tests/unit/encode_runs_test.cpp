// PackBits run coding: the literal-merging rules, byte for byte, and the
// properties every coded span must have.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codec/run_coder.h"
#include "decoder/stream_decoder.h"
#include "support/run_spans.h"

using namespace inkband;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes encode(const Bytes& source) {
    Bytes out(source.size() + source.size() / 126 + 16, 0xEE);
    const int16_t n = encodeRuns(out.data(), source.data(), static_cast<int16_t>(source.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

Bytes repeat(std::size_t n, uint8_t value) { return Bytes(n, value); }

// n distinct consecutive bytes starting at `from` (never two equal in a row).
Bytes distinct(std::size_t n, uint8_t from = 0x01) {
    Bytes out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(from + i));
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(EncodeRuns, WorkedExamples) {
    struct Case {
        const char* why;
        Bytes source;
        Bytes expected;
    };
    const Bytes d128 = distinct(128), d126 = distinct(126), d125 = distinct(125);
    const Case cases[] = {
        {"pair opens nothing, 42 opens a literal",
         {0x41, 0x41, 0x42, 0x43, 0x44},
         {0xFF, 0x41, 0x02, 0x42, 0x43, 0x44}},
        {"pair joins the literal, run of three closes it",
         {0x01, 0x02, 0x02, 0x03, 0x03, 0x03},
         {0x02, 0x01, 0x02, 0x02, 0xFE, 0x03}},
        {"pair with no literal open, then a pair joins",
         {0x05, 0x05, 0x01, 0x02, 0x02},
         {0xFF, 0x05, 0x02, 0x01, 0x02, 0x02}},
        {"one-byte literal, then a repeat", {0x01, 0x05, 0x05, 0x05}, {0x00, 0x01, 0xFE, 0x05}},
        {"300 zeros: two full records and 44",
         repeat(300, 0x00),
         {0x81, 0x00, 0x81, 0x00, 0xD5, 0x00}},
        {"129 equal: the last byte opens a literal", repeat(129, 0x07), {0x81, 0x07, 0x00, 0x07}},
        {"128 distinct bytes close the literal", d128, concat({{0x7F}, d128})},
        {"126 distinct then a pair: new literal", concat({d126, {0xAA, 0xAA}}),
         concat({{0x7D}, d126, {0x01, 0xAA, 0xAA}})},
        {"125 distinct then a pair: the pair joins", concat({d125, {0xAA, 0xAA}}),
         concat({{0x7E}, d125, {0xAA, 0xAA}})},
        {"127 distinct then a pair: new literal", concat({distinct(127), {0xAA, 0xAA}}),
         concat({{0x7E}, distinct(127), {0x01, 0xAA, 0xAA}})},
        {"129 distinct: a full literal and one of one", distinct(129),
         concat({{0x7F}, distinct(128), {0x00, 0x81}})},
        {"zero bytes are coded like any other", {0x00, 0x09, 0x00}, {0x02, 0x00, 0x09, 0x00}},
        {"a run of 128 is one record", repeat(128, 0x33), {0x81, 0x33}},
        {"a run of 130 leaves a pair", repeat(130, 0x33), {0x81, 0x33, 0xFF, 0x33}},
        {"a run of 256 is two records", repeat(256, 0x33), {0x81, 0x33, 0x81, 0x33}},
        {"the whole longest line in one run", repeat(32767, 0x5A),
         [] {
             Bytes out;
             for (int i = 0; i < 255; ++i) out.insert(out.end(), {0x81, 0x5A});
             out.insert(out.end(), {0x82, 0x5A});
             return out;
         }()},
    };
    for (const Case& c : cases) EXPECT_EQ(encode(c.source), c.expected) << c.why;
}

TEST(EncodeRuns, NoSourceBytesWriteNothing) {
    uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    const uint8_t src[1] = {0x01};
    EXPECT_EQ(encodeRuns(out, src, 0), 0);
    EXPECT_EQ(out[0], 0xEE);
}

struct Record {
    bool literal;
    std::size_t length;  // bytes the record stands for
    std::size_t at;      // offset of its count byte
};

std::vector<Record> records(const Bytes& coded) {
    std::vector<Record> out;
    for (std::size_t i = 0; i < coded.size();) {
        const uint8_t h = coded[i];
        if (h < 0x80) {
            out.push_back({true, static_cast<std::size_t>(h) + 1, i});
            i += h + 2u;
        } else {
            out.push_back({false, 257u - h, i});
            i += 2;
        }
    }
    return out;
}

// The merging rules as they show in the output.  A literal is followed by
// another literal only when it is full (128) or when a pair could not join
// it (126 or 127 bytes, and the next literal opens with that pair); a pair
// repeat never follows a literal that is still open; no literal holds three
// equal bytes in a row.
void expectMergingRules(const Bytes& coded) {
    const std::vector<Record> recs = records(coded);
    for (std::size_t r = 0; r < recs.size(); ++r) {
        const Record& rec = recs[r];
        if (rec.literal) {
            const uint8_t* bytes = &coded[rec.at + 1];
            for (std::size_t i = 2; i < rec.length; ++i) {
                ASSERT_FALSE(bytes[i] == bytes[i - 1] && bytes[i] == bytes[i - 2])
                    << "three equal bytes inside a literal at " << rec.at;
            }
            if (rec.length == 128) {
                ASSERT_NE(bytes[126], bytes[127]) << "a pair made a literal reach 128";
            }
        }
        if (r == 0 || !recs[r - 1].literal || recs[r - 1].length == 128) continue;
        const Record& before = recs[r - 1];
        if (rec.literal) {
            ASSERT_TRUE(before.length >= 126 && rec.length >= 2 &&
                        coded[rec.at + 1] == coded[rec.at + 2])
                << "literal of " << before.length << " not extended, at " << rec.at;
        } else {
            ASSERT_GT(rec.length, 2u) << "pair repeat behind an open literal at " << rec.at;
        }
    }
}

TEST(EncodeRuns, RandomSpansDecodeBackWithinTheBound) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 300; ++round) {
        const Bytes source =
            inkband::testing::randomRunSpan(rng, inkband::testing::randomSpanLength(rng));
        const Bytes coded = encode(source);
        const std::size_t n = source.size();
        ASSERT_LE(coded.size(), n + n / 126 + 1) << "round " << round << ", " << n << " bytes";

        Bytes decoded;
        const decode::Status status = decode::decodeRecords(coded.data(), coded.size(), decoded);
        ASSERT_TRUE(status.ok) << "round " << round << ": " << status.describe();
        ASSERT_EQ(decoded, source) << "round " << round;
        expectMergingRules(coded);
    }
}

TEST(EncodeRuns, ChainedPairLiteralsReachTheBoundExactly) {
    // One byte, then pairs: the first literal takes 63 pairs (127 bytes),
    // every following one 63 pairs (126 bytes), each paying one count byte.
    Bytes source = {0x10};
    for (int pair = 0; pair < 1000; ++pair) {
        const uint8_t x = static_cast<uint8_t>(pair & 1 ? 0x20 : 0x30);
        source.insert(source.end(), {x, x});
    }
    const Bytes coded = encode(source);
    const std::size_t n = source.size();
    EXPECT_EQ(coded.size(), n + n / 126 + 1);
    Bytes decoded;
    ASSERT_TRUE(decode::decodeRecords(coded.data(), coded.size(), decoded).ok);
    EXPECT_EQ(decoded, source);
    expectMergingRules(coded);
}

}  // namespace
