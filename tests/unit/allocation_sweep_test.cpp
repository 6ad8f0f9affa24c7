// Allocation-failure sweep: a multi-page job in every reachable mode class,
// and an alternate-sequence job with form feeds, run once to count its
// allocations and then once more for every one of them with that allocation
// failing.  The call that meets the failure must report it with its status
// (OutputOpen -32506, every other entry point -108), the job must close
// without a live block, and a job that repeats the refused call and goes on
// must send exactly the stream of the run without failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "decoder/stream_decoder.h"
#include "platform/heap.h"
#include "support/heap_guard.h"
#include "support/job_driver.h"
#include "support/page_model.h"

using namespace testjob;
namespace decode = inkband::decode;
using Bytes = std::vector<uint8_t>;

namespace {

struct Call {
    enum Kind { Open, InitTwo, InitPart, Line, Complete, Flush, FormFeed, Close } kind;
    JobSettings settings{};
    LineSpec line;
    int32_t formLength = 0;
};

Call call(Call::Kind kind, const JobSettings& settings = JobSettings{}) {
    Call c{kind, settings, LineSpec{}, 0};
    return c;
}

const char* nameOf(Call::Kind kind) {
    static const char* const kNames[] = {"OutputOpen",       "OutputInitTwo",  "OutputInitPart",
                                         "OutputProduceTwo", "OutputComplete", "OutputFlush",
                                         "OutputFormFeed",   "OutputClose"};
    return kNames[kind];
}

struct Outcome {
    Bytes stream;
    int failures = 0;   // calls that reported a failed allocation
    std::string first;  // the first of them
    std::string wrong;  // a call whose status was not the one expected
};

enum class AfterFailure { Continue, Close };

class Driver {
   public:
    Outcome outcome;

    // Runs the calls; a failed allocation is reported by the call that met
    // it, and the job is then closed or the call repeated once.
    void run(const std::vector<Call>& calls, AfterFailure after) {
        for (const Call& call : calls) {
            if (!wrongCall().empty()) break;
            long liveBefore = inkband::heapCounters().liveBlocks;
            int32_t status = perform(call);
            if (status == success(call.kind)) continue;
            if (status != failure(call.kind)) {
                outcome.wrong = std::string(nameOf(call.kind)) + " returned " +
                                std::to_string(status) + " where no allocation may fail";
                break;
            }
            if (++outcome.failures == 1) outcome.first = nameOf(call.kind);
            if (call.kind == Call::InitPart && inkband::heapCounters().liveBlocks != liveBefore) {
                outcome.wrong = "a refused OutputInitPart kept blocks";
                break;
            }
            if (after == AfterFailure::Close) break;
            status = perform(call);
            if (status != success(call.kind)) {
                outcome.wrong =
                    std::string(nameOf(call.kind)) + " repeated returned " + std::to_string(status);
                break;
            }
        }
        OutputClose(&job_);
    }

   private:
    OutputJob* job_ = nullptr;

    const std::string& wrongCall() const { return outcome.wrong; }

    static int32_t success(Call::Kind kind) {
        return kind == Call::Open ? INKBAND_OPEN_OK : INKBAND_OK;
    }
    static int32_t failure(Call::Kind kind) {
        switch (kind) {
            case Call::Open:
                return INKBAND_OPEN_FAILED;
            case Call::InitPart:
            case Call::Line:
            case Call::Flush:
            case Call::FormFeed:
                return INKBAND_NO_MEMORY;
            default:
                return INKBAND_OK;  // never allocates, so never fails
        }
    }

    void take(int16_t status, const PieceList* list) {
        if (status != INKBAND_OK) return;
        for (const auto& piece : piecesOf(list))
            outcome.stream.insert(outcome.stream.end(), piece.begin(), piece.end());
    }

    int32_t perform(const Call& call) {
        PieceList* list = nullptr;
        int16_t status = INKBAND_OK;
        switch (call.kind) {
            case Call::Open:
                return OutputOpen(&job_);
            case Call::InitTwo:
                return OutputInitTwo(&job_, &call.settings, INKBAND_SETTINGS_SIZE);
            case Call::InitPart:
                return OutputInitPart(&job_, &call.settings);
            case Call::Line: {
                // Fresh copies each time: the ten-plane modes rewrite them.
                std::vector<Bytes> bytes;
                for (const PlaneSpec& p : call.line.planes) bytes.push_back(p.bytes);
                RasterLine raster{};
                raster.line = call.line.line;
                for (std::size_t i = 0; i < call.line.planes.size(); ++i) {
                    const PlaneSpec& p = call.line.planes[i];
                    raster.planes[i] = {p.null ? nullptr : bytes[i].data(), p.width, p.left,
                                        p.right, 0};
                }
                status = OutputProduceTwo(&job_, &raster, &list);
                break;
            }
            case Call::Complete:
                return OutputComplete(&job_);
            case Call::Flush:
                status = OutputFlush(&job_, &list);
                break;
            case Call::FormFeed:
                status = OutputFormFeed(&job_, &list, call.formLength);
                break;
            case Call::Close:
                OutputClose(&job_);
                return INKBAND_OK;
        }
        take(status, list);
        return status;
    }
};

struct SweepJob {
    std::string name;
    std::vector<Call> calls;
};

constexpr int16_t kWidth = 40;

LineSpec randomLine(std::mt19937& rng, const ModeCase& mode, int32_t number) {
    static const Content kKinds[] = {Content::Null,  Content::Sparse, Content::Dense,
                                     Content::Runs,  Content::Noise,  Content::BlankByLeft,
                                     Content::Dense, Content::Empty};
    LineSpec line;
    line.line = number;
    for (std::size_t i = 0; i < mode.depths.size(); ++i) {
        int bits = mode.depths[i];
        int maxLevel = mode.ternary[i] ? 2 : (1 << bits) - 1;
        Content kind = kKinds[(number + i) % 8];
        line.planes.push_back(randomPlane(rng, kind, kWidth, bits, maxLevel));
    }
    return line;
}

void addLines(std::vector<Call>& calls, std::mt19937& rng, const ModeCase& mode,
              std::initializer_list<int32_t> numbers) {
    for (int32_t number : numbers) {
        Call line = call(Call::Line);
        line.line = randomLine(rng, mode, number);
        calls.push_back(line);
        calls.push_back(call(Call::Complete));
    }
}

// Two ordinary pages: lines in one band, a band change, a gap of skipped
// bands, and on the 1-line-band job a jump long enough that one call sends
// more pieces than the piece array first holds.
SweepJob ordinaryJob(const ModeCase& mode, int16_t resolution, bool longJump) {
    std::mt19937 rng(static_cast<unsigned>(mode.modeClass * 1000 + resolution));
    JobSettings s = makeSettings(mode.rowCode, mode.columnCode, kWidth, resolution, mode.optionA,
                                 mode.optionB, mode.optionC);
    SweepJob job{std::string(mode.name) + " at " + std::to_string(resolution), {}};
    auto& calls = job.calls;
    calls.push_back(call(Call::Open));
    calls.push_back(call(Call::InitTwo, s));
    calls.push_back(call(Call::InitPart, s));
    addLines(calls, rng, mode, {0, 1, 3, 9, 17, 60});
    if (longJump) addLines(calls, rng, mode, {4000000});
    calls.push_back(call(Call::Flush));
    calls.push_back(call(Call::Complete));
    calls.push_back(call(Call::InitPart, s));
    addLines(calls, rng, mode, {2, 40, 41});
    calls.push_back(call(Call::Flush));
    calls.push_back(call(Call::Complete));
    calls.push_back(call(Call::Close));
    return job;
}

// The alternate sequence: pages ended by form feeds on kept buffers, the job
// ended by a flush.
SweepJob alternateJob(const ModeCase& mode) {
    std::mt19937 rng(77);
    JobSettings s = makeSettings(mode.rowCode, mode.columnCode, kWidth, 300, mode.optionA,
                                 mode.optionB, mode.optionC, 1);
    SweepJob job{std::string(mode.name) + " alternate", {}};
    auto& calls = job.calls;
    calls.push_back(call(Call::Open));
    calls.push_back(call(Call::InitTwo, s));
    for (int page = 0; page < 3; ++page) {
        calls.push_back(call(Call::InitPart, s));
        addLines(calls, rng, mode, {0, 5, 12, 30});
        Call feed = call(Call::FormFeed);
        feed.formLength = page == 1 ? 16 : 40;  // page 1 drops its last band
        calls.push_back(feed);
        calls.push_back(call(Call::Complete));
    }
    calls.push_back(call(Call::Flush));
    calls.push_back(call(Call::Complete));
    calls.push_back(call(Call::Close));
    return job;
}

std::vector<SweepJob> sweepJobs() {
    std::vector<SweepJob> jobs;
    const int16_t kResolutions[] = {300, 600, 360};
    std::vector<int> seen;
    for (const ModeCase& mode : reachableModes()) {
        if (std::find(seen.begin(), seen.end(), mode.modeClass) != seen.end()) continue;
        seen.push_back(mode.modeClass);
        int16_t resolution = kResolutions[seen.size() % 3];
        jobs.push_back(ordinaryJob(mode, resolution, resolution == 360));
    }
    jobs.push_back(alternateJob(reachableModes()[1]));
    return jobs;
}

class AllocationSweepTest : public HeapGuardedTest {};

TEST_F(AllocationSweepTest, EveryAllocationOfEveryModeClassMayFail) {
    long swept = 0;
    std::vector<SweepJob> jobs = sweepJobs();
    ASSERT_EQ(jobs.size(), 8u) << "seven mode classes and the alternate sequence";
    for (const SweepJob& job : jobs) {
        SCOPED_TRACE(job.name);
        inkband::heapResetCounters();
        Driver reference;
        reference.run(job.calls, AfterFailure::Continue);
        ASSERT_EQ(reference.outcome.failures, 0);
        ASSERT_TRUE(reference.outcome.wrong.empty()) << reference.outcome.wrong;
        const long count = inkband::heapCounters().allocations;
        ASSERT_EQ(inkband::heapCounters().liveBlocks, 0);
        decode::StreamResult decoded = decode::decodeStream(reference.outcome.stream);
        ASSERT_TRUE(decoded.status.ok) << decoded.status.describe();
        ASSERT_GT(count, 0);

        for (long k = 1; k <= count; ++k) {
            for (AfterFailure after : {AfterFailure::Continue, AfterFailure::Close}) {
                SCOPED_TRACE(
                    testing::Message()
                    << "allocation " << k << " of " << count
                    << (after == AfterFailure::Close ? ", closed after it" : ", repeated"));
                inkband::heapResetCounters();
                inkband::heapFailNth(k);
                Driver failing;
                failing.run(job.calls, after);
                inkband::heapFailNth(0);
                const Outcome& o = failing.outcome;
                ASSERT_TRUE(o.wrong.empty()) << o.wrong;
                ASSERT_EQ(o.failures, 1) << "the failed allocation was not reported exactly once";
                ASSERT_EQ(inkband::heapCounters().liveBlocks, 0) << "after " << o.first;
                if (after == AfterFailure::Continue) {
                    ASSERT_EQ(o.stream, reference.outcome.stream) << "after " << o.first;
                }
            }
        }
        swept += count;
    }
    RecordProperty("allocationPointsSwept", static_cast<int>(swept));
    EXPECT_GT(swept, 200);
}

}  // namespace
