// OutputOpen, OutputInit, OutputProduce and OutputClose.
#include <gtest/gtest.h>

#include "job/output_job.h"
#include "support/heap_guard.h"

using namespace inkband;

namespace {

class JobLifecycleTest : public HeapGuardedTest {};

TEST_F(JobLifecycleTest, OpenWithNullSlotFails) {
    EXPECT_EQ(OutputOpen(nullptr), INKBAND_OPEN_FAILED);
    EXPECT_EQ(allocations(), 0);
}

TEST_F(JobLifecycleTest, OpenGivesAJobInStateOneOfTheFirstTable) {
    OutputJob* job = reinterpret_cast<OutputJob*>(0x1);  // overwritten
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->sequence->state, 1);
    EXPECT_EQ(job->sequence->table, 0);
    EXPECT_EQ(job->currentList, job->pieceList);
    EXPECT_EQ(job->commandChain.capacity, 80);
    EXPECT_EQ(job->commandChain.writePos, job->commandChain.buffer);
    EXPECT_EQ(job->chunksPerPlane, 0);
    EXPECT_EQ(job->pieceList->count, 0);
    EXPECT_EQ(liveBlocks(), 5);  // job, list, piece array, command buffer, cell
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

TEST_F(JobLifecycleTest, InitAlwaysRefusesAndMovesNothing) {
    OutputJob* job = nullptr;
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    for (SequenceState state :
         {kStateOpened, kStateReady, kStatePageOpen, kStateLineDue, kStateFlushDue}) {
        job->sequence->state = state;
        EXPECT_EQ(OutputInit(), INKBAND_REFUSED);
        EXPECT_EQ(job->sequence->state, state);
    }
    OutputClose(&job);
}

TEST_F(JobLifecycleTest, ProduceStepsThreeToFourAndEmitsNothing) {
    OutputJob* job = nullptr;
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    EXPECT_EQ(OutputProduce(&job), INKBAND_WRONG_STATE);  // state 1
    EXPECT_EQ(job->sequence->state, 1);
    job->sequence->state = kStatePageOpen;
    job->lastOp = kLastOpNewBand;
    EXPECT_EQ(OutputProduce(&job), INKBAND_OK);
    EXPECT_EQ(job->sequence->state, 4);
    EXPECT_EQ(job->lastOp, kLastOpNewBand);
    EXPECT_EQ(job->pieceList->count, 0);
    EXPECT_EQ(job->commandChain.writePos, job->commandChain.start);
    EXPECT_EQ(OutputProduce(&job), INKBAND_WRONG_STATE);  // twice in a row
    EXPECT_EQ(job->sequence->state, 4);
    OutputClose(&job);
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

TEST_F(JobLifecycleTest, CloseReleasesAppendedCommandChunks) {
    OutputJob* job = nullptr;
    ASSERT_EQ(OutputOpen(&job), INKBAND_OPEN_OK);
    job->commandChain.writePos += 3;  // not free
    DataChunk* second = takeFreeChunk(&job->commandChain);
    ASSERT_NE(second, nullptr);
    second->writePos += 3;
    ASSERT_NE(takeFreeChunk(&job->commandChain), nullptr);
    OutputClose(&job);
    EXPECT_EQ(job, nullptr);
}

}  // namespace
