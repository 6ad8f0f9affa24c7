// The stream decoder: line records, frames, pages built from the module's
// own commands and encoder, and malformed streams of every kind.
#include "decoder/stream_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "codec/commands.h"
#include "job/line_coding.h"

using namespace inkband;
using decode::decodeStream;

namespace {

using Bytes = std::vector<uint8_t>;

// Builds streams from the module's own command templates and encoder.
struct StreamBuilder {
    Bytes out;
    void header(int16_t bandHeight) {
        uint8_t bytes[kPageHeaderSize];
        raw(Bytes(bytes, bytes + writePageHeader(bandHeight, bytes)));
    }
    void skip(int16_t count) {
        uint8_t bytes[kSkipCommandSize];
        raw(Bytes(bytes, bytes + buildSkipCommand(count, bytes)));
    }
    void select(Selection selection) {
        CommandBytes command = selectionCommand(selection);
        raw(Bytes(command.bytes, command.bytes + command.length));
    }
    // One plane's band: an ESC ( F frame holding the given lines, each coded
    // with encodeLine (an empty line is blank).
    void band(const std::vector<Bytes>& lines) {
        Bytes storage(70000);
        std::memcpy(storage.data(), kBandChunkHeader, kBandChunkHeaderSize);
        DataChunk chunk{};
        chunk.buffer = chunk.start = storage.data();
        chunk.writePos = chunk.start + kBandChunkHeaderSize;
        for (const Bytes& line : lines) {
            LineExtent extent = kLineExtentStart;
            for (std::size_t i = 0; i < line.size(); ++i)
                if (line[i] != 0) {
                    if (extent.blank == kLineBlank) extent.first = static_cast<int32_t>(i);
                    extent.last = static_cast<int32_t>(i);
                    extent.blank = kLineHasData;
                }
            encodeLine(extent, &chunk, line.data());
        }
        raw(Bytes(chunk.start, chunk.writePos));
    }
    void emptyBand() { raw(Bytes(kBandChunkHeader, kBandChunkHeader + kBandChunkHeaderSize)); }
    void formFeed() { out.push_back(kFormFeed); }
    void raw(const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
};

// A line as the decoder gives it back: up to its last non-zero byte.
Bytes trimmed(Bytes line) {
    while (!line.empty() && line.back() == 0) line.pop_back();
    return line;
}

TEST(StreamDecoder, LineRecords) {
    struct Case {
        Bytes records;
        bool ok;
        std::size_t consumedOrOffset;
        Bytes line;
    };
    const Case cases[] = {
        {{0x80}, true, 1, {}},
        {{0x00, 0x41, 0x80, 0x99}, true, 3, {0x41}},
        {{0xFE, 0x07, 0x01, 0x80, 0x80, 0x80}, true, 6, {0x07, 0x07, 0x07, 0x80, 0x80}},
        {{0x81, 0x00, 0x00, 0x09, 0x80},
         true,
         5,
         [] {
             Bytes b(128, 0x00);
             b.push_back(0x09);
             return b;
         }()},
        {{}, false, 0, {}},
        {{0x00, 0x41}, false, 2, {}},              // no end-of-line byte
        {{0x00, 0x41, 0x02, 0x01}, false, 2, {}},  // literal runs past the data
        {{0x00, 0x41, 0xFF}, false, 2, {}},        // repeat without its byte
    };
    for (const Case& c : cases) {
        const decode::LineResult r = decode::decodeLine(c.records.data(), c.records.size());
        ASSERT_EQ(r.status.ok, c.ok) << r.status.describe();
        if (c.ok) {
            EXPECT_EQ(r.consumed, c.consumedOrOffset);
            EXPECT_EQ(r.bytes, c.line);
        } else {
            EXPECT_EQ(r.status.offset, c.consumedOrOffset) << r.status.describe();
        }
    }
    // 257 records of 128 zeros: longer than any line.
    Bytes tooLong;
    for (int i = 0; i < 257; ++i) tooLong.insert(tooLong.end(), {0x81, 0x00});
    tooLong.push_back(0x80);
    const decode::LineResult r = decode::decodeLine(tooLong.data(), tooLong.size());
    EXPECT_FALSE(r.status.ok);
    EXPECT_NE(r.status.message.find("longer than"), std::string::npos);

    Bytes out;
    const Bytes withEnd = {0x00, 0x41, 0x80};
    EXPECT_FALSE(decode::decodeRecords(withEnd.data(), withEnd.size(), out).ok);
}

TEST(StreamDecoder, FramesAndFormFeeds) {
    const Bytes stream = {0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x0C, 0x1B, 0x28, 0x5A, 0x00, 0x00};
    const decode::FrameList list = decode::parseFrames(stream.data(), stream.size());
    ASSERT_TRUE(list.status.ok) << list.status.describe();
    ASSERT_EQ(list.frames.size(), 3u);
    EXPECT_EQ(list.frames[0].letter, 0x49);
    EXPECT_EQ(list.frames[0].payloadOffset, 5u);
    EXPECT_EQ(list.frames[0].length, 1);
    EXPECT_TRUE(list.frames[1].isFormFeed());
    EXPECT_EQ(list.frames[1].offset, 6u);
    EXPECT_EQ(list.frames[2].letter, 0x5A);
    EXPECT_EQ(list.frames[2].length, 0);
}

// The page of the module's worked example: mode class 3, 8-line bands, line 2
// with data in K only.
TEST(StreamDecoder, SingleBandPage) {
    const Bytes stream = {0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x4A, 0x01, 0x00, 0x08,
                          0x1B, 0x28, 0x4C, 0x01, 0x00, 0x4B, 0x1B, 0x28, 0x46, 0x0C, 0x00, 0x80,
                          0x80, 0x00, 0x00, 0x00, 0xF0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
    const decode::StreamResult result = decodeStream(stream);
    ASSERT_TRUE(result.status.ok) << result.status.describe();
    ASSERT_EQ(result.pages.size(), 1u);
    const decode::Page& page = result.pages[0];
    EXPECT_EQ(page.bandHeight, 8);
    ASSERT_EQ(page.planes.size(), 1u);
    const decode::PlaneData& k = page.planes.at('K');
    EXPECT_EQ(k.lines.size(), 1u);
    EXPECT_EQ(k.line(2), (Bytes{0x00, 0xF0}));
    EXPECT_TRUE(k.line(0).empty());
    EXPECT_EQ(k.payloadBytes, 12u);
    EXPECT_EQ(page.bandsWithData, (std::vector<int64_t>{0}));
    ASSERT_EQ(page.selections.size(), 1u);
    EXPECT_EQ(page.selections[0].letters, (Bytes{'K'}));
    EXPECT_EQ(page.skippedBands, 0);
    ASSERT_EQ(page.frames.size(), 4u);
    EXPECT_EQ(page.frames[2].offset, 12u);
    EXPECT_EQ(page.frames[3].offset, 18u);
    EXPECT_FALSE(page.endedByFormFeed);
}

// Random bands in CMYK with skips and K-only bands, built from the module's
// encoder and commands, decode back to the lines that went in.
TEST(StreamDecoder, RandomPagesDecodeBackToTheirLines) {
    std::mt19937 rng(515);
    for (int16_t bandHeight : {int16_t{1}, int16_t{8}, int16_t{16}}) {
        StreamBuilder stream;
        stream.header(bandHeight);
        std::map<uint8_t, std::map<int64_t, Bytes>> expected;
        std::vector<int64_t> bandsWithData;
        int64_t band = 0;
        int64_t skipped = 0;
        int lastSelection = -1;
        for (int step = 0; step < 40; ++step) {
            if (rng() % 3 == 0) {
                const int16_t count =
                    static_cast<int16_t>(1 + rng() % (rng() % 4 == 0 ? 0x7FFF : 5));
                stream.skip(count);
                band += count;
                skipped += count;
            }
            const bool blackOnly = rng() % 3 == 0;
            const Selection selection = blackOnly ? kSelectK : kSelectCMYK;
            if (selection != lastSelection) stream.select(selection);
            lastSelection = selection;
            const char* letters = blackOnly ? "K" : "CMYK";
            for (const char* letter = letters; *letter; ++letter) {
                if (!blackOnly && rng() % 4 == 0) {
                    stream.emptyBand();  // a blank plane of a full selection
                    continue;
                }
                std::vector<Bytes> lines;
                for (int line = 0; line < bandHeight; ++line) {
                    Bytes bytes(rng() % 5 == 0 ? 0 : rng() % 300, 0x00);
                    for (uint8_t& b : bytes)
                        if (rng() % 3 == 0) b = static_cast<uint8_t>(rng() % 3 == 0 ? rng() : 0x80);
                    if (!trimmed(bytes).empty())
                        expected[static_cast<uint8_t>(*letter)][band * bandHeight + line] =
                            trimmed(bytes);
                    lines.push_back(bytes);
                }
                stream.band(lines);
            }
            bandsWithData.push_back(band);
            ++band;
        }
        const decode::StreamResult result = decodeStream(stream.out);
        ASSERT_TRUE(result.status.ok) << result.status.describe();
        ASSERT_EQ(result.pages.size(), 1u);
        const decode::Page& page = result.pages[0];
        EXPECT_EQ(page.bandsWithData, bandsWithData);
        EXPECT_EQ(page.skippedBands, skipped);
        for (const auto& [letter, plane] : page.planes)
            EXPECT_EQ(plane.lines, expected[letter])
                << "plane " << letter << ", band height " << bandHeight;
        EXPECT_EQ(page.planes.size(), expected.size());

        // The same lines handed to a band sink instead of kept, and handed
        // again from the page record alone.
        using Lines = std::map<uint8_t, std::map<int64_t, Bytes>>;
        auto collect = [](Lines& seen) {
            return [&seen](const decode::BandView& band) {
                for (std::size_t p = 0; p < band.letters->size(); ++p)
                    for (int l = 0; l < band.height; ++l)
                        if (!band.line(p, l).empty())
                            seen[(*band.letters)[p]][band.number * band.height + l] =
                                band.line(p, l);
            };
        };
        Lines streamed, again;
        decode::DecodeOptions options;
        options.keepLines = false;
        options.onBand = collect(streamed);
        const decode::StreamResult flat =
            decode::decodeStream(stream.out.data(), stream.out.size(), options);
        ASSERT_TRUE(flat.status.ok) << flat.status.describe();
        for (const auto& [letter, plane] : flat.pages[0].planes) {
            EXPECT_TRUE(plane.lines.empty());
            EXPECT_EQ(plane.linesWithData, expected[letter].size());
            std::size_t widest = 0;
            for (const auto& [number, bytes] : expected[letter])
                widest = std::max(widest, bytes.size());
            EXPECT_EQ(plane.widestLine, widest);
            EXPECT_EQ(streamed[letter], expected[letter]) << "plane " << letter;
        }
        ASSERT_TRUE(decode::decodePageBands(stream.out.data(), stream.out.size(), flat.pages[0],
                                            collect(again))
                        .ok);
        for (const auto& [letter, lines] : again) EXPECT_EQ(lines, streamed[letter]);
        EXPECT_EQ(again.size(), static_cast<std::size_t>(std::count_if(
                                    streamed.begin(), streamed.end(),
                                    [](const auto& entry) { return !entry.second.empty(); })));
    }
}

TEST(StreamDecoder, PagesEndAtFormFeedsAndPageHeaders) {
    StreamBuilder stream;
    stream.header(1);
    stream.select(kSelectTenPlane);
    for (int plane = 0; plane < 10; ++plane) stream.band({{static_cast<uint8_t>(plane + 1)}});
    stream.formFeed();
    stream.header(16);  // the selection stays in force on the next page
    stream.skip(2);
    for (int plane = 0; plane < 10; ++plane) stream.emptyBand();
    stream.header(8);
    const decode::StreamResult result = decodeStream(stream.out);
    ASSERT_TRUE(result.status.ok) << result.status.describe();
    ASSERT_EQ(result.pages.size(), 3u);
    const decode::Page& first = result.pages[0];
    EXPECT_TRUE(first.endedByFormFeed);
    ASSERT_EQ(first.planes.size(), 10u);
    EXPECT_EQ(first.planes.at('C' | 0x80).line(0), (Bytes{6}));
    EXPECT_EQ(first.planes.at('H' | 0x80).line(0), (Bytes{10}));
    EXPECT_FALSE(first.selectionInherited);
    const decode::Page& second = result.pages[1];
    EXPECT_TRUE(second.selectionInherited);
    EXPECT_EQ(second.bandHeight, 16);
    EXPECT_EQ(second.bandsWithData, (std::vector<int64_t>{2}));
    EXPECT_EQ(second.planes.at('k').emptyFrames, 1u);
    EXPECT_EQ(result.pages[2].bandHeight, 8);
    EXPECT_TRUE(result.pages[2].bandsWithData.empty());
}

TEST(StreamDecoder, MalformedStreamsAreRejectedWithTheirOffset) {
    const Bytes header = {0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x4A, 0x01, 0x00, 0x08};
    const Bytes header1 = {0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x4A, 0x01, 0x00, 0x01};
    const Bytes selectK = {0x1B, 0x28, 0x4C, 0x01, 0x00, 0x4B};
    const Bytes selectCMY = {0x1B, 0x28, 0x4C, 0x03, 0x00, 0x43, 0x4D, 0x59};
    const Bytes oneBlankLine = {0x1B, 0x28, 0x46, 0x01, 0x00, 0x80};
    auto cat = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    struct Case {
        const char* what;
        Bytes stream;
        std::size_t offset;
        const char* message;
    };
    const Case cases[] = {
        {"stray byte", {0x00}, 0, "outside a command"},
        {"stray byte after a page", cat({header, {0x41}}), 12, "outside a command"},
        {"ESC without (", {0x1B, 0x29, 0x49}, 1, "instead of '('"},
        {"truncated header", {0x1B, 0x28, 0x49, 0x01}, 0, "truncated"},
        {"payload past the data", {0x1B, 0x28, 0x49, 0x05, 0x00, 0x01}, 0, "runs past the data"},
        {"selection before a page", selectK, 0, "outside a page"},
        {"form feed before a page", {0x0C}, 0, "form feed outside a page"},
        {"commands after a form feed", cat({header, {0x0C}, selectK}), 13, "outside a page"},
        {"page start with payload 02", {0x1B, 0x28, 0x49, 0x01, 0x00, 0x02}, 0, "0x01"},
        {"page start without band height",
         cat({Bytes(header.begin(), header.begin() + 6), selectK}), 6, "not followed by ESC ( J"},
        {"page start alone", Bytes(header.begin(), header.begin() + 6), 6,
         "not followed by ESC ( J"},
        {"band height 5",
         {0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x4A, 0x01, 0x00, 0x05},
         11,
         "band height 5"},
        {"band height twice", cat({header, {0x1B, 0x28, 0x4A, 0x01, 0x00, 0x08}}), 12,
         "inside a page"},
        {"skip of 0", cat({header, {0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, 0x00}}), 17, "skip of 0"},
        {"skip of 0x8000", cat({header, {0x1B, 0x28, 0x65, 0x02, 0x00, 0x80, 0x00}}), 17,
         "above 32767"},
        {"skip with one byte", cat({header, {0x1B, 0x28, 0x65, 0x01, 0x00, 0x01}}), 12,
         "two count"},
        {"empty selection", cat({header, {0x1B, 0x28, 0x4C, 0x00, 0x00}}), 12, "selection of 0"},
        {"selection of 11", cat({header, {0x1B, 0x28, 0x4C, 0x0B, 0x00}, Bytes(11, 0x43)}), 12,
         "selection of 11"},
        {"letter twice", cat({header, {0x1B, 0x28, 0x4C, 0x02, 0x00, 0x4B, 0x4B}}), 18, "twice"},
        {"band before a selection", cat({header1, oneBlankLine}), 12, "before any plane selection"},
        {"record past the payload",
         cat({header1, selectK, {0x1B, 0x28, 0x46, 0x02, 0x00, 0x02, 0x41}}), 23, "runs past"},
        {"line without its end",
         cat({header1, selectK, {0x1B, 0x28, 0x46, 0x02, 0x00, 0x00, 0x41}}), 25, "no end-of-line"},
        {"too few lines", cat({header, selectK, oneBlankLine}), 24, "ends after 1 of 8 lines"},
        {"too many lines", cat({header1, selectK, {0x1B, 0x28, 0x46, 0x02, 0x00, 0x80, 0x80}}), 24,
         "more than 1 lines"},
        {"band cut short by a skip",
         cat({header1, selectCMY, oneBlankLine, {0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, 0x01}}), 26,
         "ends after 1 of 3"},
        {"band cut short by a selection", cat({header1, selectCMY, oneBlankLine, selectK}), 26,
         "ends after 1 of 3"},
        {"band cut short by the end", cat({header1, selectCMY, oneBlankLine, oneBlankLine}), 32,
         "ends after 2 of 3"},
        {"band cut short by a form feed", cat({header1, selectCMY, oneBlankLine, {0x0C}}), 26,
         "ends after 1 of 3"},
        {"band cut short by a page", cat({header1, selectCMY, oneBlankLine, header1}), 26,
         "ends after 1 of 3"},
        {"unknown command", cat({header, {0x1B, 0x28, 0x5A, 0x00, 0x00}}), 12, "unknown command"},
    };
    for (const Case& c : cases) {
        const decode::StreamResult result = decodeStream(c.stream);
        ASSERT_FALSE(result.status.ok) << c.what;
        EXPECT_EQ(result.status.offset, c.offset) << c.what << ": " << result.status.describe();
        EXPECT_NE(result.status.message.find(c.message), std::string::npos)
            << c.what << ": " << result.status.describe();
    }
}

StreamBuilder sampleStream() {
    std::mt19937 rng(77);
    StreamBuilder stream;
    stream.header(8);
    stream.skip(3);
    stream.select(kSelectCMYK);
    for (int band = 0; band < 3; ++band)
        for (int plane = 0; plane < 4; ++plane) {
            std::vector<Bytes> lines;
            for (int line = 0; line < 8; ++line) {
                Bytes bytes(rng() % 40, 0);
                for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng() % 2 ? rng() : 0x11);
                lines.push_back(bytes);
            }
            stream.band(lines);
        }
    stream.select(kSelectK);
    stream.band(std::vector<Bytes>(8, Bytes{0x80, 0x80, 0x80}));
    stream.formFeed();
    stream.header(1);
    stream.select(kSelectKk);
    stream.band({{0x01}});
    stream.band({{0x00, 0x00, 0x02}});
    return stream;
}

TEST(StreamDecoder, EveryTruncationIsHandled) {
    const Bytes full = sampleStream().out;
    const decode::StreamResult whole = decodeStream(full);
    ASSERT_TRUE(whole.status.ok) << whole.status.describe();
    const decode::FrameList frames = decode::parseFrames(full.data(), full.size());
    std::vector<bool> boundary(full.size() + 1, false);
    boundary[0] = true;
    for (const decode::Frame& frame : frames.frames)
        boundary[frame.payloadOffset + frame.length] = true;
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        const decode::StreamResult result = decodeStream(prefix);
        if (!boundary[cut]) {
            EXPECT_FALSE(result.status.ok) << "cut at " << cut;
        }
        if (!result.status.ok) {
            EXPECT_LE(result.status.offset, cut) << "cut at " << cut;
        }
    }
}

TEST(StreamDecoder, CorruptedBytesNeverCrash) {
    const Bytes full = sampleStream().out;
    std::mt19937 rng(123);
    int rejected = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes corrupted = full;
        for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0; --flips)
            corrupted[rng() % corrupted.size()] = static_cast<uint8_t>(rng());
        const decode::StreamResult result = decodeStream(corrupted);
        if (!result.status.ok) {
            ++rejected;
            EXPECT_LE(result.status.offset, corrupted.size());
            EXPECT_FALSE(result.status.message.empty());
        }
    }
    EXPECT_GT(rejected, 0);
    // Random garbage of every length.
    for (int round = 0; round < 2000; ++round) {
        Bytes garbage(rng() % 64);
        for (uint8_t& b : garbage) b = static_cast<uint8_t>(rng() % 4 == 0 ? 0x1B : rng());
        (void)decodeStream(garbage);
    }
    EXPECT_TRUE(decodeStream(nullptr, 0).status.ok);
}

}  // namespace
