// The alternate call sequence: pages ended by form feeds on buffers that
// last the whole job, the job ended by a flush; and the first-table job
// whose page asks for it.
#include <gtest/gtest.h>

#include "decoder/stream_decoder.h"
#include "support/heap_guard.h"
#include "support/manual_job.h"

using namespace testjob;
namespace decode = inkband::decode;
using Bytes = std::vector<uint8_t>;

namespace {

class AlternateSequenceTest : public HeapGuardedTest {};

const Bytes kHeader8 = {0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x4A, 0x01, 0x00, 0x08};

JobSettings alternate(int16_t width = 16) { return makeSettings(15, 0, width, 600, 0, 0, 0, 1); }

std::vector<PlaneSpec> kOnly(Bytes bytes) {
    return {nullPlane(), nullPlane(), nullPlane(), plane(std::move(bytes), 1)};
}

TEST_F(AlternateSequenceTest, PagesEndWithFormFeedsAndTheJobWithAFlush) {
    JobSettings s = alternate();
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    EXPECT_EQ(j.state(), 10);
    EXPECT_EQ(j.formFeed(0), INKBAND_WRONG_STATE);  // no page open
    ASSERT_EQ(j.initPart(s), INKBAND_OK);           // first page: buffers made
    EXPECT_EQ(j.state(), 11);
    long pageBlocks = liveBlocks();

    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        if (page > 0) {
            ASSERT_EQ(j.initPart(s), INKBAND_OK);  // later pages: buffers reused
            EXPECT_EQ(j.state(), 11);
            EXPECT_EQ(liveBlocks(), pageBlocks);
        }
        for (int32_t line : {0, 3, 9}) {
            auto planes = kOnly({0x01, static_cast<uint8_t>(line + 1)});
            ASSERT_EQ(j.produce(line, planes), INKBAND_OK);
            EXPECT_EQ(j.state(), 12);
            ASSERT_EQ(j.complete(), INKBAND_OK);
        }
        // Form length 24 lines = 3 bands: the band being assembled (band 1)
        // goes out behind a page header of its own.
        ASSERT_EQ(j.formFeed(24), INKBAND_OK);
        EXPECT_EQ(j.state(), 15);
        ASSERT_GE(j.lastPieces.size(), 2u);
        EXPECT_EQ(j.lastPieces[0], kHeader8);
        // Band 1: line 8 blank, line 9 (00-less literal 01 01 0A, 80), six blanks.
        EXPECT_EQ(j.lastPieces.back().size(), 5u + 1 + 4 + 6);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        EXPECT_EQ(j.state(), 10);
    }
    // The job ends: nothing to send, then the page buffers go.
    ASSERT_EQ(j.flush(), INKBAND_OK);
    EXPECT_TRUE(j.lastPieces.empty());
    EXPECT_EQ(j.state(), 16);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    EXPECT_EQ(j.state(), 19);
    EXPECT_EQ(liveBlocks(), 5);  // only what the open job itself holds
    EXPECT_EQ(j.initPart(s), INKBAND_WRONG_STATE);

    decode::StreamResult r = decode::decodeStream(j.stream);
    EXPECT_TRUE(r.status.ok) << r.status.describe();
}

TEST_F(AlternateSequenceTest, FormFeedEmitsTheBandOnlyWhenTheFormReachesPastIt) {
    struct Case {
        int32_t line;        // the page's only line
        int32_t formLength;  // in raster lines, 8-line bands
        std::size_t pieces;  // header; then skip, selection and band when sent
    };
    const Case cases[] = {
        {8, 16, 4},   // band 1, form of 2 bands: band 0 skipped first
        {16, 16, 1},  // band 2 lies at the form's end
        {0, 7, 1},    // less than one band
        {0, -8, 1},   // negative lengths send nothing
        {3, 9, 3},    // band 0 of a form of 1 band
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << " form " << c.formLength);
        JobSettings s = alternate();
        ManualJob j;
        ASSERT_EQ(j.initTwo(s), INKBAND_OK);
        ASSERT_EQ(j.initPart(s), INKBAND_OK);
        auto planes = kOnly({0x00, 0x0F});
        ASSERT_EQ(j.produce(c.line, planes), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        ASSERT_EQ(j.formFeed(c.formLength), INKBAND_OK);
        // Header, then (when sent) the selection and the K plane's band.
        EXPECT_EQ(j.lastPieces.size(), c.pieces);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        // Whatever was left of the page, the next page starts on empty bands.
        ASSERT_EQ(j.initPart(s), INKBAND_OK);
        planes = kOnly({0x00, 0x0F});
        ASSERT_EQ(j.produce(0, planes), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        ASSERT_EQ(j.formFeed(800), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        decode::StreamResult r = decode::decodeStream(j.stream);
        ASSERT_TRUE(r.status.ok) << r.status.describe();
        // The last page carries its own line 0 and nothing else.
        ASSERT_FALSE(r.pages.empty());
        std::size_t lines = 0;
        for (const auto& [letter, plane] : r.pages.back().planes) {
            lines += plane.linesWithData;
            if (plane.linesWithData > 0) {
                EXPECT_EQ(plane.lines.begin()->first, 0);
            }
        }
        EXPECT_EQ(lines, 1u);
    }
}

// A job ended before any page: the header announces the alternate
// sequence's 8-line bands, not the unset band height 0.
TEST_F(AlternateSequenceTest, FlushWithoutPageBuffersSendsHeaderAndFormFeed) {
    JobSettings s = alternate();
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.flush(), INKBAND_OK);
    ASSERT_EQ(j.lastPieces.size(), 2u);
    EXPECT_EQ(j.lastPieces[0], kHeader8);
    EXPECT_EQ(j.lastPieces[1], (Bytes{0x0C}));
    EXPECT_EQ(j.state(), 16);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    EXPECT_EQ(j.state(), 19);
}

TEST_F(AlternateSequenceTest, FormFeedIsNotOfferedToOrdinaryJobs) {
    JobSettings s = makeSettings(15, 0, 16, 300);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    EXPECT_EQ(j.formFeed(16), INKBAND_NOT_OFFERED);
    EXPECT_TRUE(j.stream.empty());
    EXPECT_EQ(j.state(), 3);
}

TEST_F(AlternateSequenceTest, OrdinaryJobWhosePageAsksForItStaysOnThePage) {
    JobSettings job = makeSettings(15, 0, 16, 600);
    JobSettings page = makeSettings(15, 0, 16, 600, 0, 0, 0, 1);
    ManualJob j;
    ASSERT_EQ(j.initTwo(job), INKBAND_OK);
    ASSERT_EQ(j.initPart(page), INKBAND_OK);
    EXPECT_EQ(j.state(), 3);  // bands of 8 lines: PageInitTest
    auto planes = kOnly({0x01, 0x00});
    ASSERT_EQ(j.produce(0, planes), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    ASSERT_EQ(j.flush(), INKBAND_OK);  // empty list, the state does not move
    EXPECT_TRUE(j.lastPieces.empty());
    EXPECT_EQ(j.state(), 3);
    EXPECT_EQ(j.complete(), INKBAND_WRONG_STATE);
    EXPECT_EQ(j.initPart(page), INKBAND_WRONG_STATE);
    planes = kOnly({0x01, 0x00});
    EXPECT_EQ(j.produce(1, planes), INKBAND_OK);  // the line cycle goes on
    EXPECT_EQ(j.complete(), INKBAND_OK);
}

}  // namespace
