#include "page_work.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

std::string denseSource() {
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

}  // namespace inkband::bench
