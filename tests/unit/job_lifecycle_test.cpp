// OutputOpen, OutputInit, OutputProduce and OutputClose.
#include <gtest/gtest.h>

#include <vector>

#include "support/heap_guard.h"
#include "support/manual_job.h"

using namespace testjob;
using inkband::heapFailNth;
using inkband::heapResetCounters;

namespace {

class JobLifecycleTest : public HeapGuardedTest {};

const JobSettings kFourOneBit = makeSettings(15, 0, 16, 300);

std::vector<PlaneSpec> kOnly(uint8_t value) {
    return {nullPlane(), nullPlane(), nullPlane(), plane({value}, 1)};
}

TEST_F(JobLifecycleTest, OpenWithNullSlotFails) {
    EXPECT_EQ(OutputOpen(nullptr), INKBAND_OPEN_FAILED);
    EXPECT_EQ(allocations(), 0);
}

TEST_F(JobLifecycleTest, OpenGivesAJobInStateOneOfTheFirstTable) {
    OutputJob* job = reinterpret_cast<OutputJob*>(0x1);  // overwritten
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(sequenceState(job), 1);
    EXPECT_EQ(liveBlocks(), 5);  // job, list, piece array, command buffer, cell
    EXPECT_EQ(OutputInitTwo(&job, &kFourOneBit, INKBAND_SETTINGS_SIZE), INKBAND_OK);
    EXPECT_EQ(sequenceState(job), 2);
    OutputClose(&job);
    EXPECT_EQ(job, nullptr);
}

TEST_F(JobLifecycleTest, OpenFailingAtEachAllocationHoldsNothing) {
    for (long k = 1; k <= 5; ++k) {
        heapResetCounters();
        heapFailNth(k);
        OutputJob* job = nullptr;
        EXPECT_EQ(OutputOpen(&job), INKBAND_OPEN_FAILED) << "allocation " << k;
        EXPECT_EQ(job, nullptr);
        EXPECT_EQ(liveBlocks(), 0) << "allocation " << k;
    }
    heapResetCounters();
    heapFailNth(6);  // past the last allocation: succeeds
    OutputJob* job = nullptr;
    EXPECT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    heapFailNth(0);
    OutputClose(&job);
}

// OutputInit is refused in every state a job passes through on its way.
TEST_F(JobLifecycleTest, InitAlwaysRefusesAndMovesNothing) {
    ManualJob j;
    auto init = [&](int16_t state) {
        EXPECT_EQ(j.state(), state);
        EXPECT_EQ(OutputInit(), INKBAND_REFUSED);
        EXPECT_EQ(j.state(), state);
    };
    init(1);
    ASSERT_EQ(j.initTwo(kFourOneBit), INKBAND_OK);
    init(2);
    ASSERT_EQ(j.initPart(kFourOneBit), INKBAND_OK);
    init(3);
    auto planes = kOnly(0x01);
    ASSERT_EQ(j.produce(0, planes), INKBAND_OK);
    init(4);
    ASSERT_EQ(j.complete(), INKBAND_OK);
    ASSERT_EQ(j.flush(), INKBAND_OK);
    init(7);
}

// OutputProduce moves a page from state 3 to 4 and sends nothing: the page
// that follows gives the same stream as without it.
TEST_F(JobLifecycleTest, ProduceStepsThreeToFourAndEmitsNothing) {
    auto stream = [](bool bare) {
        ManualJob j;
        EXPECT_EQ(OutputProduce(&j.job), INKBAND_WRONG_STATE);  // state 1
        EXPECT_EQ(j.state(), 1);
        EXPECT_EQ(j.initTwo(kFourOneBit), INKBAND_OK);
        EXPECT_EQ(j.initPart(kFourOneBit), INKBAND_OK);
        for (int32_t line : {0, 9}) {  // the second opens a band
            auto planes = kOnly(static_cast<uint8_t>(line + 1));
            EXPECT_EQ(j.produce(line, planes), INKBAND_OK);
            EXPECT_EQ(j.complete(), INKBAND_OK);
        }
        if (bare) {
            EXPECT_EQ(OutputProduce(&j.job), INKBAND_OK);
            EXPECT_EQ(j.state(), 4);
            EXPECT_EQ(OutputProduce(&j.job), INKBAND_WRONG_STATE);  // twice in a row
            EXPECT_EQ(j.state(), 4);
            EXPECT_EQ(j.complete(), INKBAND_OK);
            EXPECT_EQ(j.state(), 3);
        }
        auto planes = kOnly(0x7F);
        EXPECT_EQ(j.produce(20, planes), INKBAND_OK);
        EXPECT_EQ(j.complete(), INKBAND_OK);
        EXPECT_EQ(j.flush(), INKBAND_OK);
        EXPECT_EQ(j.complete(), INKBAND_OK);
        return j.stream;
    };
    EXPECT_EQ(stream(true), stream(false));
}

TEST_F(JobLifecycleTest, NoJobAndNullSlotAreRefused) {
    OutputJob* empty = nullptr;
    EXPECT_EQ(OutputProduce(&empty), INKBAND_REFUSED);
    EXPECT_EQ(OutputProduce(nullptr), INKBAND_REFUSED);
    JobSettings settings{};
    EXPECT_EQ(OutputInitTwo(&empty, &settings, INKBAND_SETTINGS_SIZE), INKBAND_REFUSED);
    EXPECT_EQ(OutputInitTwo(nullptr, &settings, INKBAND_SETTINGS_SIZE), INKBAND_REFUSED);
    EXPECT_EQ(OutputInitPart(&empty, &settings), INKBAND_REFUSED);
    EXPECT_EQ(OutputInitPart(nullptr, &settings), INKBAND_REFUSED);
    OutputClose(nullptr);
    OutputClose(&empty);
    EXPECT_EQ(empty, nullptr);
}

// A line far down a page of 1-line bands needs a hundred skip commands, more
// than the first command chunk and the first piece array hold; closing the
// job before that line's OutputComplete releases all that was added.
TEST_F(JobLifecycleTest, CloseReleasesAppendedCommandChunks) {
    const JobSettings s = makeSettings(15, 0, 16, 360);
    OutputJob* job = nullptr;
    {
        ManualJob j;
        ASSERT_EQ(j.initTwo(s), INKBAND_OK);
        ASSERT_EQ(j.initPart(s), INKBAND_OK);
        auto planes = kOnly(0x01);
        ASSERT_EQ(j.produce(0, planes), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        const long blocks = liveBlocks();
        planes = kOnly(0x02);
        ASSERT_EQ(j.produce(100 * 32767, planes), INKBAND_OK);
        EXPECT_GT(liveBlocks(), blocks);
        job = j.job;
    }
    EXPECT_NE(job, nullptr);
    EXPECT_EQ(liveBlocks(), 0);
}

}  // namespace
