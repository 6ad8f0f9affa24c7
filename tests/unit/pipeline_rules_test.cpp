// The line pipeline's guards: band capacity, piece array growth and its
// 16-bit limit, plane descriptors, line numbers, null arguments, completion
// after a bare step, class 0, the last possible band, and refusal order.
// Every refusal must leave the job exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "decoder/stream_decoder.h"
#include "support/heap_guard.h"
#include "support/job_snapshot.h"
#include "support/manual_job.h"

using namespace testjob;
namespace decode = inkband::decode;
using Bytes = std::vector<uint8_t>;

namespace {

class PipelineRulesTest : public HeapGuardedTest {};

JobSettings fourOneBit(int16_t width, int16_t resolution = 300) {
    return makeSettings(15, 0, width, resolution);
}

std::vector<PlaneSpec> kOnly(Bytes bytes) {
    return {nullPlane(), nullPlane(), nullPlane(), plane(std::move(bytes), 1)};
}

decode::StreamResult decodeOk(const Bytes& stream) {
    decode::StreamResult r = decode::decodeStream(stream);
    EXPECT_TRUE(r.status.ok) << r.status.describe();
    return r;
}

TEST_F(PipelineRulesTest, BandOverflowIsRefusedAndTheBandStaysUsable) {
    // Four 4-bit noise lines of 32767 pixels fill most of a 62464-byte band
    // chunk; the fifth does not fit with the rest of its band reserved.
    JobSettings s = makeSettings(5, 0, 32767, 600);  // 4 4 2 1, 16-line bands
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    std::mt19937 rng(7);
    auto noise = [&] {
        Bytes b(16384);
        for (auto& x : b) x = static_cast<uint8_t>(rng() | 0x11);
        std::vector<PlaneSpec> planes = {plane(b, 4), nullPlane(), nullPlane(), nullPlane()};
        planes[0].width = 32767;
        return planes;
    };
    int accepted = 0;
    int16_t status = INKBAND_OK;
    for (int32_t line = 0; line < 16 && status == INKBAND_OK; ++line) {
        auto planes = noise();
        inkband::LineExtent before{};
        JobSnapshot snap = snapshot(j.job);
        status = j.produce(line, planes);
        if (status == INKBAND_OK) {
            ++accepted;
            ASSERT_EQ(j.complete(), INKBAND_OK);
        } else {
            EXPECT_EQ(status, INKBAND_NO_MEMORY);
            EXPECT_TRUE(snapshot(j.job) == snap) << "a refused line changed the job";
            EXPECT_EQ(j.state(), 3);
            (void)before;
            // A narrower line of the same band still fits.
            std::vector<PlaneSpec> narrow = {plane({0x12, 0x34}, 4), nullPlane(), nullPlane(),
                                             nullPlane()};
            ASSERT_EQ(j.produce(line, narrow), INKBAND_OK);
            ASSERT_EQ(j.complete(), INKBAND_OK);
        }
    }
    EXPECT_EQ(accepted, 3);
    ASSERT_EQ(j.flush(), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    decode::StreamResult r = decodeOk(j.stream);
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_EQ(r.pages[0].planes.at('C').lines.size(), 4u);
}

// A page whose widest lines, coded at their largest, fit a band chunk
// sixteen times over skips the room check.  At the widest such width a band
// of lines that code to long literals in every plane must stay inside each
// band and hold chunk, and one pixel more must bring the check back.
TEST_F(PipelineRulesTest, WidestLinesWithoutARoomCheckStayInTheirChunks) {
    auto fitsWithoutCheck = [](int16_t width) {
        JobSettings s = makeSettings(5, 0, width, 600);  // 4 4 2 1, 16-line bands
        ManualJob j;
        EXPECT_EQ(j.initTwo(s), INKBAND_OK);
        EXPECT_EQ(j.initPart(s), INKBAND_OK);
        return j.job->bandsAlwaysFit != 0;
    };
    int16_t fits = 8, fails = 32767;
    ASSERT_TRUE(fitsWithoutCheck(fits));
    ASSERT_FALSE(fitsWithoutCheck(fails));
    while (fails - fits > 1) {
        const auto middle = static_cast<int16_t>((fits + fails) / 2);
        (fitsWithoutCheck(middle) ? fits : fails) = middle;
    }

    JobSettings s = makeSettings(5, 0, fits, 600);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    const int depths[4] = {4, 4, 2, 1};
    for (int32_t line = 0; line < 32; ++line) {
        std::vector<PlaneSpec> planes;
        for (int depth : depths) {
            // Pixels of levels 1 and 2 only (a ternary plane keeps them), no
            // two neighbouring bytes alike.
            Bytes b((fits * depth + 7) / 8);
            for (std::size_t k = 0; k < b.size(); ++k) b[k] = k % 2 == 0 ? 0x55 : 0x6A;
            planes.push_back(plane(b, depth));
            planes.back().width = fits;
        }
        ASSERT_EQ(j.produce(line, planes), INKBAND_OK) << "line " << line;
        for (int i = 0; i < 4; ++i) {
            for (const inkband::DataChunk* chunk : {&j.job->planes[i].chain, &j.job->holdChunks[i]})
                ASSERT_LE(chunk->writePos - chunk->buffer, chunk->capacity) << "plane " << i;
        }
        ASSERT_EQ(j.complete(), INKBAND_OK);
    }
    ASSERT_EQ(j.flush(), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    decode::StreamResult r = decodeOk(j.stream);
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_EQ(r.pages[0].planes.at('C').lines.size(), 32u);
}

TEST_F(PipelineRulesTest, LongJumpGrowsThePieceArray) {
    // 1-line bands; a jump of 100 x 32767 bands needs 100 skip commands in
    // one call, more than the 108-entry piece array holds with the rest.
    JobSettings s = fourOneBit(16, 360);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    auto planes = kOnly({0x01, 0x00});
    ASSERT_EQ(j.produce(0, planes), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    const int32_t far = 100 * 32767 + 1000;
    planes = kOnly({0x80, 0x00});
    ASSERT_EQ(j.produce(far, planes), INKBAND_OK);
    EXPECT_EQ(j.lastPieces.size(), 2u + 101u);  // selection, band, skips
    ASSERT_EQ(j.complete(), INKBAND_OK);
    ASSERT_EQ(j.flush(), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    decode::StreamResult r = decodeOk(j.stream);
    ASSERT_EQ(r.pages.size(), 1u);
    const auto& k = r.pages[0].planes.at('K');
    EXPECT_EQ(k.line(0), (Bytes{0x01}));
    EXPECT_EQ(k.line(far), (Bytes{0x80}));
    EXPECT_EQ(r.pages[0].skippedBands, far - 1);
}

TEST_F(PipelineRulesTest, LinesAllocateNothingAndLongSkipsGiveTheirChunksBack) {
    // 8-line bands, a line every third band, K and C by turns: every line
    // sends a skip, a plane selection and a band.
    JobSettings s = fourOneBit(64);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    auto lineAt = [&](int32_t line, int k) {
        std::vector<PlaneSpec> planes =
            k % 2 == 0 ? kOnly(Bytes(8, 0x3C))
                       : std::vector<PlaneSpec>{plane(Bytes(8, 0x3C), 1), nullPlane(), nullPlane(),
                                                nullPlane()};
        ASSERT_EQ(j.produce(line, planes), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
    };
    for (int k = 0; k < 4; ++k) lineAt(24 * k, k);
    const long settled = allocations();
    for (int k = 4; k < 200; ++k) lineAt(24 * k, k);
    EXPECT_EQ(allocations(), settled) << "lines allocated";
    EXPECT_GE(j.lastPieces.size(), 3u);

    // A jump of 2000 skip commands takes a chunk each; once acknowledged,
    // only a few stay with the job.
    const long live = liveBlocks();
    lineAt(24 * 200 + 8 * 2000 * 32767, 200);
    EXPECT_LE(liveBlocks(), live + 2 * 8) << "skip chunks kept after OutputComplete";
    lineAt(24 * 200 + 8 * 2000 * 32767 + 24, 201);
    ASSERT_EQ(j.flush(), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    decode::StreamResult r = decodeOk(j.stream);
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_EQ(r.pages[0].planes.at('K').line(24 * 198), Bytes(8, 0x3C));
}

TEST_F(PipelineRulesTest, CallNeedingMoreThan32767PiecesIsRefused) {
    JobSettings s = fourOneBit(16, 360);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    auto planes = kOnly({0x01, 0x00});
    ASSERT_EQ(j.produce(0, planes), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    JobSnapshot snap = snapshot(j.job);
    planes = kOnly({0x01, 0x00});
    EXPECT_EQ(j.produce(2000000000, planes), INKBAND_REFUSED);
    EXPECT_TRUE(snapshot(j.job) == snap);
    planes = kOnly({0x01, 0x00});
    EXPECT_EQ(j.produce(5, planes), INKBAND_OK);
    EXPECT_EQ(j.complete(), INKBAND_OK);
}

TEST_F(PipelineRulesTest, LastPossibleBandIsEmittedOnce) {
    // Reaching band 2147483647 of 1-line bands in jumps that each stay
    // within the piece limit; the flush must still send that last band.
    JobSettings s = fourOneBit(16, 360);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    for (int32_t line : {0, 1000000000, 2000000000, INT32_MAX}) {
        auto planes = kOnly({0x00, 0x01});
        ASSERT_EQ(j.produce(line, planes), INKBAND_OK) << line;
        ASSERT_EQ(j.complete(), INKBAND_OK);
    }
    ASSERT_EQ(j.flush(), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    decode::StreamResult r = decodeOk(j.stream);
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_EQ(r.pages[0].planes.at('K').line(INT32_MAX), (Bytes{0x00, 0x01}));
    EXPECT_EQ(r.pages[0].bandsWithData.size(), 4u);
}

struct DescriptorCase {
    const char* what;
    int16_t width, left, right;
};

TEST_F(PipelineRulesTest, BadDescriptorsAreRefusedBeforeAnythingIsTouched) {
    const DescriptorCase cases[] = {
        {"negative left", 16, -1, 0},       {"negative right", 16, 0, -3},
        {"left + right > width", 16, 9, 8}, {"width > lineWidth", 17, 0, 0},
        {"negative width", -8, 0, -9},      {"huge right", 16, 0, 32767},
    };
    JobSettings s = fourOneBit(16);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    auto good = kOnly({0x0F, 0xF0});
    ASSERT_EQ(j.produce(0, good), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    for (const DescriptorCase& c : cases) {
        SCOPED_TRACE(c.what);
        // The planes before the bad one hold data: they are looked at first.
        std::vector<PlaneSpec> planes = {plane({0x01, 0x80}, 1), plane({0x30}, 1),
                                         plane({0x00, 0x07}, 1), plane({0xFF, 0xFF, 0xFF}, 1)};
        planes[3].width = c.width;
        planes[3].left = c.left;
        planes[3].right = c.right;
        JobSnapshot snap = snapshot(j.job);
        EXPECT_EQ(j.produce(1, planes), INKBAND_REFUSED);
        EXPECT_TRUE(snapshot(j.job) == snap);
        EXPECT_EQ(j.state(), 3);
    }
}

TEST_F(PipelineRulesTest, EmptySpanIsBlankAndItsStrayBitsAreNotSent) {
    JobSettings s = fourOneBit(16);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    auto planes = kOnly({0xFF, 0xFF});
    planes[3].left = 3;
    planes[3].right = 13;  // no pixel in the span
    ASSERT_EQ(j.produce(0, planes), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    ASSERT_EQ(j.flush(), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    decode::StreamResult r = decodeOk(j.stream);
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_TRUE(r.pages[0].bandsWithData.empty());
}

TEST_F(PipelineRulesTest, LineNumbersMustIncreaseWithinAPage) {
    JobSettings s = fourOneBit(16);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    auto planes = kOnly({0x01, 0x00});
    EXPECT_EQ(j.produce(-1, planes), INKBAND_REFUSED);
    ASSERT_EQ(j.produce(20, planes), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    for (int32_t bad : {20, 19, 3, 0}) {
        JobSnapshot snap = snapshot(j.job);
        EXPECT_EQ(j.produce(bad, planes), INKBAND_REFUSED) << bad;
        EXPECT_TRUE(snapshot(j.job) == snap);
    }
    EXPECT_EQ(j.produce(21, planes), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    // A new page starts its numbering again.
    ASSERT_EQ(j.flush(), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    EXPECT_EQ(j.produce(0, planes), INKBAND_OK);
    EXPECT_EQ(j.complete(), INKBAND_OK);
}

TEST_F(PipelineRulesTest, NullArgumentsAndRefusalOrder) {
    JobSettings s = fourOneBit(16);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    RasterLine line{};
    PieceList* list = nullptr;
    // Not yet allowed: the sequence check comes before the null checks.
    EXPECT_EQ(OutputProduceTwo(&j.job, nullptr, &list), INKBAND_WRONG_STATE);
    EXPECT_EQ(OutputFlush(&j.job, nullptr), INKBAND_WRONG_STATE);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    EXPECT_EQ(OutputProduceTwo(&j.job, nullptr, &list), INKBAND_REFUSED);
    EXPECT_EQ(OutputProduceTwo(&j.job, &line, nullptr), INKBAND_REFUSED);
    EXPECT_EQ(OutputFlush(&j.job, nullptr), INKBAND_REFUSED);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(j.state(), 3);
    // A bad descriptor in a job whose line also may not come now: -256 first.
    auto planes = kOnly({0x01});
    planes[3].left = -1;
    ASSERT_EQ(j.produce(0, planes), INKBAND_REFUSED);
    auto ok = kOnly({0x01, 0x00});
    ASSERT_EQ(j.produce(0, ok), INKBAND_OK);
    EXPECT_EQ(j.produce(1, planes), INKBAND_WRONG_STATE);
    EXPECT_EQ(j.complete(), INKBAND_OK);
}

TEST_F(PipelineRulesTest, CompleteAfterABareProduceCommitsNothing) {
    // The same page with and without bare steps between its lines gives
    // the same stream.
    auto run = [](bool bare) {
        JobSettings s = fourOneBit(16);
        ManualJob j;
        EXPECT_EQ(j.initTwo(s), INKBAND_OK);
        EXPECT_EQ(j.initPart(s), INKBAND_OK);
        for (int32_t line : {1, 9, 30}) {
            auto planes = kOnly({static_cast<uint8_t>(line), 0x00});
            EXPECT_EQ(j.produce(line, planes), INKBAND_OK);
            EXPECT_EQ(j.complete(), INKBAND_OK);
            if (bare) {
                EXPECT_EQ(OutputProduce(&j.job), INKBAND_OK);
                EXPECT_EQ(j.complete(), INKBAND_OK);
            }
        }
        EXPECT_EQ(j.flush(), INKBAND_OK);
        if (bare) {
            // A bare step cannot follow a flush; the page ends normally.
            EXPECT_EQ(OutputProduce(&j.job), INKBAND_WRONG_STATE);
        }
        EXPECT_EQ(j.complete(), INKBAND_OK);
        return j.stream;
    };
    Bytes plain = run(false);
    EXPECT_EQ(run(true), plain);
    decodeOk(plain);
}

TEST_F(PipelineRulesTest, ClassZeroPageYieldsItsHeaderOnly) {
    // The job's codes give class 1 only with option A; a page without it
    // resolves to class 0: no planes, and flush must not hang.
    JobSettings job = makeSettings(20, 0, 16, 300, 1);
    JobSettings page = makeSettings(20, 0, 16, 300, 0);
    ManualJob j;
    ASSERT_EQ(j.initTwo(job), INKBAND_OK);
    ASSERT_EQ(j.initPart(page), INKBAND_OK);
    RasterLine line{};
    line.line = 3;
    PieceList* list = nullptr;
    int16_t status = OutputProduceTwo(&j.job, &line, &list);
    ASSERT_EQ(j.take(status, list), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    ASSERT_EQ(j.flush(), INKBAND_OK);
    EXPECT_TRUE(j.lastPieces.empty());
    ASSERT_EQ(j.complete(), INKBAND_OK);
    ASSERT_EQ(j.initPart(page), INKBAND_OK);
    ASSERT_EQ(j.flush(), INKBAND_OK);  // a page without lines: its header alone
    ASSERT_EQ(j.complete(), INKBAND_OK);
    j.stream.resize(std::min<std::size_t>(j.stream.size(), 12));
    EXPECT_EQ(j.stream,
              (Bytes{0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x4A, 0x01, 0x00, 0x08}));
}

TEST_F(PipelineRulesTest, FlushOfAnEmptyPageSendsTheHeaderAlone) {
    JobSettings s = fourOneBit(16, 600);
    ManualJob j;
    ASSERT_EQ(j.initTwo(s), INKBAND_OK);
    ASSERT_EQ(j.initPart(s), INKBAND_OK);
    ASSERT_EQ(j.flush(), INKBAND_OK);
    EXPECT_EQ(j.state(), 7);
    ASSERT_EQ(j.lastPieces.size(), 1u);
    EXPECT_EQ(j.lastPieces[0].back(), 0x10);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    EXPECT_EQ(j.state(), 2);
    auto planes = kOnly({0x01, 0x00});
    EXPECT_EQ(j.produce(0, planes), INKBAND_WRONG_STATE);  // page buffers are gone
}

TEST_F(PipelineRulesTest, AllocationFailureInAProducingCallChangesNothing) {
    // A line that emits a band after skipped bands needs command chunks;
    // fail each allocation of that call in turn.
    JobSettings s = fourOneBit(16);
    ManualJob reference;
    auto runPrefix = [&](ManualJob& j) {
        ASSERT_EQ(j.initTwo(s), INKBAND_OK);
        ASSERT_EQ(j.initPart(s), INKBAND_OK);
        auto planes = kOnly({0x01, 0x00});
        ASSERT_EQ(j.produce(40, planes), INKBAND_OK);  // bands 0..4 skipped
        ASSERT_EQ(j.complete(), INKBAND_OK);
    };
    auto bigLine = [] {
        auto planes = kOnly({0x00, 0x01});
        planes[0] = plane({0xAA, 0x00}, 1);
        return planes;
    };
    runPrefix(reference);
    long before = allocations();
    auto planes = bigLine();
    ASSERT_EQ(reference.produce(1000, planes), INKBAND_OK);
    long needed = allocations() - before;
    ASSERT_GT(needed, 0);
    ASSERT_EQ(reference.complete(), INKBAND_OK);
    ASSERT_EQ(reference.flush(), INKBAND_OK);
    ASSERT_EQ(reference.complete(), INKBAND_OK);

    for (long k = 1; k <= needed; ++k) {
        SCOPED_TRACE(testing::Message() << "allocation " << k);
        ManualJob j;
        runPrefix(j);
        JobSnapshot snap = snapshot(j.job);
        inkband::heapFailNth(k);
        auto p = bigLine();
        EXPECT_EQ(j.produce(1000, p), INKBAND_NO_MEMORY);
        inkband::heapFailNth(0);
        EXPECT_TRUE(snapshot(j.job) == snap);
        p = bigLine();
        ASSERT_EQ(j.produce(1000, p), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        ASSERT_EQ(j.flush(), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        EXPECT_EQ(j.stream, reference.stream);
    }
}

}  // namespace
