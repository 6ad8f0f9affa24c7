// Runs the built rastertoinkband on raster written by the tests and reads
// its output back with the decoder: every mode in banded and chunky raster,
// depth conversions, refused pages, mode changes between pages, truncated
// input, SIGTERM in the middle of a page, and the CUPS log lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "check/reference_planes.h"
#include "decoder/stream_decoder.h"
#include "job_settings.h"
#include "print_modes.h"
#include "raster_file.h"

namespace {

using inkband::decode::Page;
using inkband::filter::PrintMode;
using rastertest::TestPage;

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

const PrintMode& modeNamed(const char* name) {
    for (const PrintMode& m : inkband::filter::printModes())
        if (std::string(m.name) == name) return m;
    ADD_FAILURE() << name;
    return inkband::filter::printModes()[0];
}

// Varied content: blank lines, blank channels on some lines, ramps through
// every level, isolated pixels at both ends of the line.
unsigned pattern(unsigned c, unsigned x, unsigned y) {
    if (y % 7 == 3) return 0;
    if (y % 5 == 1 && c == 1) return 0;
    if (x == 0 || x + 1 == 157) return 15;
    return (x / 3 + y + c * 5) % 16 * ((x / 9 + c) % 3 != 0);
}

TestPage pageFor(const PrintMode& mode, unsigned order, unsigned width = 157,
                 unsigned height = 37) {
    TestPage page;
    page.width = width;
    page.height = height;
    page.colorSpace = mode.rasterColorSpace;
    page.bits = mode.rasterBits;
    page.order = order;
    page.modeId = mode.id;
    page.level = pattern;
    return page;
}

// The decoded page carries exactly the levels the raster page asks for, on
// lines 0 .. lines - 1, and nothing below.
void expectPage(const Page& decoded, const TestPage& page, unsigned lines) {
    const PrintMode* mode = page.modeId != 0
                                ? inkband::filter::findPrintMode(page.modeId)
                                : inkband::filter::defaultPrintMode(page.colorSpace, page.bits);
    ASSERT_NE(mode, nullptr);
    const char* channels = inkband::filter::rasterChannels(page.colorSpace);
    const auto planes = inkband::check::outputPlanes(*mode, channels);
    const auto resolution =
        inkband::filter::settingsResolution(*mode, static_cast<int16_t>(page.width), page.dpi);
    EXPECT_EQ(decoded.bandHeight, inkband::filter::bandHeightFor(resolution));
    static const std::vector<uint8_t> kNone;
    int mismatches = 0;
    for (const auto& plane : planes) {
        auto found = decoded.planes.find(plane.letter);
        for (unsigned y = 0; y < page.height; ++y) {
            const std::vector<uint8_t>& bytes =
                found != decoded.planes.end() ? found->second.line(y) : kNone;
            const unsigned end =
                std::max(page.width, inkband::check::decodedPixels(bytes.size(), plane));
            for (unsigned x = 0; x < end; ++x) {
                unsigned expected = 0;
                if (y < lines && x < page.width && plane.channel >= 0) {
                    const unsigned v = page.level(static_cast<unsigned>(plane.channel), x, y) &
                                       ((1u << page.bits) - 1);
                    expected = inkband::check::expectedLevel(plane, v, page.bits);
                }
                const unsigned got = inkband::check::decodedLevel(bytes, plane, x);
                if (got != expected && ++mismatches <= 5)
                    ADD_FAILURE() << mode->name << " plane 0x" << std::hex << int(plane.letter)
                                  << std::dec << " line " << y << " pixel " << x << ": expected "
                                  << expected << ", got " << got;
            }
        }
        if (found != decoded.planes.end() && !found->second.lines.empty()) {
            EXPECT_LT(found->second.lines.rbegin()->first, static_cast<int64_t>(lines));
        }
    }
    EXPECT_EQ(mismatches, 0) << mode->name;
}

inkband::decode::StreamResult decodeRun(const FilterRun& run) {
    inkband::decode::StreamResult result = inkband::decode::decodeStream(run.stream);
    EXPECT_TRUE(result.status) << result.status.describe();
    return result;
}

bool logHas(const FilterRun& run, const std::string& text) {
    return run.log.find(text) != std::string::npos;
}

TEST(FilterProcess, EveryModeInBandedAndChunkyRaster) {
    for (const PrintMode& mode : inkband::filter::printModes()) {
        SCOPED_TRACE(mode.name);
        const TestPage banded = pageFor(mode, 1), chunky = pageFor(mode, 0);
        const FilterRun fromBanded = runFilter(rastertest::rasterStream({banded}));
        const FilterRun fromChunky = runFilter(rastertest::rasterStream({chunky}), true);
        ASSERT_EQ(fromBanded.exitCode, 0) << fromBanded.log;
        ASSERT_EQ(fromChunky.exitCode, 0) << fromChunky.log;
        const auto decoded = decodeRun(fromBanded);
        ASSERT_EQ(decoded.pages.size(), 1u);
        expectPage(decoded.pages[0], banded, banded.height);
        EXPECT_EQ(fromBanded.stream, fromChunky.stream) << "banded and chunky raster differ";
        EXPECT_TRUE(logHas(fromBanded, "PAGE: 1 1")) << fromBanded.log;
        EXPECT_TRUE(logHas(fromBanded, "ATTR: job-media-progress=100")) << fromBanded.log;
        EXPECT_TRUE(logHas(fromBanded, std::string("mode ") + mode.name)) << fromBanded.log;
    }
}

TEST(FilterProcess, RasterOfOtherDepthsIsScaledToThePlanes) {
    struct Case {
        const char* mode;  // null: the default for the raster format
        unsigned colorSpace, bits, order;
    };
    const Case cases[] = {
        {nullptr, 3, 4, 1},          {nullptr, 3, 2, 0},  {"CMYK4421", 6, 1, 1},
        {"CMYKTernary", 6, 4, 0},    {"CMYK", 3, 2, 1},   {"TenPlane", 6, 2, 1},
        {"TenPlaneCoarse", 6, 1, 0}, {"CMYLkH", 3, 4, 1}, {nullptr, 6, 2, 1},
    };
    for (const Case& c : cases) {
        TestPage page = pageFor(modeNamed(c.mode ? c.mode : "Gray"), c.order);
        page.colorSpace = c.colorSpace;
        page.bits = c.bits;
        page.modeId = c.mode ? modeNamed(c.mode).id : 0;
        SCOPED_TRACE(std::string(c.mode ? c.mode : "default") + " from " +
                     std::to_string(c.colorSpace) + "/" + std::to_string(c.bits));
        const FilterRun run = runFilter(rastertest::rasterStream({page}));
        ASSERT_EQ(run.exitCode, 0) << run.log;
        const auto decoded = decodeRun(run);
        ASSERT_EQ(decoded.pages.size(), 1u);
        expectPage(decoded.pages[0], page, page.height);
    }
}

TEST(FilterProcess, BlankPagesStayPages) {
    TestPage blank = pageFor(modeNamed("CMYK4421"), 1);
    blank.level = [](unsigned, unsigned, unsigned) { return 0u; };
    const TestPage inked = pageFor(modeNamed("CMYK4421"), 1);
    const FilterRun run = runFilter(rastertest::rasterStream({blank, inked, blank}));
    ASSERT_EQ(run.exitCode, 0) << run.log;
    const auto decoded = decodeRun(run);
    ASSERT_EQ(decoded.pages.size(), 3u);
    EXPECT_TRUE(decoded.pages[0].bandsWithData.empty());
    EXPECT_FALSE(decoded.pages[1].bandsWithData.empty());
    EXPECT_TRUE(decoded.pages[2].bandsWithData.empty());
    expectPage(decoded.pages[1], inked, inked.height);
    EXPECT_TRUE(logHas(run, "PAGE: 3 1"));
}

TEST(FilterProcess, RefusedPagesAreReportedAndTheOthersPrinted) {
    const TestPage good = pageFor(modeNamed("CMYK"), 1);
    TestPage wide = pageFor(modeNamed("Gray"), 1, 32768, 2);
    TestPage rgb = pageFor(modeNamed("CMYK"), 1);
    rgb.colorSpace = 1;  // CUPS_CSPACE_RGB, three channels
    rgb.bits = 4;        // keeps the line length a whole number of bytes per channel
    TestPage unknown = pageFor(modeNamed("CMYK"), 1);
    unknown.modeId = 99;
    TestPage last = pageFor(modeNamed("CMYKLk"), 0);
    std::vector<uint8_t> raster = rastertest::rasterStream({good, wide, unknown});
    // An RGB page: headers from the helper describe it as one channel, which
    // is all the filter needs to refuse it and read past its lines.
    const std::vector<uint8_t> tail = rastertest::rasterStream({rgb, last});
    raster.insert(raster.end(), tail.begin() + 4, tail.end());
    const FilterRun run = runFilter(raster);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(logHas(run, "ERROR: Page 2 refused: the page is 32768 pixels wide")) << run.log;
    EXPECT_TRUE(logHas(run, "ERROR: Page 3 refused: no print mode for cupsInteger0 99")) << run.log;
    EXPECT_TRUE(logHas(run, "ERROR: Page 4 refused: colour space 1")) << run.log;
    EXPECT_TRUE(logHas(run, "PAGE: 1 1"));
    EXPECT_TRUE(logHas(run, "PAGE: 5 1"));
    EXPECT_FALSE(logHas(run, "PAGE: 2 "));
    const auto decoded = decodeRun(run);
    ASSERT_EQ(decoded.pages.size(), 2u);
    expectPage(decoded.pages[0], good, good.height);
    expectPage(decoded.pages[1], last, last.height);
}

// libcups turns down headers such as one with no bytes per line; that must
// not pass for the end of the job.
TEST(FilterProcess, AnInvalidPageHeaderIsAnError) {
    const TestPage good = pageFor(modeNamed("Gray"), 1);
    std::vector<uint8_t> raster = rastertest::rasterStream({good, good});
    cups_page_header2_t* second = reinterpret_cast<cups_page_header2_t*>(
        raster.data() + 4 + sizeof(cups_page_header2_t) +
        good.height * rastertest::rasterLine(good, 0).size());
    second->cupsBytesPerLine = 0;
    const FilterRun run = runFilter(raster);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(logHas(run, "ERROR: Page 2: invalid page header")) << run.log;
    const auto decoded = decodeRun(run);
    ASSERT_EQ(decoded.pages.size(), 1u);
    expectPage(decoded.pages[0], good, good.height);
}

TEST(FilterProcess, WidestLinesGoOutInOneRowBands) {
    for (unsigned dpi : {300u, 600u}) {
        TestPage page = pageFor(modeNamed("CMYK4421"), 1, 32767, 12);
        page.dpi = dpi;
        page.level = [](unsigned c, unsigned x, unsigned y) { return (x * 7 + y + c) % 16; };
        const FilterRun run = runFilter(rastertest::rasterStream({page}));
        ASSERT_EQ(run.exitCode, 0) << run.log;
        EXPECT_TRUE(logHas(run, "sending one row per band")) << run.log;
        const auto decoded = decodeRun(run);
        ASSERT_EQ(decoded.pages.size(), 1u);
        EXPECT_EQ(decoded.pages[0].bandHeight, 1);
        expectPage(decoded.pages[0], page, page.height);
    }
}

TEST(FilterProcess, ModeAndWidthMayChangeFromPageToPage) {
    std::vector<TestPage> pages = {
        pageFor(modeNamed("CMYK4421"), 1, 300, 20), pageFor(modeNamed("Gray"), 1, 500, 30),
        pageFor(modeNamed("TenPlane"), 0, 120, 17), pageFor(modeNamed("CMYK4421"), 1, 300, 20),
        pageFor(modeNamed("CMYLkTernary"), 1, 300, 25)};
    pages[1].dpi = 600;
    pages[4].dpi = 600;
    const FilterRun run = runFilter(rastertest::rasterStream(pages));
    ASSERT_EQ(run.exitCode, 0) << run.log;
    const auto decoded = decodeRun(run);
    ASSERT_EQ(decoded.pages.size(), pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        expectPage(decoded.pages[i], pages[i], pages[i].height);
    }
}

TEST(FilterProcess, RasterEndingInsideAPageEndsThatPage) {
    const TestPage page = pageFor(modeNamed("CMYKTernary"), 1);
    std::vector<uint8_t> raster = rastertest::rasterStream({page});
    const std::size_t line = rastertest::rasterLine(page, 0).size();
    const unsigned kept = 20;
    raster.resize(4 + sizeof(cups_page_header2_t) + kept * line + line / 2);
    const FilterRun run = runFilter(raster);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(logHas(run, "ERROR: Page 1: the raster data ends after 20 of 37 lines")) << run.log;
    EXPECT_TRUE(logHas(run, "PAGE: 1 1"));
    const auto decoded = decodeRun(run);
    ASSERT_EQ(decoded.pages.size(), 1u);
    expectPage(decoded.pages[0], page, kept);
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
    const TestPage first = pageFor(modeNamed("CMYK4421"), 1);
    TestPage second = pageFor(modeNamed("CMYK4421"), 1, 157, 100);
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
    const auto decoded = decodeRun(run);
    ASSERT_EQ(decoded.pages.size(), 2u);
    expectPage(decoded.pages[0], first, first.height);
    expectPage(decoded.pages[1], second, sent);
}

}  // namespace
