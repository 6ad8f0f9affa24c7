// emitBand on hand-built bands: plane lists and black-only selections of
// every mode class (2, 6 and 9 included, which no settings reach); blank
// bands, skips and the selection sent only on a change through the entry
// points.
#include "job/band_emit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "decoder/stream_decoder.h"
#include "job/line_coding.h"
#include "job/output_reserve.h"
#include "job/page_buffers.h"
#include "support/heap_guard.h"
#include "support/job_driver.h"
#include "support/manual_job.h"

using namespace inkband;
using Bytes = std::vector<uint8_t>;

namespace {

class BandEmitTest : public HeapGuardedTest {
   protected:
    void SetUp() override {
        HeapGuardedTest::SetUp();
        ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    }
    void TearDown() override {
        releasePageBuffers(job);
        OutputClose(&job);
        HeapGuardedTest::TearDown();
    }

    // A job of `mode` with 8-line bands whose planes in `withData` hold one
    // line of data and every other line blank.
    void makeBand(int16_t mode, int16_t planes, const std::vector<int>& withData) {
        job->modeClass = mode;
        job->planeCount = planes;
        job->bandHeight = 8;
        job->chunksPerPlane = 1;
        job->pageBuffers = true;
        const uint8_t data[1] = {0x5A};
        for (int i = 0; i < planes; ++i) {
            DataChunk& chain = job->planes[i].chain;
            ASSERT_TRUE(initChunk(&chain, kBandChunkSize));
            std::memcpy(chain.writePos, kBandChunkHeader, 5);
            chain.writePos += 5;
            LineExtent extent = kLineExtentStart;
            bool has = std::find(withData.begin(), withData.end(), i) != withData.end();
            if (has) extent = LineExtent{0, 0, 0, 0, 0, kLineHasData};
            encodeLine(extent, &chain, data);
            for (int l = 1; l < 8; ++l) appendBlankLine(&chain);
        }
    }

    std::vector<Bytes> emit() {
        beginProducingCall(job);
        job->pieceList->count = 0;
        int32_t lengths[kMaxPlanes];
        for (int i = 0; i < job->planeCount; ++i) lengths[i] = bandLength(job->planes[i].chain);
        EmitCount count = countBandPieces(job, lengths);
        EXPECT_EQ(reserveOutput(job, count.commandPieces, count.commandPieces + count.planePieces),
                  INKBAND_OK);
        emitBand(job);
        job->pieceList->pieces = job->pieceArray;
        EXPECT_EQ(job->pieceList->count, count.commandPieces + count.planePieces);
        auto pieces = testjob::piecesOf(job->pieceList);
        emptyCommandChain(job);
        return pieces;
    }

    static Bytes selection(std::initializer_list<uint8_t> letters) {
        Bytes b = {0x1B, 0x28, 0x4C, static_cast<uint8_t>(letters.size()), 0x00};
        for (uint8_t letter : letters) b.push_back(letter);
        return b;
    }

    OutputJob* job = nullptr;
};

constexpr uint8_t kBandWithData[] = {0x1B, 0x28, 0x46, 0x0A, 0x00, 0x00, 0x5A, 0x80,
                                     0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
const Bytes kDataPiece(std::begin(kBandWithData), std::end(kBandWithData));
const Bytes kBlankPiece = {0x1B, 0x28, 0x46, 0x00, 0x00};

struct SelectionCase {
    int16_t mode;
    int16_t planes;
    std::vector<int> withData;
    Bytes command;                // expected ESC ( L
    std::vector<int> sentPlanes;  // planes whose band goes out, in order
};

TEST_F(BandEmitTest, PlaneListsAndBlackOnlySelections) {
    const Bytes ten = selection({'C', 'M', 'Y', 'k', 'H', 0xC3, 0xCD, 0xD9, 0xEB, 0xC8});
    const std::vector<SelectionCase> cases = {
        {1, 1, {0}, selection({'K'}), {0}},
        {2, 3, {1}, selection({'C', 'M', 'Y'}), {0, 1, 2}},
        {3, 4, {3}, selection({'K'}), {3}},
        {3, 4, {0}, selection({'C', 'M', 'Y', 'K'}), {0, 1, 2, 3}},
        {4, 4, {3}, selection({'k'}), {3}},
        {4, 4, {2, 3}, selection({'C', 'M', 'Y', 'k'}), {0, 1, 2, 3}},
        {5, 5, {3, 4}, selection({'K', 'k'}), {3, 4}},
        {5, 5, {4}, selection({'k'}), {4}},
        {5, 5, {0, 4}, selection({'C', 'M', 'Y', 'K', 'k'}), {0, 1, 2, 3, 4}},
        {6, 6, {5}, selection({'k'}), {5}},
        {6, 6, {3}, selection({'C', 'M', 'Y', 'c', 'm', 'k'}), {0, 1, 2, 3, 4, 5}},
        {7, 10, {3}, selection({'k'}), {3}},
        {7, 10, {8}, ten, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {8, 5, {3}, selection({'k'}), {3}},
        {8, 5, {4}, selection({'C', 'M', 'Y', 'k', 'H'}), {0, 1, 2, 3, 4}},
        {9, 6, {3}, selection({'k'}), {3}},
        {9, 6, {0}, selection({'c', 'm', 'Y', 'k', 'H', 'h'}), {0, 1, 2, 3, 4, 5}},
        {10, 10, {3}, selection({'k'}), {3}},
        {10, 10, {9}, ten, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "class " << c.mode << " first data plane " << c.withData[0]);
        releasePageBuffers(job);
        job->lastColorSet = kSelectionNone;
        job->pendingSkip = 0;
        makeBand(c.mode, c.planes, c.withData);
        std::vector<Bytes> pieces = emit();
        ASSERT_EQ(pieces.size(), 1 + c.sentPlanes.size());
        EXPECT_EQ(pieces[0], c.command);
        for (std::size_t k = 0; k < c.sentPlanes.size(); ++k) {
            int p = c.sentPlanes[k];
            bool has = std::find(c.withData.begin(), c.withData.end(), p) != c.withData.end();
            EXPECT_EQ(pieces[1 + k], has ? kDataPiece : kBlankPiece) << "plane " << p;
        }
    }
}

// Through the entry points, four 1-bit planes with 8-line bands, data on
// the K plane: blank bands are counted and skipped before the next band with
// data, in commands of at most 32767 bands, and the selection goes out only
// when it changes.
class BandEmitStreamTest : public HeapGuardedTest {};

TEST_F(BandEmitStreamTest, SkipsAndSelectionsOfAPage) {
    struct Case {
        std::vector<int32_t> lines;  // K data; a negative number: that line blank
        std::vector<int64_t> bands;  // bands sent with data
        std::vector<int32_t> skips;  // counts of the skip commands
        std::size_t selections;      // ESC ( L commands
    };
    const Case cases[] = {
        {{0, 8}, {0, 1}, {}, 1},                       // the same selection twice
        {{0, -8, 16, -24, 32}, {0, 2, 4}, {1, 1}, 1},  // each blank band skipped once
        {{-3}, {}, {}, 0},                             // nothing but a blank band
        {{0, 8 * (0x7FFF + 101)}, {0, 0x7FFF + 101}, {0x7FFF, 100}, 1},
    };
    const JobSettings s = testjob::makeSettings(15, 0, 16, 300);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "last line " << c.lines.back());
        testjob::ManualJob j;
        ASSERT_EQ(j.initTwo(s), INKBAND_OK);
        ASSERT_EQ(j.initPart(s), INKBAND_OK);
        for (int32_t line : c.lines) {
            std::vector<testjob::PlaneSpec> planes(3, testjob::nullPlane());
            planes.push_back(line < 0 ? testjob::nullPlane() : testjob::plane({0x5A}, 1));
            ASSERT_EQ(j.produce(line < 0 ? -line : line, planes), INKBAND_OK);
            ASSERT_EQ(j.complete(), INKBAND_OK);
        }
        ASSERT_EQ(j.flush(), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        inkband::decode::StreamResult r = inkband::decode::decodeStream(j.stream);
        ASSERT_TRUE(r.status.ok) << r.status.describe();
        ASSERT_EQ(r.pages.size(), 1u);
        const inkband::decode::Page& page = r.pages[0];
        EXPECT_EQ(page.bandsWithData, c.bands);
        std::vector<int32_t> skips;
        for (const inkband::decode::Skip& skip : page.skips) skips.push_back(skip.count);
        EXPECT_EQ(skips, c.skips);
        EXPECT_EQ(page.selections.size(), c.selections);
    }
}

}  // namespace
