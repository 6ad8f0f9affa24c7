// One measured step, once, for callgrind (bench/callgrind.sh) and for
// checking the stream:
//   inkband_bench_once pipeline <sparse|dense> <mode> [pages] [--hash]
//   inkband_bench_once encoderuns <random|sparse|dense>
//   inkband_bench_once packbits <random|sparse|dense>
// Prints "input_bytes N" and what the step produced; with --hash also the
// FNV-1a hash of the whole job's stream (collected in a second run).
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_data.h"
#include "host_page.h"
#include "job_runner.h"

using namespace inkband::bench;

namespace {

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0xCBF29CE484222325u;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001B3u;
    }
    return h;
}

Rows rowsOf(const std::string& name, std::vector<uint8_t>* storage) {
    const CupsPage& page = benchPage(name == "random" ? "sparse" : name);
    *storage = page.raster;
    if (name == "random") {
        uint64_t x = 0x9E3779B97F4A7C15u;
        for (uint8_t& b : *storage) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            b = static_cast<uint8_t>(x >> 24);
        }
    }
    const std::size_t size = page.bytesPerLine / 4;
    return Rows{storage->data(), storage->size() / size, size};
}

int usage() {
    std::fprintf(stderr,
                 "usage: inkband_bench_once pipeline <sparse|dense> <mode> [pages] [--hash]\n"
                 "       inkband_bench_once encoderuns|packbits <random|sparse|dense>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string what = argv[1];
    const std::string source = argv[2];
    if (what == "pipeline") {
        if (argc < 4) return usage();
        const HostMode* mode = findHostMode(argv[3]);
        if (mode == nullptr) return usage();
        int pages = 1;
        bool hash = false;
        for (int i = 4; i < argc; ++i) {
            if (std::strcmp(argv[i], "--hash") == 0) {
                hash = true;
            } else {
                pages = std::atoi(argv[i]);
            }
        }
        HostPage host = makeHostPage(benchPage(source), *mode);
        JobStats stats;
        benchRunJob(&host, pages, &stats, nullptr);
        std::printf("input_bytes %zu\noutput_bytes %" PRIu64 "\nfailed_calls %ld\n",
                    host.rasterBytes * pages, stats.outputBytes, stats.failedCalls);
        if (hash) {
            std::vector<uint8_t> stream;
            benchRunJob(&host, pages, nullptr, &stream);
            std::printf("stream_hash %016" PRIx64 "\n", fnv1a(stream));
        }
        return stats.failedCalls == 0 ? 0 : 1;
    }
    std::vector<uint8_t> storage;
    Rows rows = rowsOf(source, &storage);
    uint64_t coded = 0;
    if (what == "encoderuns") {
        std::vector<uint8_t> scratch(rows.size * 2 + 16);
        coded = benchEncodeRows(&rows, scratch.data());
    } else if (what == "packbits") {
        coded = benchPackBitsRows(&rows);
    } else {
        return usage();
    }
    std::printf("input_bytes %zu\noutput_bytes %" PRIu64 "\n", rows.count * rows.size, coded);
    return 0;
}
