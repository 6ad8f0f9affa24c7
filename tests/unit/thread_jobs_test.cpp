// Jobs on several threads at once: the module keeps no state outside its
// jobs, so each of N jobs run on N threads together gives exactly the stream
// it gives when the jobs run one after another.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "platform/heap.h"
#include "support/heap_guard.h"
#include "support/job_driver.h"
#include "support/page_model.h"

using namespace testjob;
using Bytes = std::vector<uint8_t>;

namespace {

class ThreadJobsTest : public HeapGuardedTest {};

struct ThreadJob {
    std::string name;
    JobSettings settings;
    std::vector<PageSpec> pages;
};

// A job of a few pages in the given mode, with gaps, every kind of plane
// content and, for the alternate sequence, form feeds.
ThreadJob makeJob(const ModeCase& mode, unsigned seed, bool alternate) {
    static const int16_t kResolutions[] = {300, 600, 360};
    std::mt19937 rng(seed);
    const int16_t width = static_cast<int16_t>(8 + rng() % 200);
    const int16_t resolution = kResolutions[seed % 3];
    ThreadJob job{std::string(mode.name) + (alternate ? " alternate" : ""),
                  makeSettings(mode.rowCode, mode.columnCode, width, resolution, mode.optionA,
                               mode.optionB, mode.optionC, alternate ? 1 : 0),
                  {}};
    static const Content kKinds[] = {Content::Null,   Content::BlankByLeft, Content::Empty,
                                     Content::Sparse, Content::Dense,       Content::Runs,
                                     Content::Noise};
    for (int p = 0; p < 3; ++p) {
        PageSpec page;
        page.settings = job.settings;
        page.formFeed = alternate;
        page.formLength = 200;
        int32_t number = static_cast<int32_t>(rng() % 5);
        for (int l = 0; l < 40; ++l) {
            LineSpec line;
            line.line = number;
            for (std::size_t i = 0; i < mode.depths.size(); ++i) {
                int bits = mode.depths[i];
                int maxLevel = mode.ternary[i] ? 2 : (1 << bits) - 1;
                line.planes.push_back(randomPlane(rng, kKinds[rng() % 7], width, bits, maxLevel));
            }
            page.lines.push_back(std::move(line));
            number += rng() % 4 == 0 ? 2 + static_cast<int32_t>(rng() % 30) : 1;
        }
        job.pages.push_back(std::move(page));
    }
    return job;
}

std::vector<ThreadJob> makeJobs() {
    std::vector<ThreadJob> jobs;
    unsigned seed = 4100;
    for (const ModeCase& mode : reachableModes()) jobs.push_back(makeJob(mode, seed++, false));
    jobs.push_back(makeJob(reachableModes()[1], seed++, true));
    jobs.push_back(makeJob(reachableModes()[9], seed++, true));
    return jobs;
}

TEST_F(ThreadJobsTest, ConcurrentJobsSendTheirOwnStreams) {
    const std::vector<ThreadJob> jobs = makeJobs();
    std::vector<Bytes> alone;
    for (const ThreadJob& job : jobs) {
        JobResult r = runJob(job.settings, job.pages);
        ASSERT_TRUE(r.ok) << job.name << ": " << r.failure;
        ASSERT_FALSE(r.stream.empty()) << job.name;
        alone.push_back(std::move(r.stream));
    }

    constexpr int kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<JobResult> together(jobs.size());
        std::vector<long> leaked(jobs.size(), 0);
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (std::size_t j = 0; j < jobs.size(); ++j) {
            threads.emplace_back([&, j] {
                inkband::heapResetCounters();
                // Start together, so that the jobs really overlap.
                ready.fetch_add(1);
                while (ready.load() < static_cast<int>(jobs.size())) std::this_thread::yield();
                together[j] = runJob(jobs[j].settings, jobs[j].pages);
                leaked[j] = inkband::heapCounters().liveBlocks;
            });
        }
        for (std::thread& t : threads) t.join();
        for (std::size_t j = 0; j < jobs.size(); ++j) {
            SCOPED_TRACE(testing::Message() << jobs[j].name << ", round " << round);
            ASSERT_TRUE(together[j].ok) << together[j].failure;
            EXPECT_EQ(together[j].stream, alone[j]);
            EXPECT_EQ(leaked[j], 0) << "blocks left on the job's thread";
        }
    }
}

}  // namespace
