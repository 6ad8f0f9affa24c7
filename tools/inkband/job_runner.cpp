#include "inkband/job_runner.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "host/plane_packing.h"

namespace inkband::tool {

namespace {

constexpr uint8_t kSkipCommand[3] = {0x1B, 0x28, 0x65};
constexpr std::size_t kSkipCommandSize = 7;

// The bar is redrawn only when it moves, so a long page costs a hundred
// writes at most.
class ProgressBar {
   public:
    ProgressBar(bool enabled, int64_t total) : enabled_(enabled), total_(total) {}
    ~ProgressBar() {
        if (enabled_ && drawn_) std::fprintf(stderr, "\r%60s\r", "");
    }
    void update(int64_t done, int page, int pages) {
        if (!enabled_ || total_ <= 0) return;
        const int percent = static_cast<int>(done * 100 / total_);
        if (percent == last_) return;
        last_ = percent;
        drawn_ = true;
        char bar[41];
        for (int i = 0; i < 40; ++i) bar[i] = i < percent * 40 / 100 ? '#' : '.';
        bar[40] = 0;
        std::fprintf(stderr, "\r[%s] %3d%%  page %d/%d", bar, percent, page, pages);
        std::fflush(stderr);
    }

   private:
    bool enabled_;
    int64_t total_;
    int last_ = -1;
    bool drawn_ = false;
};

// Releases the module job however runJob leaves.
struct SessionGuard {
    host::OutputSession session;
    ~SessionGuard() { host::closeSession(session); }
};

// Counts what the pieces carry: bytes, pieces, skip commands and the bands
// they skip.
void countPiece(JobStats& stats, const uint8_t* data, std::size_t length) {
    if (length == kSkipCommandSize && data[0] == kSkipCommand[0] && data[1] == kSkipCommand[1] &&
        data[2] == kSkipCommand[2]) {
        ++stats.skipCommands;
        stats.skippedBands += data[5] << 8 | data[6];
    }
    stats.outputBytes += static_cast<int64_t>(length);
    ++stats.pieces;
}

}  // namespace

bool runJob(const HostRaster& raster, const JobOptions& options, const PieceSink& sink,
            JobStats& stats, std::string& error) {
    const auto started = std::chrono::steady_clock::now();
    const ModeInfo& mode = *raster.mode;
    const int planeCount = static_cast<int>(mode.sources.size());
    SessionGuard guard;
    guard.session.sink = [&](const uint8_t* data, std::size_t length) {
        countPiece(stats, data, length);
        return sink(data, length);
    };

    // One reusable line buffer per plane; the ten-plane modes rewrite the
    // caller's bytes in place, so every line is packed afresh.
    std::vector<std::vector<uint8_t>> lineBytes(static_cast<std::size_t>(planeCount));
    int64_t bytesPerLine = 0;
    for (int i = 0; i < planeCount; ++i) {
        const std::size_t bytes = host::packedBytes(raster.width, mode.sources[i].bits);
        lineBytes[i].assign(bytes + 1, 0);
        bytesPerLine += static_cast<int64_t>(bytes);
    }

    ProgressBar progress(options.progress, static_cast<int64_t>(raster.height) * options.pages);
    for (int page = 0; page < options.pages; ++page) {
        error = host::beginPage(guard.session, options.settings);
        if (!error.empty()) return false;
        for (int y = 0; y < raster.height; ++y) {
            progress.update(static_cast<int64_t>(page) * raster.height + y, page + 1,
                            options.pages);
            stats.inputBytes += bytesPerLine;
            RasterLine line{};
            line.line = y;
            bool any = false;
            for (int i = 0; i < planeCount; ++i) {
                const uint8_t* levels = raster.planes[i].row(y);
                PlaneLine& p = line.planes[i];
                p.width = static_cast<int16_t>(raster.width);
                int first = 0, last = 0;
                if (!host::levelSpan(levels, raster.width, first, last)) {
                    p.data = nullptr;  // blank on this line
                    p.left = p.width;
                    continue;
                }
                any = true;
                host::packLevels(levels, raster.width, mode.sources[i].bits, lineBytes[i].data());
                p.data = lineBytes[i].data();
                p.left = static_cast<int16_t>(first);
                p.right = static_cast<int16_t>(raster.width - 1 - last);
            }
            if (!any) {
                ++stats.linesLeftOut;
                continue;
            }
            ++stats.linesSent;
            error = host::sendLine(guard.session, line);
            if (!error.empty()) {
                error += " at line " + std::to_string(y) + " of page " + std::to_string(page + 1);
                return false;
            }
        }
        // In the alternate sequence the form length covers the last band in
        // full: a band that reaches past the length would not be sent.
        error = host::endPage(guard.session, (raster.height + 7) / 8 * 8);
        if (!error.empty()) return false;
        ++stats.pages;
    }
    error = host::endJob(guard.session);
    if (!error.empty()) return false;
    stats.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return true;
}

}  // namespace inkband::tool
