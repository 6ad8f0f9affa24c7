// inkband_filter_work [SOURCE]
//
// Whether halftoning makes printing slow: a host's own work on a page
// against Ghostscript's rendering of the same page, measured side by side in
// one run, for both hosts that halftone: the CUPS filter, which gets 8-bit
// CMYK raster (what the PPD asks for), and the printer application, which
// gets 8-bit sRGB lines (what it advertises).  For each, Ghostscript renders
// SOURCE (default: page 1 of image-qa.ps, the dense benchmark page) at
// 600 dpi A4 in that format three times; then, on that page held in memory,
// the host's work per page (separation, halftoning, packing, the module's
// calls; no raster decoding, no output) runs three times for every mode at
// normal and high quality.  Each figure is the fastest of its three runs, in CPU
// seconds of the process doing the work.  The targets: normal under 1x
// Ghostscript's time, high under 2x.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "cups_page.h"
#include "host/job_settings.h"
#include "host/output_session.h"
#include "host/plane_lines.h"

using namespace inkband;

namespace {

constexpr int kRuns = 3;

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Ghostscript's CPU seconds for one rendering of the page into `raster`, in
// CUPS colour space `colorSpace` (6 CMYK, 19 sRGB) at 8 bits.
double renderSeconds(const std::string& source, const std::string& raster, int colorSpace) {
    const double before = childCpuSeconds();
    const pid_t pid = fork();
    if (pid == 0) {
        // Ghostscript's chatter (image-qa.ps prints its test names) is not wanted.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        const std::string output = "-sOutputFile=" + raster;
        const std::string space = "-dcupsColorSpace=" + std::to_string(colorSpace);
        execlp("gs", "gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-r600", "-sPAPERSIZE=a4",
               "-dFIXEDMEDIA", "-dFirstPage=1", "-dLastPage=1", "-sDEVICE=cups", space.c_str(),
               "-dcupsColorOrder=0", "-dcupsBitsPerColor=8", output.c_str(), source.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "gs failed on %s\n", source.c_str());
        std::exit(1);
    }
    return childCpuSeconds() - before;
}

// The filter's work on one page: every line separated, halftoned, packed
// and handed to the module; the pieces are counted, not written.
double workSeconds(const bench::CupsPage& page, host::PixelFormat format,
                   const host::ModeInfo& mode, host::Quality quality, uint64_t& streamBytes) {
    const double start = cpuSeconds();
    host::LineSettings settings;
    settings.quality = quality;
    host::PlaneLines lines;
    const int width = static_cast<int>(page.width);
    if (!host::startPlaneLines(lines, mode, format, width, settings).empty()) std::exit(1);
    host::OutputSession session;
    streamBytes = 0;
    session.sink = [&](const uint8_t*, std::size_t length) {
        streamBytes += length;
        return true;
    };
    const auto width16 = static_cast<int16_t>(width);
    const JobSettings job =
        host::makeJobSettings(mode, width16, host::fittingResolution(mode, width16, 600));
    std::string error = host::beginPage(session, job);
    RasterLine line;
    for (uint32_t y = 0; y < page.height && error.empty(); ++y)
        if (host::makeRasterLine(lines, &page.raster[std::size_t{y} * page.bytesPerLine],
                                 static_cast<int32_t>(y), line))
            error = host::sendLine(session, line);
    if (error.empty()) error = host::endPage(session);
    host::closeSession(session);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", mode.name, error.c_str());
        std::exit(1);
    }
    return cpuSeconds() - start;
}

std::string findSource() {
    FILE* pipe = popen("dpkg -L libgs10-common 2>/dev/null | grep '/image-qa.ps$' | head -n1", "r");
    char path[512] = {};
    if (pipe != nullptr) {
        if (std::fgets(path, sizeof path, pipe) == nullptr) path[0] = 0;
        pclose(pipe);
    }
    std::string source(path);
    while (!source.empty() && source.back() == '\n') source.pop_back();
    return source;
}

// One host's table: Ghostscript's time, then the host's work in every
// mode.  False when a target is missed.
bool runHost(const char* title, const std::string& source, const std::string& raster,
             int colorSpace, host::PixelFormat format) {
    double gs = 1e9;
    for (int i = 0; i < kRuns; ++i) gs = std::min(gs, renderSeconds(source, raster, colorSpace));
    bench::CupsPage page;
    std::string error;
    if (!bench::loadCupsPage(raster, &page, &error) || page.bitsPerColor != 8 ||
        page.colorSpace != static_cast<uint32_t>(colorSpace)) {
        std::fprintf(stderr, "cannot read the rendered page: %s\n", error.c_str());
        std::exit(1);
    }
    std::remove(raster.c_str());

    std::printf("%s: %u x %u pixels; Ghostscript's rendering %.3f s CPU\n", title, page.width,
                page.height, gs);
    std::printf("%-17s %-15s %10s %7s %10s %7s %12s\n", "mode", "ColorModel", "normal s", "x gs",
                "high s", "x gs", "stream bytes");
    bool met = true;
    for (const host::ModeInfo& mode : host::allModes()) {
        double seconds[2] = {1e9, 1e9};
        uint64_t bytes = 0;
        const host::Quality qualities[2] = {host::Quality::Normal, host::Quality::High};
        for (int q = 0; q < 2; ++q)
            for (int i = 0; i < kRuns; ++i)
                seconds[q] =
                    std::min(seconds[q], workSeconds(page, format, mode, qualities[q], bytes));
        met = met && seconds[0] < gs && seconds[1] < 2 * gs;
        std::printf("%-17s %-15s %10.3f %7.2f %10.3f %7.2f %12llu\n", mode.name, mode.ppdName,
                    seconds[0], seconds[0] / gs, seconds[1], seconds[1] / gs,
                    static_cast<unsigned long long>(bytes));
    }
    std::printf("\n");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string source = argc > 1 ? argv[1] : findSource();
    if (source.empty()) {
        std::fprintf(stderr,
                     "image-qa.ps not found (install libgs10-common) and no SOURCE given\n");
        return 1;
    }
    char dir[] = "/tmp/inkband-filter-work-XXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    const std::string raster = std::string(dir) + "/page.ras";
    std::printf("page: %s at 600 dpi A4\n\n", source.c_str());
    bool met =
        runHost("CUPS filter, 8-bit CMYK raster", source, raster, 6, host::PixelFormat::Cmyk);
    met = runHost("printer application, 8-bit sRGB lines", source, raster, 19,
                  host::PixelFormat::Rgb) &&
          met;
    rmdir(dir);
    std::printf("targets (normal < 1x, high < 2x Ghostscript): %s\n", met ? "met" : "MISSED");
    return met ? 0 : 1;
}
