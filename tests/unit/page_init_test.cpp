// OutputInitTwo and OutputInitPart: settings, band heights, page buffers,
// the alternate sequence and every allocation failure.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "job/page_buffers.h"
#include "support/heap_guard.h"

using namespace inkband;

namespace {

constexpr long kBandBytes = 62464;
constexpr long kOpenBlocks = 5;  // job, list, piece array, command buffer, cell
const uint8_t kBareHeader[5] = {0x1B, 0x28, 0x46, 0x00, 0x00};

struct Fields {
    int16_t row = 15, column = 0, a = 0, b = 0, c = 0;
    int16_t resolution = 300, alt = 0, width = 100;
};

// A settings record written byte by byte at the fields' offsets.
JobSettings settingsOf(const Fields& f) {
    JobSettings s;
    std::memset(&s, 0xA5, sizeof s);  // the bytes not read are noise
    auto put = [&](int offset, int16_t value) {
        auto* bytes = reinterpret_cast<uint8_t*>(&s);
        bytes[offset] = static_cast<uint8_t>(value & 0xFF);
        bytes[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
    };
    put(2, f.column);
    put(16, f.a);
    put(18, f.resolution);
    put(26, f.alt);
    put(94, f.row);
    put(106, f.b);
    put(108, f.c);
    put(128, f.width);
    return s;
}

class PageInitTest : public HeapGuardedTest {
   protected:
    void TearDown() override {
        OutputClose(&job);
        HeapGuardedTest::TearDown();
    }
    // Opens a job and runs OutputInitTwo with `two`.
    void start(const Fields& two) {
        ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
        JobSettings s = settingsOf(two);
        ASSERT_EQ(OutputInitTwo(&job, &s, INKBAND_SETTINGS_SIZE), INKBAND_OK);
    }
    int16_t initPart(const Fields& f) {
        JobSettings s = settingsOf(f);
        return OutputInitPart(&job, &s);
    }
    int16_t state() const { return job->sequence->state; }
    // Every plane starts the page empty: bare headers, start line states.
    void expectEmptyPlanes() {
        for (int i = 0; i < job->planeCount; ++i) {
            SCOPED_TRACE(testing::Message() << "plane " << i);
            for (const DataChunk* chunk : {&job->planes[i].chain, &job->holdChunks[i]}) {
                ASSERT_NE(chunk->buffer, nullptr);
                EXPECT_EQ(chunk->capacity, kBandBytes);
                EXPECT_EQ(chunk->start, chunk->buffer);
                EXPECT_EQ(chunkLength(*chunk), 5);
                EXPECT_EQ(chunk->savedLength, 5);
                EXPECT_EQ(std::memcmp(chunk->start, kBareHeader, 5), 0);
            }
            for (const LineExtent* e : {&job->planes[i].pending, &job->planes[i].current}) {
                EXPECT_EQ(e->first, 0);
                EXPECT_EQ(e->last, 0);
                EXPECT_EQ(e->lineInBand, -1);
                EXPECT_EQ(e->line, 0);
                EXPECT_EQ(e->band, 0);
                EXPECT_EQ(e->blank, 1);
            }
        }
    }
    OutputJob* job = nullptr;
};

TEST_F(PageInitTest, InitTwoSizeStateAndTableSwitch) {
    JobSettings plain = settingsOf({});
    JobSettings alt = settingsOf({.alt = 1});
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    EXPECT_EQ(OutputInitTwo(&job, nullptr, INKBAND_SETTINGS_SIZE), INKBAND_REFUSED);
    EXPECT_EQ(OutputInitTwo(&job, &plain, 375), INKBAND_REFUSED);
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(job->sequence->table, 0);
    EXPECT_EQ(OutputInitTwo(&job, &plain, INKBAND_SETTINGS_SIZE), INKBAND_OK);
    EXPECT_EQ(state(), 2);
    EXPECT_EQ(OutputInitTwo(&job, &plain, INKBAND_SETTINGS_SIZE), INKBAND_NOT_OFFERED);
    OutputClose(&job);

    // A failing call with the request still switches tables, for good.
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    EXPECT_EQ(OutputInitTwo(&job, &alt, 375), INKBAND_REFUSED);
    EXPECT_EQ(state(), 9);
    EXPECT_EQ(job->sequence->table, 1);
    EXPECT_EQ(OutputInitTwo(&job, &alt, INKBAND_SETTINGS_SIZE), INKBAND_NOT_OFFERED);
    OutputClose(&job);

    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    EXPECT_EQ(OutputInitTwo(&job, &alt, INKBAND_SETTINGS_SIZE), INKBAND_OK);
    EXPECT_EQ(state(), 10);
    EXPECT_EQ(job->altSequence, 1);
}

TEST_F(PageInitTest, InitTwoKeepsTheCodesOfRefusedSettings) {
    JobSettings noMode = settingsOf({.row = 15, .column = 7, .width = -3});
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    EXPECT_EQ(OutputInitTwo(&job, &noMode, INKBAND_SETTINGS_SIZE), INKBAND_REFUSED);
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(job->modeRowCode, 15);
    EXPECT_EQ(job->modeColumnCode, 7);
    EXPECT_EQ(job->lineWidth, -3);
    EXPECT_EQ(liveBlocks(), kOpenBlocks);
}

TEST_F(PageInitTest, InitPartRefusalsChangeNothing) {
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    EXPECT_EQ(initPart({}), INKBAND_WRONG_STATE);  // before OutputInitTwo
    EXPECT_EQ(state(), 1);
    JobSettings s = settingsOf({});
    ASSERT_EQ(OutputInitTwo(&job, &s, INKBAND_SETTINGS_SIZE), INKBAND_OK);
    EXPECT_EQ(OutputInitPart(&job, nullptr), INKBAND_REFUSED);
    EXPECT_EQ(state(), 2);
    EXPECT_EQ(job->pageBuffers, 0);
    EXPECT_EQ(liveBlocks(), kOpenBlocks);
    EXPECT_EQ(initPart({}), INKBAND_OK);
    EXPECT_EQ(initPart({}), INKBAND_WRONG_STATE);  // page already open
    EXPECT_EQ(state(), 3);
}

TEST_F(PageInitTest, BandHeightAndAlternateRequestInTheFirstTable) {
    struct Case {
        int16_t resolution, alt, bandHeight;
    };
    for (Case c : {Case{300, 0, 8}, Case{600, 0, 16}, Case{360, 0, 1}, Case{0, 0, 1},
                   Case{600, 1, 8}, Case{360, 1, 8}}) {
        SCOPED_TRACE(testing::Message() << "resolution " << c.resolution << " alt " << c.alt);
        start({});
        ASSERT_EQ(initPart({.resolution = c.resolution, .alt = c.alt}), INKBAND_OK);
        EXPECT_EQ(job->bandHeight, c.bandHeight);
        EXPECT_EQ(job->altSequence, c.alt);
        EXPECT_EQ(state(), 3);
        EXPECT_EQ(job->sequence->table, 0);
        EXPECT_EQ(job->pageBuffers, 1);
        EXPECT_EQ(job->planeCount, 4);
        expectEmptyPlanes();
        OutputClose(&job);
    }
}

TEST_F(PageInitTest, PageBufferSizes) {
    struct Case {
        Fields f;
        int modeClass;
        std::vector<long> lineBuffers;  // bytes per output plane; 0: none
    };
    const Case cases[] = {
        {{.row = 15, .width = 0}, 3, {1, 1, 1, 1}},
        {{.row = 10, .width = 100}, 3, {26, 26, 14, 14}},
        {{.row = 20, .a = 1, .width = 32767}, 1, {4097}},
        // Ten output planes sized by their own depth, not the source plane's.
        {{.row = 0, .column = 51, .width = 100}, 7, {51, 51, 26, 26, 51, 51, 51, 26, 26, 51}},
        {{.row = 0, .column = 51, .a = 1, .width = 32767},
         10,
         {16385, 16385, 8193, 8193, 16385, 16385, 16385, 8193, 8193, 16385}},
        // Negative widths: the size truncates toward zero; below one byte
        // the plane gets no line buffer.
        {{.row = 5, .width = -1}, 3, {1, 1, 1, 1}},
        {{.row = 5, .width = -4}, 3, {0, 0, 1, 1}},
        {{.row = 5, .width = -16}, 3, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.f.row << " width " << c.f.width);
        start(c.f);
        HeapCounters before = heapCounters();
        ASSERT_EQ(initPart(c.f), INKBAND_OK);
        ASSERT_EQ(job->modeClass, c.modeClass);
        ASSERT_EQ(job->planeCount, static_cast<int16_t>(c.lineBuffers.size()));
        long bytes = 0, blocks = 0;
        for (std::size_t i = 0; i < c.lineBuffers.size(); ++i) {
            EXPECT_EQ(job->lineBuffers[i] != nullptr, c.lineBuffers[i] > 0) << "plane " << i;
            bytes += c.lineBuffers[i] + 2 * kBandBytes;
            blocks += (c.lineBuffers[i] > 0) + 2;
        }
        HeapCounters after = heapCounters();
        EXPECT_EQ(after.liveBytes - before.liveBytes, bytes);
        EXPECT_EQ(after.liveBlocks - before.liveBlocks, blocks);
        expectEmptyPlanes();
        OutputClose(&job);
    }
}

TEST_F(PageInitTest, PlaneShiftsAndTernaryFlags) {
    start({.row = 0, .column = 51});
    ASSERT_EQ(initPart({.row = 0, .column = 51}), INKBAND_OK);
    EXPECT_EQ(job->modeClass, 7);
    EXPECT_EQ(job->sourcePlaneCount, 5);
    const int16_t split[10] = {1, 1, 2, 2, 1, 1, 1, 2, 2, 1};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(job->planes[i].outputShift, split[i]) << i;
        if (i < 5) {
            EXPECT_EQ(job->planes[i].pixelShift, 1) << i;
        }
        EXPECT_EQ(job->planes[i].ternaryFlag, 0) << i;
    }
    OutputClose(&job);

    start({.row = 10});
    ASSERT_EQ(initPart({.row = 10, .b = 1}), INKBAND_OK);  // class 4: 2t 2t 1 2t
    EXPECT_EQ(job->modeClass, 4);
    const int16_t shift[4] = {2, 2, 3, 2};
    const bool ternary[4] = {true, true, false, true};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(job->planes[i].pixelShift, shift[i]) << i;
        EXPECT_EQ(job->planes[i].ternaryFlag != 0, ternary[i]) << i;
    }
}

TEST_F(PageInitTest, ClassZeroOpensAPageWithoutPlanes) {
    start({.row = 20, .a = 1});  // class 1 at job level
    long before = allocations();
    ASSERT_EQ(initPart({.row = 20, .a = 0}), INKBAND_OK);
    EXPECT_EQ(job->modeClass, 0);
    EXPECT_EQ(job->planeCount, 0);
    EXPECT_EQ(job->sourcePlaneCount, 0);
    EXPECT_EQ(allocations(), before);
    EXPECT_EQ(job->chunksPerPlane, 1);
    EXPECT_EQ(job->pageBuffers, 1);
    EXPECT_EQ(state(), 3);
}

TEST_F(PageInitTest, NextPageAllocatesAfreshAndResetsTheBookkeeping) {
    start({});
    ASSERT_EQ(initPart({}), INKBAND_OK);
    // The page's end: its OutputComplete releases the buffers, state 2.
    releasePageBuffers(job);
    job->sequence->state = kStateReady;
    job->lineCommitted = true;
    job->lastLine = 9;
    job->bareProduce = true;
    job->headerState = kHeaderSent;
    job->lastColorSet = kSelectionFull;
    job->lastOp = kLastOpFlush;
    job->pendingSkip = 3;
    ASSERT_EQ(initPart({.resolution = 600}), INKBAND_OK);
    EXPECT_EQ(job->bandHeight, 16);
    EXPECT_EQ(job->lineCommitted, 0);
    EXPECT_EQ(job->lastLine, 0);
    EXPECT_EQ(job->bareProduce, 0);
    EXPECT_EQ(job->headerState, 0);
    EXPECT_EQ(job->lastColorSet, kSelectionNone);
    EXPECT_EQ(job->lastOp, 0);
    EXPECT_EQ(job->pendingSkip, 0);
    EXPECT_EQ(liveBlocks(), kOpenBlocks + 3 * 4);
    expectEmptyPlanes();
}

// Every allocation of an allocating OutputInitPart fails in turn: the call
// reports it, holds nothing, keeps its state, and a repeat succeeds.
TEST_F(PageInitTest, EachAllocationFailureLeavesNothingAndMayBeRepeated) {
    struct Case {
        Fields f;
        int planes;
    };
    for (const Case& c : {Case{{.row = 15}, 4}, Case{{.row = 0, .column = 51}, 10},
                          Case{{.row = 15, .alt = 1}, 4}}) {
        const long perPage = 3L * c.planes;
        const int16_t from = c.f.alt == 1 ? 10 : 2;
        for (long k = 1; k <= perPage + 1; ++k) {
            SCOPED_TRACE(testing::Message()
                         << c.planes << " planes, alt " << c.f.alt << ", failing allocation " << k);
            start(c.f);
            heapFailNth(k);
            int16_t status = initPart(c.f);
            heapFailNth(0);
            if (k > perPage) {
                EXPECT_EQ(status, INKBAND_OK);
                EXPECT_EQ(liveBlocks(), kOpenBlocks + perPage);
            } else {
                EXPECT_EQ(status, INKBAND_NO_MEMORY);
                EXPECT_EQ(state(), from);
                EXPECT_EQ(job->pageBuffers, 0);
                EXPECT_EQ(job->chunksPerPlane, k > c.planes ? 1 : 0);
                EXPECT_EQ(liveBlocks(), kOpenBlocks);
                EXPECT_EQ(initPart(c.f), INKBAND_OK);
                EXPECT_EQ(job->pageBuffers, 1);
                expectEmptyPlanes();
            }
            EXPECT_EQ(state(), from + 1);
            OutputClose(&job);
            EXPECT_EQ(liveBlocks(), 0);
        }
    }
}

// Puts a band's worth of leftovers into every plane, as a page would.
void dirtyPage(OutputJob* job) {
    for (int i = 0; i < job->planeCount; ++i) {
        for (DataChunk* chunk : {&job->planes[i].chain, &job->holdChunks[i]}) {
            chunk->start[3] = 2;
            chunk->writePos += 2;
            chunk->savedLength = 7;
        }
        job->planes[i].pending = LineExtent{1, 3, 4, 12, 1, kLineHasData};
        job->planes[i].current = job->planes[i].pending;
    }
    job->pendingSkip = 5;
    job->lineCommitted = true;
    job->lastLine = 12;
    job->headerState = kHeaderSent;
    job->lastColorSet = kSelectionFull;
    job->lastOp = kLastOpFormFeed;
}

TEST_F(PageInitTest, AlternateSequencePagesReuseTheirBuffers) {
    start({.alt = 1});
    ASSERT_EQ(state(), 10);
    ASSERT_EQ(initPart({.alt = 1}), INKBAND_OK);  // first page: allocates
    EXPECT_EQ(state(), 11);
    EXPECT_EQ(job->pageBuffers, 1);
    EXPECT_EQ(job->bandHeight, 8);
    dirtyPage(job);
    job->sequence->state = kStateAltReady;  // the page's form feed has been completed

    long before = allocations();
    ASSERT_EQ(initPart({.resolution = 600, .alt = 1}), INKBAND_OK);
    EXPECT_EQ(state(), 11);
    EXPECT_EQ(allocations(), before);
    expectEmptyPlanes();
    EXPECT_EQ(job->pendingSkip, 0);
    EXPECT_EQ(job->lineCommitted, 0);
    EXPECT_EQ(job->lastLine, 0);
    // What belongs to the job rather than the page stays.
    EXPECT_EQ(job->bandHeight, 8);
    EXPECT_EQ(job->headerState, 2);
    EXPECT_EQ(job->lastColorSet, kSelectionFull);
    EXPECT_EQ(job->lastOp, 5);
    EXPECT_EQ(job->altSequence, 1);
}

// A later page of the alternate sequence whose settings need other buffers
// than the first page's is refused and changes nothing.
TEST_F(PageInitTest, AlternateSequenceRefusesAnotherMode) {
    struct Case {
        Fields first, next;
    };
    const Case cases[] = {
        {{.row = 10, .column = 51, .alt = 1}, {.row = 10, .column = 51, .a = 1, .alt = 1}},  // 8/10
        {{.row = 5, .alt = 1}, {.row = 5, .c = 1, .alt = 1}},    // class 3 at 4 4 2 1 / 2t 2t 1 1
        {{.row = 20, .a = 1, .alt = 1}, {.row = 20, .alt = 1}},  // class 1 / class 0
        {{.row = 10, .alt = 1}, {.row = 10, .b = 1, .alt = 1}},  // class 3 / class 4
    };
    for (const Case& c : cases) {
        start(c.first);
        ASSERT_EQ(initPart(c.first), INKBAND_OK);
        const int16_t modeClass = job->modeClass, planes = job->planeCount;
        dirtyPage(job);
        job->sequence->state = kStateAltReady;
        PlaneState saved[kMaxPlanes];
        std::memcpy(saved, job->planes, sizeof saved);
        long before = allocations();
        EXPECT_EQ(initPart(c.next), INKBAND_REFUSED) << "class " << modeClass;
        EXPECT_EQ(state(), 10);
        EXPECT_EQ(job->modeClass, modeClass);
        EXPECT_EQ(job->planeCount, planes);
        EXPECT_EQ(std::memcmp(saved, job->planes, sizeof saved), 0);
        EXPECT_EQ(job->pendingSkip, 5);
        EXPECT_EQ(job->lineCommitted, 1);
        EXPECT_EQ(allocations(), before);
        EXPECT_EQ(initPart(c.first), INKBAND_OK);  // the same mode still fits
        EXPECT_EQ(state(), 11);
        OutputClose(&job);
    }
}

}  // namespace
