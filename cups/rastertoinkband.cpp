// rastertoinkband: the CUPS filter that prints CUPS raster through the
// inkband module.
//
//     rastertoinkband job user title copies options [file]
//
// Reads CUPS raster from the file or from standard input, one page after the
// other, and writes the printer's command stream to standard output.  The
// raster is 8-bit contone (CMYK, or grey for the black-only mode, as the PPD
// asks Ghostscript for); the filter separates every line into the mode's
// inks, halftones each plane to its levels and hands the planes to the
// module.  The print mode comes from cupsInteger0 of each page header (the
// PPD's ColorModel choice sets it), the quality from cupsInteger1 and the
// ink limit from cupsInteger2 (see page_setup.h).  Copies are made by the
// filters before this one (the PPD asks for manual copies).
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

#include "filter_log.h"
#include "host/job_settings.h"
#include "host/output_session.h"
#include "page_setup.h"
#include "raster_input.h"
#include "stream_writer.h"

using namespace inkband::filter;
namespace host = inkband::host;

namespace {

// Largest raster line the filter buffers; a longer one means a broken header.
constexpr unsigned kMaxBytesPerLine = 1u << 26;

struct JobState {
    cups_raster_t* raster = nullptr;
    host::OutputSession session;
    StreamWriter writer;
    PageSetup setup;
    host::PlaneLines planes;
    std::vector<uint8_t> line;
    int pages = 0;
    bool failed = false;  // a page was refused or could not be finished
    bool stop = false;    // nothing more can be read or written
};

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

// Turns white-based grey into black amounts, in place.
void invertLine(std::vector<uint8_t>& line) {
    for (uint8_t& v : line) v = static_cast<uint8_t>(255 - v);
}

// Prints one page whose header has been read.
void printPage(JobState& state, const cups_page_header2_t& header) {
    const int page = ++state.pages;
    std::string error = setUpPage(header, state.setup);
    const PageSetup& setup = state.setup;
    if (error.empty())
        error = host::startPlaneLines(state.planes, *setup.mode, setup.format,
                                      static_cast<int>(setup.width), setup.line);
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
    logLine("INFO",
            "Printing page %d: %ux%u pixels at %ux%u dpi, mode %s, %s quality, %d-row bands", page,
            header.cupsWidth, header.cupsHeight, header.HWResolution[0], dpi, setup.mode->ppdName,
            host::qualityName(setup.line.quality), host::bandHeightFor(setup.settings.resolution));
    if ((dpi == 300 || dpi == 600) && setup.settings.resolution == 0)
        logLine("INFO", "Page %d: lines too wide for %u dpi bands, sending one row per band", page,
                dpi);
    error = host::beginPage(state.session, setup.settings);
    if (!error.empty()) {
        logLine("ERROR", "Page %d: %s", page, error.c_str());
        state.failed = state.stop = true;
        return;
    }

    const unsigned bytes = setup.bytesPerLine;
    state.line.assign(bytes, 0);
    RasterLine line = {};
    unsigned lastTenth = 0;
    logLine("ATTR", "job-media-progress=0");
    unsigned y = 0;
    for (; y < header.cupsHeight && !stopRequested(); ++y) {
        if (cupsRasterReadPixels(state.raster, state.line.data(), bytes) != bytes) break;
        if (setup.invert) invertLine(state.line);
        // Lines without ink are left out: the module prints them blank.
        if (host::makeRasterLine(state.planes, state.line.data(), static_cast<int32_t>(y), line))
            error = host::sendLine(state.session, line);
        if (!error.empty()) {
            logLine("ERROR", "Page %d, line %u: %s", page, y, error.c_str());
            state.failed = state.stop = true;
            return;
        }
        reportProgress(y + 1, header.cupsHeight, lastTenth);
    }

    // A page cut short by a stop or by the end of the data is still ended
    // properly: the printer gets a complete page with the lines read so far.
    error = host::endPage(state.session);
    if (error.empty() && !flushStream(state.writer))
        error = std::string("cannot write the stream: ") + std::strerror(state.writer.error);
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
    state.session.sink = [&state](const uint8_t* data, std::size_t length) {
        return writeBytes(state.writer, data, length);
    };
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

    host::closeSession(state.session);
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
