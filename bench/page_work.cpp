#include "page_work.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "host/job_settings.h"
#include "host/output_session.h"

namespace inkband::bench {

namespace {

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double childSeconds(const std::vector<std::string>& argv) {
    const double before = childCpuSeconds();
    const pid_t pid = fork();
    if (pid == 0) {
        // Ghostscript's chatter (image-qa.ps prints its test names) is not wanted.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0].c_str());
        std::exit(1);
    }
    return childCpuSeconds() - before;
}

std::string sourceArgument(int argc, char** argv) {
    if (argc > 1) return argv[1];
    FILE* pipe = popen("dpkg -L libgs10-common 2>/dev/null | grep '/image-qa.ps$' | head -n1", "r");
    char path[512] = {};
    if (pipe != nullptr) {
        if (std::fgets(path, sizeof path, pipe) == nullptr) path[0] = 0;
        pclose(pipe);
    }
    std::string source(path);
    while (!source.empty() && source.back() == '\n') source.pop_back();
    if (source.empty())
        std::fprintf(stderr,
                     "image-qa.ps not found (install libgs10-common) and no SOURCE given\n");
    return source;
}

double pageWorkSeconds(const uint8_t* raster, std::size_t bytesPerLine, int width, int height,
                       host::PixelFormat format, unsigned dpi, const host::ModeInfo& mode,
                       host::Quality quality, uint64_t* streamBytes) {
    const double start = cpuSeconds();
    host::LineSettings settings;
    settings.quality = quality;
    host::PlaneLines lines;
    if (!host::startPlaneLines(lines, mode, format, width, settings).empty()) std::exit(1);
    host::OutputSession session;
    *streamBytes = 0;
    session.sink = [streamBytes](const uint8_t*, std::size_t length) {
        *streamBytes += length;
        return true;
    };
    const auto width16 = static_cast<int16_t>(width);
    const JobSettings job =
        host::makeJobSettings(mode, width16, host::fittingResolution(mode, width16, dpi));
    std::string error = host::beginPage(session, job);
    RasterLine line;
    for (int y = 0; y < height && error.empty(); ++y)
        if (host::makeRasterLine(lines, raster + static_cast<std::size_t>(y) * bytesPerLine, y,
                                 line))
            error = host::sendLine(session, line);
    if (error.empty()) error = host::endPage(session);
    host::closeSession(session);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", mode.name, error.c_str());
        std::exit(1);
    }
    return cpuSeconds() - start;
}

bool reportModes(const uint8_t* raster, std::size_t bytesPerLine, int width, int height,
                 host::PixelFormat format, unsigned dpi, double gsSeconds,
                 const char* firstColumn) {
    std::printf("%-17s %-15s %10s %7s %10s %7s %12s\n", firstColumn, "ColorModel", "normal s",
                "x gs", "high s", "x gs", "stream bytes");
    bool met = true;
    for (const host::ModeInfo& mode : host::allModes()) {
        double seconds[2] = {1e9, 1e9};
        uint64_t bytes = 0;
        const host::Quality qualities[2] = {host::Quality::Normal, host::Quality::High};
        for (int q = 0; q < 2; ++q)
            for (int i = 0; i < kWorkRuns; ++i)
                seconds[q] =
                    std::min(seconds[q], pageWorkSeconds(raster, bytesPerLine, width, height,
                                                         format, dpi, mode, qualities[q], &bytes));
        met = met && seconds[0] < gsSeconds && seconds[1] < 2 * gsSeconds;
        std::printf("%-17s %-15s %10.3f %7.2f %10.3f %7.2f %12llu\n", mode.name, mode.ppdName,
                    seconds[0], seconds[0] / gsSeconds, seconds[1], seconds[1] / gsSeconds,
                    static_cast<unsigned long long>(bytes));
    }
    std::printf("\ntargets (normal < 1x, high < 2x Ghostscript): %s\n", met ? "met" : "MISSED");
    return met;
}

}  // namespace inkband::bench
