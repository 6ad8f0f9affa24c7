// inspect on damaged streams: every cut inside a frame, and bytes
// overwritten anywhere, are reported with a byte offset inside the data;
// nothing crashes, also when the planes of a damaged stream are rebuilt and
// drawn.
#include "inkband/stream_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

#include "decoder/stream_decoder.h"
#include "inkband/plane_reconstruct.h"
#include "inkband/png_preview.h"
#include "tool_test_support.h"

using namespace inkband::tool;
namespace decode = inkband::decode;

namespace {

// Offsets at which a frame ends: a stream cut there is still well framed.
std::set<std::size_t> frameEnds(const std::vector<uint8_t>& stream) {
    const decode::FrameList frames = decode::parseFrames(stream.data(), stream.size());
    EXPECT_TRUE(frames.status.ok) << frames.status.describe();
    std::set<std::size_t> ends;
    for (const decode::Frame& f : frames.frames)
        ends.insert(f.isFormFeed() ? f.offset + 1 : f.payloadOffset + f.length);
    return ends;
}

// Rebuilding and drawing a stream that inspect accepted must not crash;
// pages too large for a test are left out.
void drawAccepted(const uint8_t* data, std::size_t size, const InspectResult& result) {
    if (!result.status.ok || result.mode == nullptr) return;
    for (const decode::Page& page : result.stream.pages) {
        const int width = inferredWidth(page, *result.mode), height = inferredHeight(page);
        const int64_t area = static_cast<int64_t>(width) * height;
        if (area == 0 || area > (1 << 22)) continue;
        DecodedPlanes planes;
        std::string error;
        ASSERT_TRUE(reconstructPage(data, size, page, *result.mode, 0, 0, planes, error)) << error;
        const RgbImage preview =
            tooltest::previewImage(data, size, page, *result.mode, width, height, kThumbnailMemory);
        EXPECT_EQ(preview.width,
                  previewLayout(width, height, static_cast<int>(result.mode->wires.size())).width);
    }
}

struct StreamCase {
    const char* mode;
    int resolution;
};
constexpr StreamCase kStreams[] = {
    {"cmyk-lk-ternary", 300}, {"ten-plane-fine", 150}, {"black", 600}};

}  // namespace

TEST(Inspect, TheToolsOwnStreamsAreValid) {
    for (const StreamCase& c : kStreams) {
        const ModeInfo& mode = *findMode(c.mode);
        const auto stream =
            tooltest::printToMemory(tooltest::testPageRaster(mode, 120), c.resolution, 2);
        const InspectResult result = inspectStream(stream.data(), stream.size(), nullptr);
        EXPECT_TRUE(result.status.ok) << result.status.describe();
        EXPECT_EQ(result.mode, &mode);
        ASSERT_EQ(result.pages.size(), 2u);
        EXPECT_GT(result.pages[0].bandsWithData, 0);
        EXPECT_GT(result.pages[0].skippedBands, 0) << c.mode << ": the test page has blank bands";
    }
}

TEST(Inspect, EveryCutInsideAFrameIsAnError) {
    for (const StreamCase& c : kStreams) {
        const ModeInfo& mode = *findMode(c.mode);
        const auto stream =
            tooltest::printToMemory(tooltest::testPageRaster(mode, 64), c.resolution);
        const std::set<std::size_t> ends = frameEnds(stream);
        for (std::size_t cut = 0; cut < stream.size(); ++cut) {
            const InspectResult result = inspectStream(stream.data(), cut, &mode);
            if (ends.count(cut) == 0) {
                ASSERT_FALSE(result.status.ok) << c.mode << ": cut at " << cut;
                ASSERT_LE(result.status.offset, cut) << c.mode << ": cut at " << cut;
            }
            if (cut % 211 == 0) drawAccepted(stream.data(), cut, result);
        }
        EXPECT_FALSE(inspectStream(stream.data(), 0, nullptr).status.ok) << "an empty stream";
    }
}

TEST(Inspect, OverwrittenBytesNeverCrashAndErrorsPointIntoTheData) {
    for (const StreamCase& c : kStreams) {
        const ModeInfo& mode = *findMode(c.mode);
        const auto stream =
            tooltest::printToMemory(tooltest::testPageRaster(mode, 64), c.resolution);
        int errors = 0, cases = 0;
        // About four hundred positions per stream, spread over all of it.
        const std::size_t step = std::max<std::size_t>(1, stream.size() / 400) | 1;
        for (std::size_t at = 0; at < stream.size(); at += step) {
            for (uint8_t value : {uint8_t{0x00}, uint8_t{0x1B}, uint8_t{0x80}, uint8_t{0xFF},
                                  static_cast<uint8_t>(stream[at] ^ 0x01)}) {
                if (value == stream[at]) continue;
                std::vector<uint8_t> damaged = stream;
                damaged[at] = value;
                const InspectResult result =
                    inspectStream(damaged.data(), damaged.size(), cases % 4 ? &mode : nullptr);
                ++cases;
                if (!result.status.ok) {
                    ++errors;
                    ASSERT_LE(result.status.offset, damaged.size());
                }
                if (cases % 53 == 0) drawAccepted(damaged.data(), damaged.size(), result);
            }
        }
        // Most damage is caught: a payload byte changed inside a literal is
        // the kind that cannot be.
        EXPECT_GT(errors, cases / 4) << c.mode;
    }
}

TEST(Inspect, SelectionsMustBeTheFormatsAndTheModes) {
    const ModeInfo& mode = *findMode("cmyk-1bit");
    const auto stream = tooltest::printToMemory(tooltest::testPageRaster(mode, 64), 300);
    // Renaming the first plane letter of the first selection.
    const decode::FrameList frames = decode::parseFrames(stream.data(), stream.size());
    std::size_t letter = 0;
    for (const decode::Frame& f : frames.frames)
        if (f.letter == 0x4C && f.length == 4) {
            letter = f.payloadOffset;
            break;
        }
    ASSERT_NE(letter, 0u);
    std::vector<uint8_t> damaged = stream;
    damaged[letter] = 'Z';
    InspectResult result = inspectStream(damaged.data(), damaged.size(), nullptr);
    ASSERT_FALSE(result.status.ok);
    EXPECT_EQ(result.status.offset, letter - 5);
    // A valid selection that the named mode does not send.
    result = inspectStream(stream.data(), stream.size(), findMode("cmy-lk-4bit"));
    ASSERT_FALSE(result.status.ok);
    EXPECT_NE(result.status.message.find("cmy-lk-4bit"), std::string::npos);
}

// As a process: exit status 1 and the error with its offset, for a cut
// stream; 0 for the whole one; 2 for a file that is not there.
TEST(Inspect, TheToolReportsTheFirstErrorAndExitsWithOne) {
    const ModeInfo& mode = *findMode("cmyk-4bit");
    const auto stream = tooltest::printToMemory(tooltest::testPageRaster(mode, 80), 300);
    const std::string dir = tooltest::workDir();
    ASSERT_TRUE(tooltest::writeBytes(dir + "/whole.prn", stream.data(), stream.size()));
    ASSERT_TRUE(tooltest::writeBytes(dir + "/cut.prn", stream.data(), stream.size() - 3));
    std::string out;
    EXPECT_EQ(tooltest::runTool("inspect " + dir + "/whole.prn", &out), 0);
    EXPECT_NE(out.find("stream is valid"), std::string::npos) << out;
    out.clear();
    EXPECT_EQ(tooltest::runTool("inspect " + dir + "/cut.prn", &out), 1);
    EXPECT_NE(out.find("error at byte "), std::string::npos) << out;
    out.clear();
    EXPECT_EQ(tooltest::runTool("inspect --json " + dir + "/cut.prn", &out), 1);
    EXPECT_NE(out.find("\"valid\": false"), std::string::npos) << out;
    EXPECT_EQ(tooltest::runTool("inspect " + dir + "/not-there.prn"), 2);
}

// --mode takes the tool's names and the PPD's ColorModel names, in any case.
TEST(Inspect, ModesAreFoundByEitherName) {
    const struct {
        const char* asked;
        const char* mode;  // null: no such mode
    } cases[] = {
        {"cmyk-ternary", "cmyk-ternary"},
        {"CMYKTernary", "cmyk-ternary"},
        {"cmykternary", "cmyk-ternary"},
        {"Gray", "black"},
        {"BLACK", "black"},
        {"CMYK", "cmyk-4bit"},
        {"CMYLk4422", "cmy-lk-4bit"},
        {"tenplanecoarse", "ten-plane-coarse"},
        {"TenPlane", "ten-plane-fine"},
        {"CMYKLk", "cmyk-lk-ternary"},
        {"CMYLkH", "cmy-lk-h-4bit"},
        {"CMYK1111", "cmyk-1bit"},
        {"CMYLkTernary", "cmy-lk-ternary"},
        {"cmyk-", nullptr},
        {"", nullptr},
        {"TenPlaneCoarseX", nullptr},
    };
    for (const auto& c : cases) {
        const ModeInfo* found = findMode(c.asked);
        if (c.mode == nullptr)
            EXPECT_EQ(found, nullptr) << c.asked;
        else
            EXPECT_TRUE(found != nullptr && std::string(found->name) == c.mode) << c.asked;
    }
}

// Each mode's test page, printed by the tool, is guessed unaided; where the
// planes cannot tell the modes apart, the guess says so and names them.
// Light cyan alone is the hard case for 1-bit against ternary: no byte of
// either exceeds 242, and only one plane has lines.
TEST(Inspect, TheModeIsGuessedOrCalledAmbiguous) {
    struct Case {
        const char* picture;  // null: the built-in test page
        const char* mode;
        std::vector<std::string> alike;  // empty: a clear guess of `mode`
    };
    std::vector<Case> cases;
    for (const ModeInfo& mode : allModes()) cases.push_back({nullptr, mode.name, {}});
    cases.push_back({"light-cyan", "cmyk-1bit", {}});
    cases.push_back({"light-cyan", "cmyk-ternary", {}});
    cases.push_back({"yellow-ramp", "cmyk-ternary", {"cmyk-1bit", "cmyk-ternary"}});
    cases.push_back({"yellow-ramp", "cmyk-1bit", {"cmyk-1bit", "cmyk-ternary"}});

    const std::string dir = tooltest::workDir();
    auto writePicture = [&](const std::string& name) {
        std::string ppm = "P6\n90 40\n255\n";
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 90; ++x) {
                const bool cyan = name == "light-cyan";
                ppm += static_cast<char>(cyan ? 180 : 255);
                ppm += static_cast<char>(255);
                ppm += static_cast<char>(cyan ? 255 : 255 - x * 255 / 89);
            }
        const std::string path = dir + "/" + name + ".ppm";
        EXPECT_TRUE(
            tooltest::writeBytes(path, reinterpret_cast<const uint8_t*>(ppm.data()), ppm.size()));
        return path;
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.picture ? c.picture : "test page") + " in " + c.mode;
        const std::string prn = dir + "/guess.prn";
        ASSERT_EQ(
            tooltest::runTool("print " + (c.picture ? writePicture(c.picture) : "") + " --mode " +
                              c.mode + " --width 360 -q --no-progress -o " + prn),
            0)
            << what;
        std::string out;
        ASSERT_EQ(tooltest::runTool("inspect --json " + prn, &out), 0) << what;
        const nlohmann::json mode = nlohmann::json::parse(out)["mode"];
        std::vector<std::string> alike;
        for (const auto& name : mode["candidates"]) alike.push_back(name);
        EXPECT_EQ(alike, c.alike) << what;
        EXPECT_EQ(mode["ambiguous"], !c.alike.empty()) << what;
        if (c.alike.empty()) {
            EXPECT_EQ(mode["name"], c.mode) << what;
        }
        out.clear();
        ASSERT_EQ(tooltest::runTool("inspect " + prn, &out), 0) << what;
        EXPECT_EQ(out.find("ambiguous") != std::string::npos, !c.alike.empty()) << what << out;
    }
}
