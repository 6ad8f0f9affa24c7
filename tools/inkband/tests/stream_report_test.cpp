// inspect on damaged streams: every cut inside a frame, and bytes
// overwritten anywhere, are reported with a byte offset inside the data;
// nothing crashes, also when the planes of a damaged stream are rebuilt and
// drawn.
#include "inkband/stream_report.h"

#include <gtest/gtest.h>

#include <algorithm>
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
void drawAccepted(const InspectResult& result) {
    if (!result.status.ok || result.mode == nullptr) return;
    for (const decode::Page& page : result.stream.pages) {
        const int64_t area =
            static_cast<int64_t>(inferredWidth(page, *result.mode)) * inferredHeight(page);
        if (area == 0 || area > (1 << 22)) continue;
        DecodedPlanes planes;
        std::string error;
        ASSERT_TRUE(reconstructPage(page, *result.mode, 0, 0, planes, error)) << error;
        const RgbImage preview = renderPreview(planes, *result.mode);
        EXPECT_EQ(
            preview.width,
            previewLayout(planes.width, planes.height, static_cast<int>(planes.wire.size())).width);
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
            if (cut % 211 == 0) drawAccepted(result);
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
                if (cases % 53 == 0) drawAccepted(result);
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
        {"CMYK", "cmyk-1bit"},
        {"CMYLk4422", "cmy-lk-4bit"},
        {"tenplanecoarse", "ten-plane-coarse"},
        {"TenPlane", "ten-plane-fine"},
        {"CMYKLk", "cmyk-lk-ternary"},
        {"CMYLkH", "cmy-lk-h-4bit"},
        {"CMYK4421", "cmyk-4bit"},
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
