// rastertoinkband: the CUPS filter that prints CUPS raster through the
// inkband module.
//
//     rastertoinkband job user title copies options [file]
//
// Reads CUPS raster from the file or from standard input, one page after the
// other, and writes the printer's command stream to standard output.  The
// print mode comes from cupsInteger0 of each page header (the PPD's
// ColorModel choice sets it); a header without one prints black raster in
// the black mode and CMYK raster in the CMYK mode of its depth.  Copies are
// made by the filters before this one (the PPD asks for manual copies).
//
// Exit status 0 when every page was printed, or when the job was cancelled
// (SIGTERM: the current page is ended and the job closed); 1 when a page was
// refused, a page header was invalid, the raster ended inside a page or
// could not be read, or the stream could not be written.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "filter_job.h"
#include "filter_log.h"
#include "job_settings.h"
#include "print_modes.h"
#include "raster_input.h"
#include "raster_planes.h"
#include "stream_writer.h"

using namespace inkband::filter;

namespace {

// Largest raster line the filter buffers; a longer one means a broken header.
constexpr unsigned kMaxBytesPerLine = 1u << 26;

struct JobState {
    cups_raster_t* raster = nullptr;
    FilterJob job;
    StreamWriter writer;
    PagePlan plan;
    std::vector<uint8_t> line;
    int pages = 0;
    bool failed = false;  // a page was refused or could not be finished
    bool stop = false;    // nothing more can be read or written
};

const PrintMode* modeFor(const cups_page_header2_t& header) {
    if (header.cupsInteger[0] != 0) return findPrintMode(header.cupsInteger[0]);
    return defaultPrintMode(static_cast<unsigned>(header.cupsColorSpace), header.cupsBitsPerColor);
}

// Reads past the lines of a refused page.  False when the raster cannot be
// read on.
bool skipPage(JobState& state, const cups_page_header2_t& header) {
    const unsigned bytes = header.cupsBytesPerLine;
    if (bytes == 0) return true;
    if (bytes > kMaxBytesPerLine) return false;
    state.line.resize(bytes);
    for (unsigned y = 0; y < header.cupsHeight; ++y)
        if (cupsRasterReadPixels(state.raster, state.line.data(), bytes) != bytes) return false;
    return true;
}

void reportProgress(unsigned done, unsigned height, unsigned& lastTenth) {
    const unsigned tenth = static_cast<unsigned>(uint64_t{done} * 10 / height);
    if (tenth == lastTenth) return;
    lastTenth = tenth;
    logLine("ATTR", "job-media-progress=%u", tenth * 10);
}

// Prints one page whose header has been read.
void printPage(JobState& state, const cups_page_header2_t& header) {
    const int page = ++state.pages;
    const PrintMode* mode = modeFor(header);
    std::string error;
    if (mode == nullptr)
        error = "no print mode for cupsInteger0 " + std::to_string(header.cupsInteger[0]) +
                ", colour space " + std::to_string(header.cupsColorSpace) + " at " +
                std::to_string(header.cupsBitsPerColor) + " bits";
    else
        error = planPage(rasterFormatOf(header), *mode, state.plan);
    if (!error.empty()) {
        logLine("ERROR", "Page %d refused: %s", page, error.c_str());
        state.failed = true;
        if (!skipPage(state, header)) {
            logLine("ERROR", "Cannot read past page %d; the rest of the job is lost", page);
            state.stop = true;
        }
        return;
    }

    const unsigned dpi = header.HWResolution[1];
    const JobSettings settings = makeJobSettings(*mode, state.plan.width, dpi);
    logLine("INFO", "Printing page %d: %ux%u pixels at %ux%u dpi, mode %s, %d-row bands", page,
            header.cupsWidth, header.cupsHeight, header.HWResolution[0], dpi, mode->name,
            bandHeightFor(settings.resolution));
    if ((dpi == 300 || dpi == 600) && settings.resolution == 0)
        logLine("INFO", "Page %d: lines too wide for %u dpi bands, sending one row per band", page,
                dpi);
    error = beginPage(state.job, settings);
    if (!error.empty()) {
        logLine("ERROR", "Page %d: %s", page, error.c_str());
        state.failed = state.stop = true;
        return;
    }

    const unsigned bytes = static_cast<unsigned>(state.plan.bytesPerLine);
    state.line.assign(bytes, 0);
    RasterLine line = {};
    unsigned lastTenth = 0;
    logLine("ATTR", "job-media-progress=0");
    unsigned y = 0;
    for (; y < header.cupsHeight && !stopRequested(); ++y) {
        if (cupsRasterReadPixels(state.raster, state.line.data(), bytes) != bytes) break;
        line.line = static_cast<int32_t>(y);
        splitLine(state.plan, state.line.data(), line);
        error = sendLine(state.job, line, state.writer);
        if (!error.empty()) {
            logLine("ERROR", "Page %d, line %u: %s", page, y, error.c_str());
            state.failed = state.stop = true;
            return;
        }
        reportProgress(y + 1, header.cupsHeight, lastTenth);
    }

    // A page cut short by a stop or by the end of the data is still ended
    // properly: the printer gets a complete page with the lines read so far.
    error = endPage(state.job, state.writer);
    if (!error.empty()) {
        logLine("ERROR", "Page %d: %s", page, error.c_str());
        state.failed = state.stop = true;
        return;
    }
    logLine("PAGE", "%d 1", page);
    if (y < header.cupsHeight) {
        state.stop = true;
        if (!stopRequested()) {
            logLine("ERROR", "Page %d: the raster data ends after %u of %u lines", page, y,
                    header.cupsHeight);
            state.failed = true;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6 || argc > 7) {
        std::fprintf(stderr, "Usage: %s job user title copies options [file]\n",
                     argc > 0 ? argv[0] : "rastertoinkband");
        return 1;
    }
    int fd = 0;
    if (argc == 7) {
        fd = open(argv[6], O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            logLine("ERROR", "Unable to open raster file \"%s\": %s", argv[6],
                    std::strerror(errno));
            return 1;
        }
    }
    installStopHandler();

    RasterInput input{fd};
    JobState state;
    state.raster = cupsRasterOpenIO(readRaster, &input, CUPS_RASTER_READ);
    if (state.raster == nullptr) {
        if (fd != 0) close(fd);
        // No data at all is a job with nothing to print (a page range past
        // the last page): it ends, with an empty stream, so that the queue
        // goes on to the next job.
        if (input.ended && input.error == 0 && input.read == 0) {
            logLine("INFO", "No pages to print");
            return 0;
        }
        logLine("ERROR", "Unable to read the raster data");
        return 1;
    }

    cups_page_header2_t header;
    while (!state.stop && !stopRequested() && cupsRasterReadHeader2(state.raster, &header))
        printPage(state, header);
    if (!state.stop && !stopRequested()) {
        // No further header: the end of the data, a read error, or a header
        // that libcups refused.
        if (input.error != 0) {
            logLine("ERROR", "Unable to read the raster data: %s", std::strerror(input.error));
            state.failed = true;
        } else if (!input.ended) {
            logLine("ERROR", "Page %d: invalid page header", state.pages + 1);
            state.failed = true;
        }
    }

    closeJob(state.job);
    if (!flushStream(state.writer) && !state.failed) {
        logLine("ERROR", "cannot write the stream: %s", std::strerror(state.writer.error));
        state.failed = true;
    }
    cupsRasterClose(state.raster);
    if (fd != 0) close(fd);

    if (stopRequested()) {
        logLine("INFO", "Job stopped after %d page(s)", state.pages);
        return 0;
    }
    if (state.failed) return 1;
    if (state.pages == 0) {
        // A raster stream without a page: nothing to print, and nothing sent.
        logLine("INFO", "No pages to print");
        return 0;
    }
    logLine("INFO", "Printed %d page(s), %llu bytes", state.pages,
            static_cast<unsigned long long>(state.writer.written));
    return 0;
}
