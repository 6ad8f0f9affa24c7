// Benchmarks of the module against the costs around it, each measured side
// by side in one run so that the ratios hold on a noisy machine:
//   Pipeline/<page>/<mode>   a whole one-page job through the public entry
//                            points vs memcpy of the same plane bytes; the
//                            module is the first to read each line
//   HostLine/<page>/<mode>   the same job as a rendering host runs it: each
//                            line is written into the host's line buffer
//                            just before the module gets it; the module's
//                            share (run with its calls less the run without)
//                            vs memcpy of the page
//   EncodeRuns/<buffer>      encodeRuns alone vs libtiff's PackBits encoder
//                            on the same rows
//   JobMemory/<page>/<mode>  allocations per line and the peak heap of a
//                            1-page and a 20-page job
// Caches are flushed before every measured step, so each one reads its
// input from memory.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "bench_data.h"
#include "host_page.h"
#include "job_runner.h"
#include "platform/heap.h"

using namespace inkband::bench;

namespace {

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// Writing twice the last-level cache pushes every earlier byte out of it.
void flushCaches() {
    static std::vector<uint8_t> junk(64u << 20, 1);
    static uint8_t round = 0;
    ++round;
    for (std::size_t i = 0; i < junk.size(); i += 64) junk[i] = round;
    benchmark::ClobberMemory();
}

// Seconds one run of step takes, its input first pushed out of the caches.
template <typename Step>
double coldSeconds(Step step) {
    flushCaches();
    const Clock::time_point start = Clock::now();
    step();
    benchmark::ClobberMemory();
    return secondsBetween(start, Clock::now());
}

double memcpySeconds(std::vector<uint8_t>* copy, const HostPage& host) {
    return coldSeconds(
        [&] { std::memcpy(copy->data(), host.planeBytes.data(), host.rasterBytes); });
}

constexpr double kMega = 1e6;

void pipeline(benchmark::State& state, const std::string& pageName, const HostMode* mode) {
    HostPage host = makeHostPage(benchPage(pageName), *mode);
    std::vector<uint8_t> copy(host.rasterBytes, 1);
    JobStats stats;
    benchRunJob(&host, 1, &stats, nullptr);
    if (stats.failedCalls != 0) {
        state.SkipWithError("a call of the job failed");
        return;
    }
    double inPipeline = 0;
    double inMemcpy = 0;
    for (auto _ : state) {
        inMemcpy += memcpySeconds(&copy, host);
        const double job =
            coldSeconds([&] { benchmark::DoNotOptimize(benchRunJob(&host, 1, nullptr, nullptr)); });
        inPipeline += job;
        state.SetIterationTime(job);
    }
    const double mb = static_cast<double>(host.rasterBytes) * state.iterations() / kMega;
    state.counters["MB/s"] = mb / inPipeline;
    state.counters["memcpy_MB/s"] = mb / inMemcpy;
    state.counters["vs_memcpy"] = inMemcpy / inPipeline;
    state.counters["in_MB"] = host.rasterBytes / kMega;
    state.counters["out_KB"] = stats.outputBytes / 1e3;
}

// The host's view: every line was just written into the host's line buffer
// when the module gets it (see benchRunJobFromLineBuffer), so what the module
// costs is the run with its calls less the same run without them.
void hostLine(benchmark::State& state, const std::string& pageName, const HostMode* mode) {
    HostPage host = makeHostPage(benchPage(pageName), *mode);
    std::vector<uint8_t> copy(host.rasterBytes, 1);
    std::vector<uint8_t> lineBuffer(host.rasterBytes / host.lines.size());
    if (benchRunJobFromLineBuffer(&host, lineBuffer.data(), true) !=
        benchRunJob(&host, 1, nullptr, nullptr)) {
        state.SkipWithError("the line-buffer job coded other bytes");
        return;
    }
    double inModule = 0;
    double inMemcpy = 0;
    double inCopies = 0;
    auto hostJob = [&](bool callModule) {
        return coldSeconds([&] {
            benchmark::DoNotOptimize(
                benchRunJobFromLineBuffer(&host, lineBuffer.data(), callModule));
        });
    };
    for (auto _ : state) {
        inMemcpy += memcpySeconds(&copy, host);
        const double copies = hostJob(false);
        const double module = hostJob(true) - copies;
        inCopies += copies;
        inModule += module;
        state.SetIterationTime(module > 0 ? module : 0);
    }
    const double mb = static_cast<double>(host.rasterBytes) * state.iterations() / kMega;
    state.counters["MB/s"] = mb / inModule;
    state.counters["memcpy_MB/s"] = mb / inMemcpy;
    state.counters["vs_memcpy"] = inMemcpy / inModule;
    state.counters["line_copies_ms"] = inCopies * 1e3 / state.iterations();
}

struct RowBuffer {
    std::vector<uint8_t> bytes;
    Rows rows;
};

// The plane lines of a page as rows (banded: four plane lines per raster
// line), or the same amount of random bytes.
RowBuffer rowsOf(const std::string& name) {
    const CupsPage& page = benchPage(name == "random" ? "sparse" : name);
    RowBuffer buffer;
    buffer.bytes = page.raster;
    if (name == "random") {
        uint64_t x = 0x9E3779B97F4A7C15u;
        for (uint8_t& b : buffer.bytes) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            b = static_cast<uint8_t>(x >> 24);
        }
    }
    const std::size_t size = page.bytesPerLine / 4;
    buffer.rows = Rows{buffer.bytes.data(), buffer.bytes.size() / size, size};
    return buffer;
}

void encodeRuns(benchmark::State& state, const std::string& name) {
    RowBuffer buffer = rowsOf(name);
    std::vector<uint8_t> scratch(buffer.rows.size * 2 + 16);
    if (benchPackBitsRows(&buffer.rows) == 0) {
        state.SkipWithError("libtiff failed");
        return;
    }
    double inEncodeRuns = 0;
    double inPackBits = 0;
    uint64_t coded = 0;
    for (auto _ : state) {
        inPackBits +=
            coldSeconds([&] { benchmark::DoNotOptimize(benchPackBitsRows(&buffer.rows)); });
        const double encode = coldSeconds([&] {
            coded = benchEncodeRows(&buffer.rows, scratch.data());
            benchmark::DoNotOptimize(coded);
        });
        inEncodeRuns += encode;
        state.SetIterationTime(encode);
    }
    const double mb = static_cast<double>(buffer.bytes.size()) * state.iterations() / kMega;
    state.counters["MB/s"] = mb / inEncodeRuns;
    state.counters["packbits_MB/s"] = mb / inPackBits;
    state.counters["vs_packbits"] = inPackBits / inEncodeRuns;
    state.counters["out_KB"] = coded / 1e3;
}

void jobMemory(benchmark::State& state, const std::string& pageName, const HostMode* mode) {
    HostPage host = makeHostPage(benchPage(pageName), *mode);
    constexpr int kLongJob = 20;
    JobStats one;
    JobStats many;
    long peakOne = 0;
    long peakMany = 0;
    for (auto _ : state) {
        inkband::heapResetCounters();
        benchRunJob(&host, 1, &one, nullptr);
        peakOne = inkband::heapCounters().peakBytes;
        inkband::heapResetCounters();
        benchRunJob(&host, kLongJob, &many, nullptr);
        peakMany = inkband::heapCounters().peakBytes;
    }
    if (one.failedCalls + many.failedCalls != 0) state.SkipWithError("a call of the job failed");
    state.counters["allocs/line"] = static_cast<double>(many.lineAllocations) / many.lines;
    state.counters["line_allocs"] = static_cast<double>(many.lineAllocations);
    // The few command chunks a job keeps are allocated on first use.
    state.counters["later_page_allocs"] = static_cast<double>(many.laterLineAllocations);
    state.counters["peak_1page_KB"] = peakOne / 1e3;
    state.counters["peak_20pages_KB"] = peakMany / 1e3;
}

using PageModeBenchmark = void (*)(benchmark::State&, const std::string&, const HostMode*);

// Registers <family>/<page>/<mode> for both pages and every mode.
std::vector<benchmark::internal::Benchmark*> registerPageModes(const char* family,
                                                               PageModeBenchmark run) {
    std::vector<benchmark::internal::Benchmark*> made;
    for (const char* page : {"sparse", "dense"}) {
        for (int m = 0; m < kHostModeCount; ++m) {
            const HostMode* mode = &kHostModes[m];
            const std::string name = std::string(family) + "/" + page + "/" + mode->name;
            made.push_back(benchmark::RegisterBenchmark(name.c_str(), run, std::string(page), mode)
                               ->Unit(benchmark::kMillisecond));
        }
    }
    return made;
}

}  // namespace

int main(int argc, char** argv) {
    for (auto* b : registerPageModes("Pipeline", pipeline)) b->UseManualTime();
    for (auto* b : registerPageModes("HostLine", hostLine)) b->UseManualTime();
    for (const char* buffer : {"random", "sparse", "dense"}) {
        std::string name = std::string("EncodeRuns/") + buffer;
        benchmark::RegisterBenchmark(name.c_str(), encodeRuns, std::string(buffer))
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    for (auto* b : registerPageModes("JobMemory", jobMemory)) b->Iterations(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
