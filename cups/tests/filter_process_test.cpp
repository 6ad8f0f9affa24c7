// Runs the built rastertoinkband on 8-bit contone raster written by the
// tests and judges its output with the checker's library (cups/check): every
// mode at every quality, grey and RGB raster, refused pages, mode changes
// between pages, truncated input, SIGTERM in the middle of a page, and the
// CUPS log lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "decoder/stream_decoder.h"
#include "host/halftone.h"
#include "host/print_modes.h"
#include "job_check.h"
#include "raster_file.h"

namespace {

using inkband::check::Patch;
using inkband::check::PatchKind;
using rastertest::TestPage;
namespace host = inkband::host;

struct FilterRun {
    int exitCode = -1;
    std::vector<uint8_t> stream;
    std::string log;
};

std::string scratchPath(const std::string& name) {
    return ::testing::TempDir() + "rastertoinkband_" + std::to_string(getpid()) + "_" + name;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Starts the filter with stdin from `input` (a descriptor), stdout and
// stderr into files.  `file` non-empty: passed as the sixth argument.
pid_t startFilter(int input, const std::string& out, const std::string& err,
                  const std::string& file, int argCount = 6) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(input, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        for (int fd : {input, outFd, errFd})
            if (fd > 2) close(fd);
        const char* args[] = {"rastertoinkband", "7",    "user", "title", "1", "",
                              file.c_str(),      nullptr};
        args[file.empty() ? argCount : 7] = nullptr;
        execv(INKBAND_FILTER_PATH, const_cast<char* const*>(args));
        _exit(127);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

FilterRun collect(int exitCode, const std::string& out, const std::string& err) {
    FilterRun run;
    run.exitCode = exitCode;
    const std::string bytes = readText(out);
    run.stream.assign(bytes.begin(), bytes.end());
    run.log = readText(err);
    // Every line the filter logs carries a prefix the scheduler knows.
    std::istringstream lines(run.log);
    for (std::string line; std::getline(lines, line);) {
        const bool known = line.rfind("INFO: ", 0) == 0 || line.rfind("ERROR: ", 0) == 0 ||
                           line.rfind("PAGE: ", 0) == 0 || line.rfind("ATTR: ", 0) == 0 ||
                           line.rfind("DEBUG: ", 0) == 0 || line.rfind("Usage: ", 0) == 0;
        EXPECT_TRUE(known) << "log line: " << line;
    }
    return run;
}

// Runs the filter on raster bytes, from a file argument or from stdin.
FilterRun runFilter(const std::vector<uint8_t>& raster, bool fromStdin = false) {
    const std::string in = scratchPath("in.ras"), out = scratchPath("out.prn"),
                      err = scratchPath("err.txt");
    EXPECT_TRUE(rastertest::writeFile(in, raster));
    int input = open(fromStdin ? in.c_str() : "/dev/null", O_RDONLY);
    const pid_t pid = startFilter(input, out, err, fromStdin ? "" : in);
    close(input);
    return collect(waitFor(pid), out, err);
}

bool logHas(const FilterRun& run, const std::string& text) {
    return run.log.find(text) != std::string::npos;
}

// The run's stream passes the checker against these raster pages (what the
// filter was given, or the part of it that it printed).
void expectChecked(const FilterRun& run, const std::vector<TestPage>& pages,
                   const std::vector<Patch>& patches = {}) {
    const std::string path = scratchPath("expected.ras");
    ASSERT_TRUE(rastertest::writeFile(path, rastertest::rasterStream(pages)));
    const inkband::check::JobReport report =
        inkband::check::checkRasterFile(path, run.stream, patches);
    EXPECT_TRUE(inkband::check::passed(report)) << inkband::check::reportText(report);
}

inkband::decode::StreamResult decodeRun(const FilterRun& run) {
    inkband::decode::StreamResult result = inkband::decode::decodeStream(run.stream);
    EXPECT_TRUE(result.status) << result.status.describe();
    return result;
}

const host::ModeInfo& modeNamed(const char* name) {
    const host::ModeInfo* mode = host::findMode(name);
    if (mode == nullptr) ADD_FAILURE() << name;
    return mode != nullptr ? *mode : host::allModes()[0];
}

// ---------------------------------------------------------------------------
// The tint page: 600 x 600 pixels at 300 dpi (144 points square), in C M Y K
// amounts:
//   five bars of eight tints (rows 20 + 56 r, 48 high; columns 20 + 70 i, 60
//   wide): C, M, Y, K, and the grey C = M = Y, at 5 .. 100 %;
//   y 300 - 379: a ramp per ink, 20 rows each, 0 at the left to 255;
//   y 390 - 469: dense colour (C across, M down, Y = 255 - C, K 100), which
//   an ink limit cuts;
//   y 480 - 579: text-like strokes at full black: K alone, C = M = Y = K, and
//   C = M = Y, with white between them.
constexpr unsigned kTintSize = 600;
constexpr unsigned kTintPercents[8] = {5, 15, 30, 45, 60, 75, 90, 100};
constexpr const char* kBarNames[5] = {"C", "M", "Y", "K", "grey"};

std::array<unsigned, 4> tintPageAt(unsigned x, unsigned y) {
    if (y >= 20 && y < 300 && (y - 20) % 56 < 48 && x >= 20 && (x - 20) % 70 < 60 &&
        (x - 20) / 70 < 8) {
        const unsigned bar = (y - 20) / 56;
        const unsigned v = (kTintPercents[(x - 20) / 70] * 255 + 50) / 100;
        if (bar == 4) return {v, v, v, 0};
        std::array<unsigned, 4> ink = {0, 0, 0, 0};
        ink[bar] = v;
        return ink;
    }
    if (y >= 300 && y < 380) {
        std::array<unsigned, 4> ink = {0, 0, 0, 0};
        ink[(y - 300) / 20] = x * 255 / (kTintSize - 1);
        return ink;
    }
    if (y >= 390 && y < 470) {
        const unsigned c = x * 255 / (kTintSize - 1);
        return {c, (y - 390) * 255 / 79, 255 - c, 100};
    }
    if (y >= 480 && y < 580 && x >= 20 && x < 580) {
        const bool stroke = x % 12 < 4 || (y - 480) % 20 < 3;
        if (!stroke) return {0, 0, 0, 0};
        if (x < 200) return {0, 0, 0, 255};
        if (x < 400) return {255, 255, 255, 255};
        return {255, 255, 255, 0};
    }
    return {0, 0, 0, 0};
}

// The page's content in a raster colour space: CMYK as it is; black as K
// plus the mean of C, M and Y; white-based grey and RGB as their inverses.
rastertest::LevelFunction contentIn(unsigned colorSpace,
                                    std::array<unsigned, 4> (*content)(unsigned, unsigned)) {
    return [colorSpace, content](unsigned c, unsigned x, unsigned y) -> unsigned {
        const std::array<unsigned, 4> ink = content(x, y);
        const unsigned grey = std::min(255u, ink[3] + (ink[0] + ink[1] + ink[2]) / 3);
        switch (colorSpace) {
            case CUPS_CSPACE_CMYK:
                return ink[c];
            case CUPS_CSPACE_K:
                return grey;
            case CUPS_CSPACE_W:
            case CUPS_CSPACE_SW:
                return 255 - grey;
            default:  // RGB
                return 255 - std::min(255u, ink[c] + ink[3]);
        }
    };
}

// The patches of the tint page, in points from its lower left corner.
std::vector<Patch> tintPatches() {
    const double pt = 72.0 / 300;
    const auto box = [&](const char* name, double percent, unsigned x, unsigned y, unsigned w,
                         unsigned h) {
        Patch p;
        p.name = name;
        p.kind = inkband::check::patchKindOf(name);
        p.percent = percent;
        p.x = x * pt, p.y = (kTintSize - y - h) * pt, p.w = w * pt, p.h = h * pt;
        return p;
    };
    std::vector<Patch> patches;
    for (unsigned bar = 0; bar < 5; ++bar)
        for (unsigned i = 0; i < 8; ++i)
            patches.push_back(
                box(kBarNames[bar], kTintPercents[i], 20 + 70 * i, 20 + 56 * bar, 60, 48));
    patches.push_back(box("text", 100, 20, 480, 560, 100));
    return patches;
}

TestPage tintPage(const host::ModeInfo& mode, unsigned colorSpace, unsigned quality) {
    TestPage page;
    page.width = page.height = kTintSize;
    page.colorSpace = colorSpace;
    page.modeId = mode.id;
    page.quality = quality;
    page.level = contentIn(colorSpace, tintPageAt);
    return page;
}

// Varied content for any page size: smooth ramps up and down on every
// channel, with blank lines and blank stretches of each channel a cell of
// 300 or 600 dpi wide (so that every cell is all blank or all ramp).
unsigned pattern(unsigned c, unsigned x, unsigned y) {
    if ((y / 24) % 3 == 1 || (x / 24 + c) % 4 == 0) return 0;
    const unsigned t = (x * 2 + y * 3 + c * 60) % 510;
    return t < 255 ? t : 510 - t;
}

TestPage patternPage(const char* mode, unsigned width = 157, unsigned height = 37) {
    TestPage page;
    page.width = width;
    page.height = height;
    page.modeId = modeNamed(mode).id;
    page.colorSpace = host::isBlackOnly(modeNamed(mode)) ? CUPS_CSPACE_K : CUPS_CSPACE_CMYK;
    page.level = pattern;
    return page;
}

// ---------------------------------------------------------------------------

// Every mode at every quality prints the tint page within the checker's
// cell error, its tints in order and its text black; a page without a
// quality prints as Normal.
TEST(FilterProcess, EveryModeAndQualityPrintsTheTintPage) {
    const std::vector<Patch> patches = tintPatches();
    for (const host::ModeInfo& mode : host::allModes()) {
        const unsigned space = host::isBlackOnly(mode) ? CUPS_CSPACE_K : CUPS_CSPACE_CMYK;
        std::vector<uint8_t> normal;
        for (unsigned quality : {3u, 4u, 5u, 0u}) {
            SCOPED_TRACE(std::string(mode.ppdName) + " quality " + std::to_string(quality));
            const TestPage page = tintPage(mode, space, quality);
            const FilterRun run = runFilter(rastertest::rasterStream({page}));
            ASSERT_EQ(run.exitCode, 0) << run.log;
            if (quality == 4) normal = run.stream;
            if (quality == 0) {
                EXPECT_EQ(run.stream, normal) << "no quality prints other than Normal";
                continue;
            }
            expectChecked(run, {page}, patches);
            const char* name = host::qualityName(quality == 3   ? host::Quality::Draft
                                                 : quality == 5 ? host::Quality::High
                                                                : host::Quality::Normal);
            EXPECT_TRUE(logHas(run, std::string("mode ") + mode.ppdName + ", " + name)) << run.log;
            EXPECT_TRUE(logHas(run, "PAGE: 1 1")) << run.log;
            EXPECT_TRUE(logHas(run, "ATTR: job-media-progress=100")) << run.log;
        }
    }
}

// The checker is not blind: a stream that does not belong to the raster
// fails it, with the fault that shows.
TEST(FilterProcess, TheCheckerFailsStreamsOfOtherPages) {
    const TestPage page = tintPage(modeNamed("CMYK"), CUPS_CSPACE_CMYK, 4);
    TestPage ternary = page, inverted = page, blank = page, fine = page;
    ternary.modeId = modeNamed("CMYKTernary").id;
    inverted.level = [](unsigned c, unsigned x, unsigned y) { return 255 - tintPageAt(x, y)[c]; };
    blank.level = [](unsigned, unsigned, unsigned) { return 0u; };
    fine.dpi = 600;
    const struct {
        const char* what;
        std::vector<TestPage> printed;
        TestPage raster;
        const char* fault;
    } cases[] = {
        {"another mode", {page}, ternary, "ternary bytes hold no five base-3 pixels"},
        {"another mode", {ternary}, page, "plane C: cell error"},
        {"other content", {inverted}, page, "cell error"},
        {"a blank page", {blank}, page, "prints nothing"},
        {"a blank page", {blank}, page, "full-black pixels print lighter than 0.95"},
        {"another resolution", {fine}, page, "band height 16, the filter's 8"},
        {"two pages", {page, page}, page, "the raster has 1 page(s), the stream 2"},
    };
    for (const auto& c : cases) {
        const FilterRun run = runFilter(rastertest::rasterStream(c.printed));
        ASSERT_EQ(run.exitCode, 0) << run.log;
        const std::string path = scratchPath("expected.ras");
        ASSERT_TRUE(rastertest::writeFile(path, rastertest::rasterStream({c.raster})));
        const auto report = inkband::check::checkRasterFile(path, run.stream, tintPatches());
        const std::string text = inkband::check::reportText(report);
        EXPECT_FALSE(inkband::check::passed(report)) << c.what;
        EXPECT_NE(text.find(c.fault), std::string::npos) << c.what << "\n" << text;
    }
}

// Grey and RGB raster print within the cell error; white-based grey prints
// exactly as its inverse in black, RGB as its inverse in CMYK without K.
TEST(FilterProcess, GreyAndRgbRaster) {
    const auto rgbTwin = [](unsigned x, unsigned y) {
        const std::array<unsigned, 4> ink = tintPageAt(x, y);
        return std::array<unsigned, 4>{std::min(255u, ink[0] + ink[3]),
                                       std::min(255u, ink[1] + ink[3]),
                                       std::min(255u, ink[2] + ink[3]), 0u};
    };
    struct Case {
        unsigned colorSpace;
        const char* mode;  // null: the filter's default for the raster
        unsigned twinSpace;
        std::array<unsigned, 4> (*twin)(unsigned, unsigned);  // null: no twin
    };
    const Case cases[] = {
        {CUPS_CSPACE_K, nullptr, 0, nullptr},
        {CUPS_CSPACE_W, nullptr, CUPS_CSPACE_K, tintPageAt},
        {CUPS_CSPACE_SW, "CMYLkH", CUPS_CSPACE_K, tintPageAt},
        {CUPS_CSPACE_K, "CMYKLk", 0, nullptr},
        {CUPS_CSPACE_RGB, nullptr, CUPS_CSPACE_CMYK, rgbTwin},
        {CUPS_CSPACE_SRGB, "TenPlane", CUPS_CSPACE_CMYK, rgbTwin},
        {CUPS_CSPACE_RGB, "Gray", 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("colour space " + std::to_string(c.colorSpace) + ", mode " +
                     (c.mode ? c.mode : "default"));
        TestPage page = tintPage(modeNamed(c.mode ? c.mode : "Gray"), c.colorSpace, 4);
        page.modeId = c.mode ? modeNamed(c.mode).id : 0;
        const FilterRun run = runFilter(rastertest::rasterStream({page}), true);
        ASSERT_EQ(run.exitCode, 0) << run.log;
        expectChecked(run, {page}, tintPatches());
        if (c.twin == nullptr) continue;
        TestPage twin = page;
        twin.colorSpace = c.twinSpace;
        twin.level = contentIn(c.twinSpace, c.twin);
        const FilterRun twinRun = runFilter(rastertest::rasterStream({twin}));
        EXPECT_EQ(run.stream, twinRun.stream) << "prints other than its twin";
    }
    // Without a mode, grey raster prints black only, RGB in the default
    // colour mode.
    TestPage grey = tintPage(modeNamed("Gray"), CUPS_CSPACE_W, 4), rgb = grey;
    grey.modeId = rgb.modeId = 0;
    rgb.colorSpace = CUPS_CSPACE_RGB;
    rgb.level = contentIn(CUPS_CSPACE_RGB, tintPageAt);
    EXPECT_TRUE(logHas(runFilter(rastertest::rasterStream({grey})), "mode Gray,"));
    EXPECT_TRUE(logHas(runFilter(rastertest::rasterStream({rgb})), "mode CMYK,"));
}

TEST(FilterProcess, RefusedPagesAreReportedAndTheOthersPrinted) {
    struct Case {
        TestPage page;
        const char* error;  // null: printed
    };
    std::vector<Case> cases(7);
    cases[0].page = patternPage("CMYK");
    cases[1] = {patternPage("CMYK"), "1-bit raster is not read"};
    cases[1].page.bits = 1;
    cases[2] = {patternPage("CMYKTernary"), "banded or planar raster is not read"};
    cases[2].page.order = 1;
    cases[3] = {patternPage("CMYK"), "no print mode has id 99"};
    cases[3].page.modeId = 99;
    cases[4] = {patternPage("Gray", 32768, 2), "a page 32768 pixels wide"};
    cases[5] = {patternPage("CMYK"), "colour space 4 is not read"};
    cases[5].page.colorSpace = CUPS_CSPACE_CMY;
    cases[6].page = patternPage("CMYKLk");

    std::vector<TestPage> pages, printed;
    for (const Case& c : cases) {
        pages.push_back(c.page);
        if (c.error == nullptr) printed.push_back(c.page);
    }
    const FilterRun run = runFilter(rastertest::rasterStream(pages));
    EXPECT_EQ(run.exitCode, 1);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string page = std::to_string(i + 1);
        if (cases[i].error != nullptr) {
            EXPECT_TRUE(logHas(run, "ERROR: Page " + page + " refused: " + cases[i].error))
                << run.log;
            EXPECT_FALSE(logHas(run, "PAGE: " + page + " ")) << run.log;
        } else {
            EXPECT_TRUE(logHas(run, "PAGE: " + page + " 1")) << run.log;
        }
    }
    expectChecked(run, printed);
}

TEST(FilterProcess, BlankPagesStayPages) {
    TestPage blank = patternPage("CMYK");
    blank.level = [](unsigned, unsigned, unsigned) { return 0u; };
    const TestPage inked = patternPage("CMYK");
    const FilterRun run = runFilter(rastertest::rasterStream({blank, inked, blank}));
    ASSERT_EQ(run.exitCode, 0) << run.log;
    const auto decoded = decodeRun(run);
    ASSERT_EQ(decoded.pages.size(), 3u);
    EXPECT_TRUE(decoded.pages[0].bandsWithData.empty());
    EXPECT_FALSE(decoded.pages[1].bandsWithData.empty());
    EXPECT_TRUE(decoded.pages[2].bandsWithData.empty());
    expectChecked(run, {blank, inked, blank});
    EXPECT_TRUE(logHas(run, "PAGE: 3 1"));
}

// libcups turns down headers such as one with no bytes per line; that must
// not pass for the end of the job.
TEST(FilterProcess, AnInvalidPageHeaderIsAnError) {
    const TestPage good = patternPage("Gray");
    std::vector<uint8_t> raster = rastertest::rasterStream({good, good});
    // The second header lies at any byte offset: its field is cleared in
    // place, not written through a misaligned record.
    const std::size_t second = 4 + sizeof(cups_page_header2_t) +
                               good.height * rastertest::rasterLine(good, 0).size();
    std::memset(raster.data() + second + offsetof(cups_page_header2_t, cupsBytesPerLine), 0,
                sizeof(unsigned));
    const FilterRun run = runFilter(raster);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(logHas(run, "ERROR: Page 2: invalid page header")) << run.log;
    expectChecked(run, {good});
}

// A band of the widest lines of 4-bit planes does not fit the module's band
// buffer at 8 or 16 rows.
TEST(FilterProcess, WidestLinesGoOutInOneRowBands) {
    for (unsigned dpi : {300u, 600u}) {
        TestPage page = patternPage("CMYK", 32767, 12);
        page.dpi = dpi;
        const FilterRun run = runFilter(rastertest::rasterStream({page}));
        ASSERT_EQ(run.exitCode, 0) << run.log;
        EXPECT_TRUE(logHas(run, "sending one row per band")) << run.log;
        const auto decoded = decodeRun(run);
        ASSERT_EQ(decoded.pages.size(), 1u);
        EXPECT_EQ(decoded.pages[0].bandHeight, 1);
        expectChecked(run, {page});
    }
}

TEST(FilterProcess, ModeWidthQualityAndInkLimitMayChangeFromPageToPage) {
    std::vector<TestPage> pages = {patternPage("CMYK", 300, 20), patternPage("Gray", 500, 30),
                                   patternPage("TenPlane", 120, 17), patternPage("CMYK", 300, 20),
                                   patternPage("CMYLkTernary", 300, 25)};
    pages[0].quality = 3;
    pages[1].dpi = 600;
    pages[1].quality = 5;
    pages[3].inkLimit = 200;
    pages[4].dpi = 600;
    pages[4].quality = 5;
    const FilterRun run = runFilter(rastertest::rasterStream(pages));
    ASSERT_EQ(run.exitCode, 0) << run.log;
    expectChecked(run, pages);
}

TEST(FilterProcess, RasterEndingInsideAPageEndsThatPage) {
    TestPage page = patternPage("CMYKTernary");
    page.quality = 5;
    std::vector<uint8_t> raster = rastertest::rasterStream({page});
    const std::size_t line = rastertest::rasterLine(page, 0).size();
    const unsigned kept = 20;
    raster.resize(4 + sizeof(cups_page_header2_t) + kept * line + line / 2);
    const FilterRun run = runFilter(raster);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(logHas(run, "ERROR: Page 1: the raster data ends after 20 of 37 lines")) << run.log;
    EXPECT_TRUE(logHas(run, "PAGE: 1 1"));
    page.height = kept;
    expectChecked(run, {page});
}

// A job with nothing to print (Ghostscript sends no data, or a raster
// stream without a page, for a page range past the last page) ends with an
// empty stream and success, so the queue goes on; data that is not raster
// is an error.
TEST(FilterProcess, NothingToPrintEndsTheJobAndBadDataIsAnError) {
    const struct {
        const char* what;
        std::vector<uint8_t> input;
        int exitCode;
        const char* logged;
    } cases[] = {
        {"no data", {}, 0, "INFO: No pages to print"},
        {"no page", rastertest::rasterStream({}), 0, "INFO: No pages to print"},
        {"not raster", {'n', 'o', 't', ' ', 'r', 'a', 's', 't', 'e', 'r'}, 1, "ERROR: "},
    };
    for (const auto& c : cases) {
        const FilterRun run = runFilter(c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << "\n" << run.log;
        EXPECT_TRUE(logHas(run, c.logged)) << c.what << "\n" << run.log;
        EXPECT_TRUE(run.stream.empty()) << c.what;
    }
}

TEST(FilterProcess, BadArguments) {
    const std::string out = scratchPath("args.prn"), err = scratchPath("args.txt");
    const int input = open("/dev/null", O_RDONLY);
    const FilterRun few = collect(waitFor(startFilter(input, out, err, "", 5)), out, err);
    EXPECT_EQ(few.exitCode, 1);
    EXPECT_TRUE(logHas(few, "Usage: ")) << few.log;
    const FilterRun missing =
        collect(waitFor(startFilter(input, out, err, "/nonexistent/raster")), out, err);
    close(input);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(logHas(missing, "ERROR: Unable to open raster file")) << missing.log;
}

// SIGTERM while the filter waits for the rest of page 2: page 2 is ended
// with the lines it has, the job is closed, and the stream is whole.
TEST(FilterProcess, SigtermEndsTheCurrentPageAndClosesTheJob) {
    const TestPage first = patternPage("CMYK");
    TestPage second = patternPage("CMYLkH", 157, 100);
    second.quality = 5;
    const unsigned sent = 50;
    std::vector<uint8_t> raster = rastertest::rasterStream({first});
    const std::vector<uint8_t> start = rastertest::rasterStart(second);
    raster.insert(raster.end(), start.begin() + 4, start.end());
    for (unsigned y = 0; y < sent; ++y) {
        const std::vector<uint8_t> line = rastertest::rasterLine(second, y);
        raster.insert(raster.end(), line.begin(), line.end());
    }

    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    const std::string out = scratchPath("term.prn"), err = scratchPath("term.txt");
    const pid_t pid = startFilter(pipeFds[0], out, err, "");
    close(pipeFds[0]);
    ASSERT_EQ(write(pipeFds[1], raster.data(), raster.size()), static_cast<ssize_t>(raster.size()));
    // Half of page 2 is in once the filter reports 50 % of it.
    bool half = false;
    for (int i = 0; i < 600 && !half; ++i) {
        const std::string log = readText(err);
        half = log.find("Printing page 2") != std::string::npos &&
               log.find("job-media-progress=50", log.find("Printing page 2")) != std::string::npos;
        if (!half) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(half) << readText(err);
    kill(pid, SIGTERM);
    int status = 0;
    bool exited = false;
    for (int i = 0; i < 600 && !exited; ++i) {
        exited = waitpid(pid, &status, WNOHANG) == pid;
        if (!exited) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    close(pipeFds[1]);  // lets a filter that missed the signal run into the end of its input
    if (!exited) waitpid(pid, &status, 0);
    EXPECT_TRUE(exited) << "the filter kept waiting for input after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status));
    const FilterRun run = collect(WEXITSTATUS(status), out, err);
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_TRUE(logHas(run, "PAGE: 2 1")) << run.log;
    EXPECT_TRUE(logHas(run, "INFO: Job stopped after 2 page(s)")) << run.log;
    EXPECT_FALSE(logHas(run, "ERROR:")) << run.log;
    second.height = sent;
    expectChecked(run, {first, second});
}

}  // namespace
