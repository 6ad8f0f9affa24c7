// The ten-plane split of mode classes 7 and 10: each 4-bit source plane
// feeds two output planes through per-plane level tables.  Byte examples on
// the job record, the rewrite of the caller's line, blank planes, the band
// grid, the widest line, refused descriptors, black-only selections, and
// random multi-page round trips against the level tables applied pixel by
// pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>

#include "decoder/stream_decoder.h"
#include "job/output_job.h"
#include "job/plane_prepare.h"
#include "support/heap_guard.h"
#include "support/job_snapshot.h"
#include "support/manual_job.h"
#include "support/page_model.h"

using namespace testjob;
namespace decode = inkband::decode;
using Bytes = std::vector<uint8_t>;

namespace {

class SplitPlanesTest : public HeapGuardedTest {};

constexpr int kOutputPlanes = 10;
constexpr int kSourcePlanes = 5;

// Output planes: C M Y k H, then the same letters with bit 7 set.
const Bytes kTenLetters = {'C', 'M', 'Y', 'k', 'H', 0xC3, 0xCD, 0xD9, 0xEB, 0xC8};
constexpr int kOutputBits[kOutputPlanes] = {4, 4, 2, 2, 4, 4, 4, 2, 2, 4};

// What each level of a source pixel prints as on one output plane; levels
// past the end print as 0.
using Levels = std::vector<int>;
const Levels kClass7Levels[kOutputPlanes] = {
    {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
    {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
    {0, 1, 2, 2, 2, 3, 3, 3},
    {0, 1, 2, 2, 2},
    {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
    {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
    {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
    {0, 0, 0, 1, 2, 1, 2, 3},
    {0, 0, 0, 1, 2},
    {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
};
const Levels kClass10Levels[kOutputPlanes] = {
    {0, 1, 1, 1, 2},
    {0, 1, 1, 1, 2},
    {0, 1, 2, 2, 2},
    {0, 1, 2, 2, 2},
    {0, 1, 1, 1, 2, 2, 5, 8, 7, 9},
    {0, 0, 1, 2, 2},
    {0, 0, 1, 2, 2},
    {0, 0, 0, 1, 2},
    {0, 0, 0, 1, 2},
    {0, 0, 1, 2, 2, 5, 5, 3, 8, 8},
};

const Levels& levelsOf(int16_t modeClass, int outputPlane) {
    return modeClass == 10 ? kClass10Levels[outputPlane] : kClass7Levels[outputPlane];
}

JobSettings tenPlaneSettings(int16_t modeClass, int16_t lineWidth, int16_t resolution = 300) {
    return modeClass == 10 ? makeSettings(10, 40, lineWidth, resolution, 1)
                           : makeSettings(0, 51, lineWidth, resolution);
}

// The bytes output plane j must carry for a source plane line: every pixel
// of the span looked up in the plane's table, packed at the output depth,
// trailing zero bytes dropped; empty for a blank line.
Bytes expectedSplitLine(const PlaneSpec& source, int16_t modeClass, int j) {
    Bytes out;
    if (source.null) return out;
    const Levels& levels = levelsOf(modeClass, j);
    const int bits = kOutputBits[j];
    const int perByte = 8 / bits;
    const int end = source.width - source.right;
    for (int p = source.left; p < end; ++p) {
        int v = pixelAt(source.bytes, 4, p);
        int w = v < static_cast<int>(levels.size()) ? levels[v] : 0;
        if (w == 0) continue;
        std::size_t index = static_cast<std::size_t>(p / perByte);
        if (out.size() <= index) out.resize(index + 1, 0);
        out[index] |= static_cast<uint8_t>(w << (8 - bits * (p % perByte + 1)));
    }
    while (!out.empty() && out.back() == 0) out.pop_back();
    return out;
}

// Bytes of one output line buffer: lineWidth pixels at the plane's depth and
// one spare byte.
std::size_t bufferSize(int16_t lineWidth, int j) {
    return static_cast<std::size_t>((lineWidth * kOutputBits[j] + 7) / 8 + 1);
}

// A job with an open page of the given class, for calls straight into the
// split.  Every line buffer starts filled with `fill`.
struct SplitJob {
    ManualJob manual;
    int16_t lineWidth;

    SplitJob(int16_t modeClass, int16_t width, int16_t resolution = 300) : lineWidth(width) {
        JobSettings s = tenPlaneSettings(modeClass, width, resolution);
        EXPECT_EQ(manual.initTwo(s), INKBAND_OK);
        EXPECT_EQ(manual.initPart(s), INKBAND_OK);
        EXPECT_EQ(manual.job->modeClass, modeClass);
    }
    OutputJob* job() { return manual.job; }
    void fillBuffers(uint8_t fill) {
        for (int j = 0; j < kOutputPlanes; ++j)
            std::memset(job()->lineBuffers[j], fill, bufferSize(lineWidth, j));
    }
    Bytes buffer(int j) {
        return Bytes(job()->lineBuffers[j], job()->lineBuffers[j] + bufferSize(lineWidth, j));
    }
    // What OutputProduceTwo does around the split: the prepared lines point
    // at the line buffers, then the planes are split.
    void split(int32_t line, std::vector<PlaneSpec>& planes) {
        RasterLine raster{};
        raster.line = line;
        for (std::size_t i = 0; i < planes.size(); ++i) {
            raster.planes[i].data = planes[i].null ? nullptr : planes[i].bytes.data();
            raster.planes[i].width = planes[i].width;
            raster.planes[i].left = planes[i].left;
            raster.planes[i].right = planes[i].right;
        }
        for (int j = 0; j < kOutputPlanes; ++j) job()->planeLines[j].data = job()->lineBuffers[j];
        inkband::SplitPlanes(job(), &raster);
    }
};

PlaneSpec fourBit(Bytes bytes, int16_t width, int16_t left = 0, int16_t right = 0) {
    PlaneSpec p;
    p.bytes = std::move(bytes);
    p.width = width;
    p.left = left;
    p.right = right;
    return p;
}

std::vector<PlaneSpec> onlySource(int source, PlaneSpec p) {
    std::vector<PlaneSpec> planes(kSourcePlanes, nullPlane());
    planes[static_cast<std::size_t>(source)] = std::move(p);
    return planes;
}

struct OutputWant {
    Bytes bytes;  // output bytes 0 .. n-1
    int32_t first, last;
    int16_t blank;
};

struct SplitCase {
    const char* name;
    int16_t modeClass;
    int source;
    int16_t width, left, right;
    Bytes input;
    Bytes callerAfter;  // the caller's bytes after the split
    OutputWant low;     // output plane `source`
    OutputWant high;    // output plane `source` + 5
    int16_t outWidth;
};

const SplitCase kSplitCases[] = {
    {"C, class 7, level 15 past the table",
     7,
     0,
     4,
     0,
     0,
     {0x12, 0x9F},
     {0x12, 0x9F},
     {{0x01, 0x90}, 0, 1, inkband::kLineHasData},
     {{0x11, 0xB0}, 0, 1, inkband::kLineHasData},
     4},
    {"Y, class 7, 2-bit outputs",
     7,
     2,
     8,
     0,
     0,
     {0x12, 0x34, 0x56, 0x70},
     {0x12, 0x34, 0x56, 0x70},
     {{0x6A, 0xFC}, 0, 1, inkband::kLineHasData},
     {{0x06, 0x6C}, 0, 1, inkband::kLineHasData},
     8},
    {"H, class 10",
     10,
     4,
     4,
     0,
     0,
     {0x9A, 0xF5},
     {0x9A, 0xF5},
     {{0x90, 0x02}, 0, 1, inkband::kLineHasData},
     {{0x80, 0x05}, 0, 1, inkband::kLineHasData},
     4},
    {"C, class 10, second plane blank",
     10,
     0,
     4,
     0,
     0,
     {0x5A, 0x01},
     {0x5A, 0x01},
     {{0x00, 0x01}, 1, 1, inkband::kLineHasData},
     {{0x00, 0x00}, 0, 0, inkband::kLineBlank},
     4},
    {"M, class 7, caller's bytes rewritten, every level 15",
     7,
     1,
     8,
     3,
     1,
     {0xFF, 0xFF, 0xFF, 0xFF},
     {0x00, 0x0F, 0xFF, 0xF0},
     {{0x00, 0x00, 0x00, 0x00}, 0, 0, inkband::kLineBlank},
     {{0x00, 0x00, 0x00, 0x00}, 0, 0, inkband::kLineBlank},
     8},
    {"k, class 7, odd source byte count on 2-bit planes (u 3, n 2)",
     7,
     3,
     8,
     0,
     2,
     {0x00, 0x00, 0x34, 0xFF},
     {0x00, 0x00, 0x34, 0xFF},
     {{0x00, 0xA0}, 1, 1, inkband::kLineHasData},
     {{0x00, 0x60}, 1, 1, inkband::kLineHasData},
     8},
    {"Y, class 10, stray pixels of both edge bytes cleared",
     10,
     2,
     7,
     1,
     0,
     {0xF4, 0x21, 0x03, 0x4F},
     {0x04, 0x21, 0x03, 0x40},
     {{0x29, 0x28}, 0, 1, inkband::kLineHasData},
     {{0x20, 0x18}, 0, 1, inkband::kLineHasData},
     8},
};

TEST_F(SplitPlanesTest, ByteExamplesFillBothOutputPlanes) {
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.name);
        SplitJob sj(c.modeClass, 16);
        sj.fillBuffers(0xEE);
        std::vector<PlaneSpec> planes =
            onlySource(c.source, fourBit(c.input, c.width, c.left, c.right));
        sj.split(0, planes);
        EXPECT_EQ(planes[static_cast<std::size_t>(c.source)].bytes, c.callerAfter);

        const int outputs[2] = {c.source, c.source + 5};
        const OutputWant* wants[2] = {&c.low, &c.high};
        for (int k = 0; k < 2; ++k) {
            const int j = outputs[k];
            const OutputWant& want = *wants[k];
            SCOPED_TRACE(testing::Message() << "output plane " << j);
            // The bytes the encoder reads, the non-zero ones and those
            // between them, are converted; nothing is written past n.
            const Bytes got = sj.buffer(j);
            if (want.blank == inkband::kLineHasData) {
                EXPECT_EQ(
                    Bytes(got.begin() + want.first, got.begin() + want.last + 1),
                    Bytes(want.bytes.begin() + want.first, want.bytes.begin() + want.last + 1));
            }
            for (std::size_t k = want.bytes.size(); k < got.size(); ++k) EXPECT_EQ(got[k], 0xEE);
            const PlaneLine& line = sj.job()->planeLines[j];
            EXPECT_EQ(line.data, sj.job()->lineBuffers[j]);
            EXPECT_EQ(line.width, c.outWidth);
            EXPECT_EQ(line.left, 0);
            EXPECT_EQ(line.right, 0);
            const inkband::LineExtent& extent = sj.job()->planes[j].current;
            EXPECT_EQ(extent.first, want.first);
            EXPECT_EQ(extent.last, want.last);
            EXPECT_EQ(extent.blank, want.blank);
        }
    }
}

// A page of one line of a ten-plane class, 16 pixels wide, through the
// entry points: the line, then OutputFlush; the page decoded.
decode::Page oneLinePage(int16_t modeClass, int16_t resolution, int32_t line,
                         std::vector<PlaneSpec>& planes) {
    ManualJob j;
    JobSettings s = tenPlaneSettings(modeClass, 16, resolution);
    EXPECT_EQ(j.initTwo(s), INKBAND_OK);
    EXPECT_EQ(j.initPart(s), INKBAND_OK);
    EXPECT_EQ(j.produce(line, planes), INKBAND_OK);
    EXPECT_EQ(j.complete(), INKBAND_OK);
    EXPECT_EQ(j.flush(), INKBAND_OK);
    EXPECT_EQ(j.complete(), INKBAND_OK);
    decode::StreamResult r = decode::decodeStream(j.stream);
    EXPECT_TRUE(r.status.ok) << r.status.describe();
    EXPECT_EQ(r.pages.size(), 1u);
    return r.pages.empty() ? decode::Page{} : r.pages[0];
}

// Through the entry points: the caller's bytes stay as they were, and the
// split lines reach the stream on their own output planes and nowhere else.
TEST_F(SplitPlanesTest, OutputProduceTwoSplitsTheLineIntoItsOutputPlanes) {
    std::vector<PlaneSpec> planes = onlySource(1, fourBit({0xFF, 0xFF, 0xFF, 0xFF}, 8, 3, 1));
    planes[0] = fourBit({0x12, 0x9F}, 4);
    decode::Page page = oneLinePage(7, 300, 3, planes);
    EXPECT_EQ(planes[0].bytes, (Bytes{0x12, 0x9F}));
    EXPECT_EQ(planes[1].bytes, (Bytes{0x00, 0x0F, 0xFF, 0xF0}));
    std::map<uint8_t, std::map<int64_t, Bytes>> got;
    for (const auto& [letter, plane] : page.planes)
        if (!plane.lines.empty()) got[letter] = plane.lines;
    const std::map<uint8_t, std::map<int64_t, Bytes>> want = {
        {kTenLetters[0], {{3, {0x01, 0x90}}}},
        {kTenLetters[5], {{3, {0x11, 0xB0}}}},
    };
    EXPECT_EQ(got, want);
}

TEST_F(SplitPlanesTest, BlankSourcePlanesLeaveTheirLineBuffersAlone) {
    struct BlankCase {
        const char* name;
        PlaneSpec plane;
    };
    const BlankCase cases[] = {
        {"null data", nullPlane()},
        {"left equals width", fourBit({0x77, 0x77, 0x77, 0x77}, 8, 8, 0)},
    };
    for (int16_t cls : {int16_t{7}, int16_t{10}}) {
        for (const BlankCase& c : cases) {
            SCOPED_TRACE(testing::Message() << "class " << cls << ", " << c.name);
            SplitJob sj(cls, 16);
            sj.fillBuffers(0x5A);
            for (int p = 0; p < kOutputPlanes; ++p) {
                sj.job()->planes[p].current.first = 7;
                sj.job()->planes[p].current.last = 9;
                sj.job()->planes[p].current.blank = inkband::kLineHasData;
            }
            std::vector<PlaneSpec> planes(kSourcePlanes, c.plane);
            sj.split(0, planes);
            for (int p = 0; p < kOutputPlanes; ++p) {
                EXPECT_EQ(sj.buffer(p), Bytes(bufferSize(16, p), 0x5A)) << p;
                const inkband::LineExtent& e = sj.job()->planes[p].current;
                EXPECT_EQ(e.blank, inkband::kLineBlank) << p;
                EXPECT_EQ(e.first, 0) << p;
                EXPECT_EQ(e.last, 0) << p;
            }
            for (const PlaneSpec& p : planes) EXPECT_EQ(p.bytes, c.plane.bytes);
        }
    }
}

TEST_F(SplitPlanesTest, Line37With16LineBandsLandsInBand2OnEveryOutputPlane) {
    for (int16_t cls : {int16_t{7}, int16_t{10}}) {
        SCOPED_TRACE(testing::Message() << "class " << cls);
        // Data, blank by left, null, data, null: both branches set the grid.
        std::vector<PlaneSpec> planes = {fourBit({0x44}, 2), fourBit({0x44}, 2, 2, 0), nullPlane(),
                                         fourBit({0x04}, 2), nullPlane()};
        const decode::Page page = oneLinePage(cls, 600, 37, planes);
        EXPECT_EQ(page.bandHeight, 16);
        EXPECT_EQ(page.bandsWithData, (std::vector<int64_t>{2}));
        EXPECT_EQ(page.skippedBands, 2);
        std::size_t withData = 0;
        for (const auto& [letter, plane] : page.planes) {
            for (const auto& [number, bytes] : plane.lines) {
                EXPECT_EQ(number, 37) << int{letter};
                ++withData;
            }
        }
        EXPECT_GT(withData, 0u);
    }
}

// The source planes of a line, every one `width` pixels wide with the
// levels of `tail` in its last pixels.
std::vector<PlaneSpec> tailLine(int16_t width, const std::vector<int>& tail, int16_t left) {
    std::vector<PlaneSpec> planes;
    for (int i = 0; i < kSourcePlanes; ++i) {
        PlaneSpec p;
        p.width = width;
        p.left = left;
        p.bytes.assign(static_cast<std::size_t>((width + 1) / 2), 0);
        int first = width - static_cast<int>(tail.size());
        for (std::size_t k = 0; k < tail.size(); ++k) {
            int px = first + static_cast<int>(k);
            if (px < left) continue;
            p.bytes[static_cast<std::size_t>(px / 2)] |=
                static_cast<uint8_t>(tail[k] << (px % 2 == 0 ? 4 : 0));
        }
        planes.push_back(std::move(p));
    }
    return planes;
}

TEST_F(SplitPlanesTest, WidestLinePrintsItsLastPixelsOnEveryOutputPlane) {
    // 32767 pixels at 4 bits fill 16384 bytes: the output width n << shift
    // would be 32768, which a 16-bit width cannot hold.
    constexpr int16_t kWidest = 32767;
    const std::vector<int> tail = {1, 2, 3, 9, 5, 6, 4};  // level 4 prints on all ten planes
    for (int16_t cls : {int16_t{7}, int16_t{10}}) {
        for (int16_t left : {int16_t{0}, int16_t{kWidest - 1}}) {
            SCOPED_TRACE(testing::Message() << "class " << cls << ", left " << left);
            JobSettings s = tenPlaneSettings(cls, kWidest);
            PageSpec page;
            page.settings = s;
            LineSpec line;
            line.line = 5;
            line.planes = tailLine(kWidest, tail, left);
            page.lines.push_back(line);
            JobResult result = runJob(s, {page});
            ASSERT_TRUE(result.ok) << result.failure;
            decode::StreamResult decoded = decode::decodeStream(result.stream);
            ASSERT_TRUE(decoded.status.ok) << decoded.status.describe();
            ASSERT_EQ(decoded.pages.size(), 1u);
            const decode::Page& got = decoded.pages[0];
            for (int j = 0; j < kOutputPlanes; ++j) {
                SCOPED_TRACE(testing::Message() << "output plane " << j);
                Bytes want =
                    expectedSplitLine(line.planes[static_cast<std::size_t>(j % 5)], cls, j);
                // The last pixel sits in the line's last byte at either depth.
                ASSERT_EQ(want.size(), static_cast<std::size_t>(kWidest * kOutputBits[j] + 7) / 8);
                auto plane = got.planes.find(kTenLetters[static_cast<std::size_t>(j)]);
                ASSERT_NE(plane, got.planes.end());
                EXPECT_EQ(plane->second.line(5), want);
            }
        }
    }
}

TEST_F(SplitPlanesTest, BadDescriptorsAreRefusedBeforeTheCallersBytesAreTouched) {
    struct Bad {
        const char* name;
        int16_t width, left, right;
    };
    const Bad cases[] = {
        {"negative left", 8, -1, 0},           {"negative right", 8, 0, -2},
        {"left + right above width", 8, 5, 4}, {"width above the line width", 18, 0, 0},
        {"negative width", -4, 0, 0},
    };
    for (int16_t cls : {int16_t{7}, int16_t{10}}) {
        for (const Bad& c : cases) {
            SCOPED_TRACE(testing::Message() << "class " << cls << ", " << c.name);
            ManualJob j;
            JobSettings s = tenPlaneSettings(cls, 16);
            ASSERT_EQ(j.initTwo(s), INKBAND_OK);
            ASSERT_EQ(j.initPart(s), INKBAND_OK);
            // Plane 0 is valid and would be rewritten by the split.
            std::vector<PlaneSpec> planes = {
                fourBit({0xFF, 0xFF, 0xFF, 0xFF}, 8, 3, 1), nullPlane(),
                fourBit(Bytes(9, 0xFF), c.width, c.left, c.right), nullPlane(), nullPlane()};
            const std::vector<PlaneSpec> before = planes;
            JobSnapshot snap = snapshot(j.job);
            EXPECT_EQ(j.produce(0, planes), INKBAND_REFUSED);
            for (std::size_t i = 0; i < planes.size(); ++i)
                EXPECT_EQ(planes[i].bytes, before[i].bytes) << "source plane " << i;
            EXPECT_TRUE(snapshot(j.job) == snap) << "a refused line changed the job";
            EXPECT_EQ(j.state(), 3);
            planes[2] = nullPlane();
            EXPECT_EQ(j.produce(0, planes), INKBAND_OK);
            EXPECT_EQ(planes[0].bytes, (Bytes{0x00, 0x0F, 0xFF, 0xF0}));
            EXPECT_EQ(j.complete(), INKBAND_OK);
        }
    }
}

TEST_F(SplitPlanesTest, EmptySpanWithNegativeLeftWritesNothing) {
    // left + right == width marks an empty span; a negative left there must
    // not turn into a negative clear or conversion length.
    for (int16_t cls : {int16_t{7}, int16_t{10}}) {
        SCOPED_TRACE(testing::Message() << "class " << cls);
        SplitJob sj(cls, 16);
        sj.fillBuffers(0x33);
        std::vector<PlaneSpec> planes(kSourcePlanes, fourBit(Bytes(4, 0xFF), 8, -4, 12));
        sj.split(1, planes);
        for (const PlaneSpec& p : planes) EXPECT_EQ(p.bytes, Bytes(4, 0xFF));
        for (int p = 0; p < kOutputPlanes; ++p) {
            EXPECT_EQ(sj.buffer(p), Bytes(bufferSize(16, p), 0x33)) << p;
            EXPECT_EQ(sj.job()->planes[p].current.blank, inkband::kLineBlank) << p;
        }
    }
}

TEST_F(SplitPlanesTest, KPlaneAloneSelectsKAndItsBit7TwinSelectsAllTen) {
    // 8-line bands.  In both classes source k level 1 prints 1 on plane 3 and 0 on
    // plane 8; level 3 prints 2 and 1.
    for (int16_t cls : {int16_t{7}, int16_t{10}}) {
        SCOPED_TRACE(testing::Message() << "class " << cls);
        ManualJob j;
        JobSettings s = tenPlaneSettings(cls, 8);
        ASSERT_EQ(j.initTwo(s), INKBAND_OK);
        ASSERT_EQ(j.initPart(s), INKBAND_OK);
        auto kLine = [](uint8_t byte) { return onlySource(3, fourBit({byte, 0, 0, 0}, 8)); };
        const Bytes selectK = {0x1B, 0x28, 0x4C, 0x01, 0x00, 0x6B};
        Bytes selectTen = {0x1B, 0x28, 0x4C, 0x0A, 0x00};
        selectTen.insert(selectTen.end(), kTenLetters.begin(), kTenLetters.end());
        const Bytes bareBand = {0x1B, 0x28, 0x46, 0x00, 0x00};

        auto planes = kLine(0x10);  // band 0: k only
        ASSERT_EQ(j.produce(0, planes), INKBAND_OK);
        ASSERT_EQ(j.complete(), INKBAND_OK);
        planes = kLine(0x30);  // band 1: k and its bit-7 twin
        ASSERT_EQ(j.produce(8, planes), INKBAND_OK);
        ASSERT_EQ(j.lastPieces.size(), 2u);
        EXPECT_EQ(j.lastPieces[0], selectK);
        EXPECT_EQ(j.lastPieces[1], (Bytes{0x1B, 0x28, 0x46, 0x0A, 0x00, 0x00, 0x40, 0x80, 0x80,
                                          0x80, 0x80, 0x80, 0x80, 0x80, 0x80}));
        ASSERT_EQ(j.complete(), INKBAND_OK);
        planes = kLine(0x10);  // band 2: k only again
        ASSERT_EQ(j.produce(16, planes), INKBAND_OK);
        ASSERT_EQ(j.lastPieces.size(), 11u);
        EXPECT_EQ(j.lastPieces[0], selectTen);
        for (int p = 0; p < kOutputPlanes; ++p) {
            bool data = p == 3 || p == 8;
            EXPECT_EQ(j.lastPieces[static_cast<std::size_t>(p + 1)] == bareBand, !data) << p;
        }
        ASSERT_EQ(j.complete(), INKBAND_OK);
        ASSERT_EQ(j.flush(), INKBAND_OK);
        ASSERT_EQ(j.lastPieces.size(), 2u);
        EXPECT_EQ(j.lastPieces[0], selectK);
        ASSERT_EQ(j.complete(), INKBAND_OK);

        decode::StreamResult decoded = decode::decodeStream(j.stream);
        ASSERT_TRUE(decoded.status.ok) << decoded.status.describe();
        ASSERT_EQ(decoded.pages.size(), 1u);
        const decode::Page& page = decoded.pages[0];
        ASSERT_EQ(page.selections.size(), 3u);
        EXPECT_EQ(page.selections[0].letters, Bytes{'k'});
        EXPECT_EQ(page.selections[1].letters, kTenLetters);
        EXPECT_EQ(page.selections[2].letters, Bytes{'k'});
        EXPECT_EQ(page.planes.at('k').line(8), (Bytes{0x80}));
        EXPECT_EQ(page.planes.at(0xEB).line(8), (Bytes{0x40}));
    }
}

// ---------------------------------------------------------------------------
// Round trips.

constexpr int16_t kResolutions[] = {300, 600, 360};  // 8, 16 and 1-line bands
constexpr int kBandHeights[] = {8, 16, 1};

struct ExpectedPage {
    int bandHeight = 0;
    std::map<uint8_t, std::map<int64_t, Bytes>> planes;  // letter -> line -> bytes
    std::map<int64_t, std::set<int>> bandPlanes;         // band -> output planes with data
};

// Gives nonzero values to the source pixels the split clears: whole bytes
// before the span, the stray pixel of an edge byte whose span pixel is
// non-zero, and bytes past the one holding the span's last pixel.
void addClearedNoise(std::mt19937& rng, PlaneSpec* p) {
    if (p->null || p->left == p->width || p->left + p->right == p->width) return;
    auto noise = [&] { return static_cast<uint8_t>(rng() | 0x01); };
    const int end = p->width - p->right;
    for (int b = 0; b < p->left / 2; ++b) p->bytes[static_cast<std::size_t>(b)] = noise();
    for (std::size_t b = static_cast<std::size_t>((end + 1) / 2); b < p->bytes.size(); ++b)
        p->bytes[b] = noise();
    if (p->left % 2 == 1 && pixelAt(p->bytes, 4, p->left) != 0)
        p->bytes[static_cast<std::size_t>(p->left / 2)] |=
            static_cast<uint8_t>((noise() & 15) << 4);
    if (end % 2 == 1 && pixelAt(p->bytes, 4, end - 1) != 0)
        p->bytes[static_cast<std::size_t>(end / 2)] |= static_cast<uint8_t>(noise() & 15);
}

PageSpec randomSplitPage(std::mt19937& rng, int16_t modeClass, const JobSettings& settings,
                         int16_t width, bool noiseOutside, ExpectedPage* expected) {
    PageSpec page;
    page.settings = settings;
    std::uniform_int_distribution<int> percent(0, 99);
    int lines = std::uniform_int_distribution<int>(0, 30)(rng);
    int32_t number = percent(rng) < 25 ? std::uniform_int_distribution<int>(0, 100)(rng) : 0;
    for (int l = 0; l < lines; ++l) {
        LineSpec line;
        line.line = number;
        // Now and then a line in which only source plane 3 carries data.
        const bool kOnly = percent(rng) < 20;
        for (int i = 0; i < kSourcePlanes; ++i) {
            int roll = kOnly && i != 3 ? 0 : percent(rng);
            Content kind = roll < 15   ? Content::Null
                           : roll < 20 ? Content::BlankByLeft
                           : roll < 25 ? Content::Empty
                           : roll < 50 ? Content::Sparse
                           : roll < 65 ? Content::Dense
                           : roll < 85 ? Content::Runs
                                       : Content::Noise;
            // k-only lines keep to level 1, which prints 1 on plane 3 and
            // nothing on plane 8 in either class.
            int maxLevel = kOnly ? 1 : 15;
            PlaneSpec p = randomPlane(rng, kind, width, 4, maxLevel);
            for (int j : {i, i + 5}) {
                Bytes want = expectedSplitLine(p, modeClass, j);
                if (want.empty()) continue;
                expected->planes[kTenLetters[static_cast<std::size_t>(j)]][number] = want;
                expected->bandPlanes[number / expected->bandHeight].insert(j);
            }
            if (noiseOutside) addClearedNoise(rng, &p);
            line.planes.push_back(std::move(p));
        }
        page.lines.push_back(std::move(line));
        int step = percent(rng);
        number += step < 70   ? 1
                  : step < 95 ? std::uniform_int_distribution<int>(2, 40)(rng)
                              : std::uniform_int_distribution<int>(1000, 40000)(rng);
    }
    return page;
}

std::size_t comparedLines = 0;
std::size_t kOnlyBands = 0;

void checkSplitPage(const decode::Page& page, const ExpectedPage& expected) {
    EXPECT_EQ(page.bandHeight, expected.bandHeight);
    for (uint8_t letter : kTenLetters) {
        std::map<int64_t, Bytes> wantLines;
        if (auto want = expected.planes.find(letter); want != expected.planes.end())
            wantLines = want->second;
        std::map<int64_t, Bytes> gotLines;
        if (auto got = page.planes.find(letter); got != page.planes.end()) {
            for (const auto& [number, bytes] : got->second.lines) {
                Bytes trimmed = bytes;
                while (!trimmed.empty() && trimmed.back() == 0) trimmed.pop_back();
                if (!trimmed.empty()) gotLines[number] = trimmed;
            }
        }
        EXPECT_EQ(gotLines, wantLines) << "plane " << letter;
        comparedLines += wantLines.size();
    }

    // Selections: "k" alone for a band whose only data is on plane 3, the
    // ten-plane list for any other band with data; sent on a change only.
    std::vector<Bytes> wantSelections;
    std::vector<int64_t> wantBands;
    std::size_t fullBands = 0;
    for (const auto& [band, planes] : expected.bandPlanes) {
        wantBands.push_back(band);
        bool kAlone = planes == std::set<int>{3};
        kOnlyBands += kAlone ? 1 : 0;
        fullBands += kAlone ? 0 : 1;
        Bytes selection = kAlone ? Bytes{'k'} : kTenLetters;
        if (wantSelections.empty() || wantSelections.back() != selection)
            wantSelections.push_back(selection);
    }
    EXPECT_EQ(page.bandsWithData, wantBands);
    std::vector<Bytes> gotSelections;
    for (const auto& change : page.selections) gotSelections.push_back(change.letters);
    EXPECT_EQ(gotSelections, wantSelections);
    for (uint8_t letter : kTenLetters) {
        auto got = page.planes.find(letter);
        std::size_t frames = got == page.planes.end() ? 0 : got->second.frames;
        EXPECT_EQ(frames, letter == 'k' ? wantBands.size() : fullBands) << "plane " << letter;
    }
}

TEST_F(SplitPlanesTest, RandomJobsRoundTripThroughTheLevelTables) {
    std::mt19937 rng(20261209);
    for (int16_t cls : {int16_t{7}, int16_t{10}}) {
        for (int trial = 0; trial < 24; ++trial) {
            SCOPED_TRACE(testing::Message() << "class " << cls << " trial " << trial);
            int r = trial % 3;
            int16_t width = static_cast<int16_t>(
                trial == 23 ? 3001 : std::uniform_int_distribution<int>(1, 161)(rng));
            bool noiseOutside = trial % 2 == 1;
            JobSettings settings = tenPlaneSettings(cls, width, kResolutions[r]);
            int pages = std::uniform_int_distribution<int>(1, 3)(rng);
            std::vector<PageSpec> specs;
            std::vector<ExpectedPage> expected(static_cast<std::size_t>(pages));
            for (int p = 0; p < pages; ++p) {
                expected[p].bandHeight = kBandHeights[r];
                specs.push_back(
                    randomSplitPage(rng, cls, settings, width, noiseOutside, &expected[p]));
            }
            JobResult result = runJob(settings, specs);
            ASSERT_TRUE(result.ok) << result.failure;
            decode::StreamResult decoded = decode::decodeStream(result.stream);
            ASSERT_TRUE(decoded.status.ok) << decoded.status.describe();
            ASSERT_EQ(decoded.pages.size(), static_cast<std::size_t>(pages));
            for (int p = 0; p < pages; ++p) checkSplitPage(decoded.pages[p], expected[p]);
        }
    }
    EXPECT_GT(comparedLines, 2000u) << "the random pages carry too little data";
    EXPECT_GT(kOnlyBands, 5u) << "too few bands with data on plane 3 alone";
}

}  // namespace
