#include "inkband/job_runner.h"

#include <chrono>
#include <cstdio>
#include <vector>

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

// Closes the job however runJob leaves.
struct JobGuard {
    OutputJob* job = nullptr;
    ~JobGuard() { OutputClose(&job); }
};

struct Runner {
    const HostRaster& raster;
    const PieceSink& sink;
    JobStats& stats;
    std::string& error;
    JobGuard guard;

    bool check(const char* call, int32_t status) {
        if (status == INKBAND_OK) return true;
        error = std::string(call) + " returned " + statusText(status);
        if (status == INKBAND_NO_MEMORY)
            error +=
                " (every band of a plane must fit 62464 bytes: a narrower page, or a "
                "resolution with fewer lines per band, makes it fit)";
        return false;
    }

    bool send(const PieceList* list) {
        for (int16_t i = 0; i < list->count; ++i) {
            const Piece& piece = list->pieces[i];
            if (piece.length == kSkipCommandSize && piece.data[0] == kSkipCommand[0] &&
                piece.data[1] == kSkipCommand[1] && piece.data[2] == kSkipCommand[2]) {
                ++stats.skipCommands;
                stats.skippedBands += piece.data[5] << 8 | piece.data[6];
            }
            stats.outputBytes += piece.length;
            ++stats.pieces;
            if (!sink(piece.data, piece.length)) {
                error = "cannot write the output";
                return false;
            }
        }
        return true;
    }

    // A producing call's pieces, then its OutputComplete.
    bool deliver(const char* call, int32_t status, const PieceList* list) {
        return check(call, status) && send(list) &&
               check("OutputComplete", OutputComplete(&guard.job));
    }
};

}  // namespace

std::string statusText(int32_t status) {
    const char* name = "unknown status";
    switch (status) {
        case INKBAND_OK:
            name = "success";
            break;
        case INKBAND_REFUSED:
            name = "refused";
            break;
        case INKBAND_NO_MEMORY:
            name = "out of memory, or a line too long for its band buffer";
            break;
        case INKBAND_WRONG_STATE:
            name = "not allowed in this state";
            break;
        case INKBAND_NOT_OFFERED:
            name = "not offered by the call sequence";
            break;
        case INKBAND_OPEN_FAILED:
            name = "open failed";
            break;
        default:
            break;
    }
    return std::string(name) + " (" + std::to_string(status) + ")";
}

JobSettings settingsFor(const ModeInfo& mode, int16_t resolution, int16_t lineWidth,
                        bool alternateSequence) {
    JobSettings s{};
    s.modeRowCode = mode.rowCode;
    s.modeColumnCode = mode.columnCode;
    s.modeOptionA = mode.optionA;
    s.modeOptionB = mode.optionB;
    s.modeOptionC = mode.optionC;
    s.resolution = resolution;
    s.lineWidth = lineWidth;
    s.altSequenceRequest = alternateSequence ? 1 : 0;
    return s;
}

bool runJob(const HostRaster& raster, const JobOptions& options, const PieceSink& sink,
            JobStats& stats, std::string& error) {
    const auto started = std::chrono::steady_clock::now();
    const ModeInfo& mode = *raster.mode;
    const int planeCount = static_cast<int>(mode.sources.size());
    const bool alternate = options.settings.altSequenceRequest == 1;
    Runner run{raster, sink, stats, error, {}};

    // One reusable line buffer per plane; the ten-plane modes rewrite the
    // caller's bytes in place, so every line is packed afresh.
    std::vector<std::vector<uint8_t>> lineBytes(static_cast<std::size_t>(planeCount));
    for (int i = 0; i < planeCount; ++i)
        lineBytes[i].assign(
            static_cast<std::size_t>((raster.width * mode.sources[i].bits + 7) / 8) + 1, 0);
    int64_t bytesPerLine = 0;
    for (int i = 0; i < planeCount; ++i)
        bytesPerLine += (raster.width * mode.sources[i].bits + 7) / 8;

    ProgressBar progress(options.progress, static_cast<int64_t>(raster.height) * options.pages);
    const int32_t opened = OutputOpen(&run.guard.job);
    if (opened != INKBAND_OPEN_OK) return run.check("OutputOpen", opened);
    if (!run.check("OutputInitTwo",
                   OutputInitTwo(&run.guard.job, &options.settings, INKBAND_SETTINGS_SIZE)))
        return false;

    PieceList* list = nullptr;
    for (int page = 0; page < options.pages; ++page) {
        if (!run.check("OutputInitPart", OutputInitPart(&run.guard.job, &options.settings)))
            return false;
        for (int y = 0; y < raster.height; ++y) {
            progress.update(static_cast<int64_t>(page) * raster.height + y, page + 1,
                            options.pages);
            stats.inputBytes += bytesPerLine;
            RasterLine line{};
            line.line = y;
            bool any = false;
            for (int i = 0; i < planeCount; ++i) {
                const uint8_t* levels = raster.planes[i].row(y);
                int first = 0, last = raster.width - 1;
                while (first < raster.width && levels[first] == 0) ++first;
                while (last >= first && levels[last] == 0) --last;
                PlaneLine& p = line.planes[i];
                p.width = static_cast<int16_t>(raster.width);
                if (first == raster.width) {
                    p.data = nullptr;  // blank on this line
                    p.left = p.width;
                    continue;
                }
                any = true;
                packLevels(levels, raster.width, mode.sources[i].bits, lineBytes[i].data());
                p.data = lineBytes[i].data();
                p.left = static_cast<int16_t>(first);
                p.right = static_cast<int16_t>(raster.width - 1 - last);
            }
            if (!any) {
                ++stats.linesLeftOut;
                continue;
            }
            ++stats.linesSent;
            const int16_t status = OutputProduceTwo(&run.guard.job, &line, &list);
            if (!run.deliver("OutputProduceTwo", status, list)) {
                error += " at line " + std::to_string(y) + " of page " + std::to_string(page + 1);
                return false;
            }
        }
        if (alternate) {
            // The form length covers the last band in full: a band that
            // reaches past the length would not be sent.
            const int32_t bands = (raster.height + 7) / 8;
            const int16_t status = OutputFormFeed(&run.guard.job, &list, bands * 8);
            if (!run.deliver("OutputFormFeed", status, list)) return false;
        } else {
            const int16_t status = OutputFlush(&run.guard.job, &list);
            if (!run.deliver("OutputFlush", status, list)) return false;
        }
        ++stats.pages;
    }
    if (alternate) {
        const int16_t status = OutputFlush(&run.guard.job, &list);
        if (!run.deliver("OutputFlush", status, list)) return false;
    }
    stats.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return true;
}

}  // namespace inkband::tool
