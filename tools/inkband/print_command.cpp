// inkband print: picture (or test page) -> halftoned planes -> job -> file.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/job_settings.h"
#include "host/test_page.h"
#include "inkband/commands.h"
#include "inkband/host_raster.h"
#include "inkband/image_scale.h"
#include "inkband/job_runner.h"

namespace inkband::tool {

namespace {

using host::kMaxLineWidth;
constexpr int kMaxPageLines = 1 << 20;

int fail(const std::string& message, int status = 2) {
    std::fprintf(stderr, "inkband print: %s\n", message.c_str());
    return status;
}

bool readSettings(const std::string& path, JobSettings& settings, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + path;
        return false;
    }
    uint8_t bytes[INKBAND_SETTINGS_SIZE + 1];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    if (got != INKBAND_SETTINGS_SIZE) {
        error = path + " holds " + (got > INKBAND_SETTINGS_SIZE ? "more" : std::to_string(got)) +
                " bytes; a settings record has " + std::to_string(INKBAND_SETTINGS_SIZE);
        return false;
    }
    std::memcpy(&settings, bytes, INKBAND_SETTINGS_SIZE);
    return true;
}

const char* bandHeightText(int16_t resolution, bool alternate) {
    if (resolution == 300 || alternate) return "8-line bands";
    return resolution == 600 ? "16-line bands" : "1-line bands";
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int runPrint(const PrintOptions& o) {
    if (o.listModes) {
        std::fputs(modeTable().c_str(), stdout);
        return 0;
    }
    if (o.output.empty()) return fail("an output file is needed: -o FILE.prn");
    const auto started = std::chrono::steady_clock::now();

    // The settings record: built from the options, or read as it is.
    JobSettings settings{};
    const ModeInfo* mode = o.mode.empty() ? nullptr : findMode(o.mode);
    if (!o.mode.empty() && mode == nullptr)
        return fail("no mode named " + o.mode +
                    "; the modes, with their PPD names: " + modeNames());
    int width = o.width;
    if (!o.settingsFile.empty()) {
        std::string error;
        if (!readSettings(o.settingsFile, settings, error)) return fail(error);
        if (mode == nullptr)
            mode =
                findModeByCodes(settings.modeRowCode, settings.modeColumnCode, settings.modeOptionA,
                                settings.modeOptionB, settings.modeOptionC);
        if (mode == nullptr)
            return fail("the settings record's codes (row " + std::to_string(settings.modeRowCode) +
                        ", column " + std::to_string(settings.modeColumnCode) + ", options " +
                        std::to_string(settings.modeOptionA) + " " +
                        std::to_string(settings.modeOptionB) + " " +
                        std::to_string(settings.modeOptionC) +
                        ") are not in the mode table; --mode NAME says which planes they select");
        if (width == 0) width = settings.lineWidth;
        if (width > settings.lineWidth)
            return fail("--width " + std::to_string(width) +
                        " is wider than the settings record's lineWidth " +
                        std::to_string(settings.lineWidth));
    } else {
        if (mode == nullptr) mode = &defaultMode();
        if (o.resolution < 1 || o.resolution > 32767)
            return fail("--resolution must be 1 to 32767");
        if (width == 0) width = static_cast<int>(std::lround(o.pageWidth * o.resolution));
    }
    if (width < 1 || width > kMaxLineWidth)
        return fail("the page is " + std::to_string(width) + " pixels wide; lines have 1 to " +
                    std::to_string(kMaxLineWidth));
    if (o.settingsFile.empty())
        settings = host::makeJobSettings(*mode, static_cast<int16_t>(width),
                                         static_cast<int16_t>(o.resolution), o.alternateSequence);
    if (o.pages < 1) return fail("--pages must be at least 1");

    // The picture at the page's size.
    RgbImage picture;
    if (o.input.empty()) {
        picture = host::makeTestPage(width);
    } else {
        std::string error;
        RgbImage source;
        if (!loadImage(o.input, source, error)) return fail(error);
        const int height = scaledHeight(source, width);
        if (height > kMaxPageLines)
            return fail("the picture would be " + std::to_string(height) + " lines long");
        picture = scaleImage(source, width, height);
    }

    LineSettings halftone;
    halftone.separation.gcr = o.gcr;
    halftone.separation.inkLimit = o.inkLimit;
    halftone.quality = o.quality;
    const HostRaster raster = halftoneImage(picture, *mode, halftone);
    if (!o.dumpDir.empty()) {
        std::vector<uint8_t> letters;
        for (const SourcePlane& s : mode->sources)
            letters.push_back(static_cast<uint8_t>(s.letter));
        std::string error;
        if (!dumpPlanes(o.dumpDir, raster.planes, letters, error)) return fail(error);
    }
    const double pictureSeconds = secondsSince(started);

    std::FILE* out = std::fopen(o.output.c_str(), "wb");
    if (out == nullptr) return fail("cannot create " + o.output + ": " + std::strerror(errno));
    JobOptions job;
    job.settings = settings;
    job.pages = o.pages;
    job.progress = o.progress && isatty(fileno(stderr));
    JobStats stats;
    std::string error;
    const bool ok = runJob(
        raster, job,
        [out](const uint8_t* data, std::size_t length) {
            return std::fwrite(data, 1, length, out) == length;
        },
        stats, error);
    const bool closed = std::fclose(out) == 0;
    if (!ok) return fail(error, 1);
    if (!closed) return fail("cannot write " + o.output);

    if (!o.quiet) {
        const bool alternate = settings.altSequenceRequest == 1;
        std::printf("inkband: wrote %s\n", o.output.c_str());
        std::printf("  mode      %s (class %d, planes %s, depths %s)\n", mode->name,
                    mode->modeClass, wireLetters(*mode).c_str(), depthList(*mode).c_str());
        std::printf("  page      %d x %d pixels, %s, %s%s\n", raster.width, raster.height,
                    bandHeightText(settings.resolution, alternate),
                    o.input.empty() ? "built-in test page" : o.input.c_str(),
                    alternate ? ", alternate sequence" : "");
        std::printf("  pages     %d\n", stats.pages);
        std::printf("  lines     %lld sent, %lld blank lines left out\n",
                    static_cast<long long>(stats.linesSent),
                    static_cast<long long>(stats.linesLeftOut));
        std::printf("  input     %lld bytes of packed planes\n",
                    static_cast<long long>(stats.inputBytes));
        std::printf("  output    %lld bytes in %lld pieces, ratio %.2f : 1\n",
                    static_cast<long long>(stats.outputBytes), static_cast<long long>(stats.pieces),
                    stats.outputBytes > 0
                        ? static_cast<double>(stats.inputBytes) / stats.outputBytes
                        : 0.0);
        std::printf("  skipped   %lld blank bands in %lld ESC ( e\n",
                    static_cast<long long>(stats.skippedBands),
                    static_cast<long long>(stats.skipCommands));
        std::printf("  time      %.3f s (picture %.3f s, job %.3f s)\n", secondsSince(started),
                    pictureSeconds, stats.seconds);
    }
    return 0;
}

}  // namespace inkband::tool
