// OutputInitTwo and OutputInitPart through the entry points: statuses and
// sequence states, what a page's buffers cost on the heap, every allocation
// failure, and the stream each page set-up leads to (its band height, planes
// that start empty, what the alternate sequence keeps from page to page).
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "decoder/stream_decoder.h"
#include "support/heap_guard.h"
#include "support/manual_job.h"

using namespace testjob;
using inkband::HeapCounters;
using inkband::heapCounters;
using inkband::heapFailNth;
namespace decode = inkband::decode;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr long kBandBytes = 62464;
constexpr long kOpenBlocks = 5;  // job, list, piece array, command buffer, cell

struct Fields {
    int16_t row = 15, column = 0, a = 0, b = 0, c = 0;
    int16_t resolution = 300, alt = 0, width = 100;
};

// A settings record written byte by byte at the fields' offsets.
JobSettings settingsOf(const Fields& f) {
    JobSettings s;
    std::memset(&s, 0xA5, sizeof s);  // the bytes not read are noise
    auto put = [&](int offset, int16_t value) {
        auto* bytes = reinterpret_cast<uint8_t*>(&s);
        bytes[offset] = static_cast<uint8_t>(value & 0xFF);
        bytes[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
    };
    put(2, f.column);
    put(16, f.a);
    put(18, f.resolution);
    put(26, f.alt);
    put(94, f.row);
    put(106, f.b);
    put(108, f.c);
    put(128, f.width);
    return s;
}

// A line's data, on the last source plane only: the line's number + 1
// after a 01 byte, so every line decodes to its own bytes.
Bytes lineBytes(int32_t line) { return {0x01, static_cast<uint8_t>(line + 1)}; }

// The source planes of the page's mode: how many, and the last one's depth.
struct Planes {
    std::size_t count = 4;
    int bits = 1;
};

// Runs one page on an open page: each line, then OutputFlush (or
// OutputFormFeed when formLength >= 0) and OutputComplete.
void runPage(ManualJob& j, const std::vector<int32_t>& lines, int32_t formLength = -1,
             Planes p = {}) {
    for (int32_t line : lines) {
        std::vector<PlaneSpec> planes(p.count - 1, nullPlane());
        planes.push_back(plane(lineBytes(line), p.bits));
        ASSERT_EQ(j.produce(line, planes), INKBAND_OK) << "line " << line;
        ASSERT_EQ(j.complete(), INKBAND_OK);
    }
    ASSERT_EQ(formLength < 0 ? j.flush() : j.formFeed(formLength), INKBAND_OK);
    ASSERT_EQ(j.complete(), INKBAND_OK);
}

// The pages carry exactly `lines`, each as lineBytes gives it, in bands of
// `bandHeight`: nothing left over from an earlier page.
void expectPages(const std::vector<decode::Page>& pages, int bandHeight,
                 const std::vector<int32_t>& lines) {
    std::map<int64_t, Bytes> got, want;
    for (const decode::Page& page : pages) {
        EXPECT_EQ(page.bandHeight, bandHeight);
        for (const auto& [letter, data] : page.planes)
            for (const auto& [number, bytes] : data.lines) got[number] = bytes;
    }
    for (int32_t line : lines) want[line] = lineBytes(line);
    EXPECT_EQ(got, want);
}

class PageInitTest : public HeapGuardedTest {};

TEST_F(PageInitTest, InitTwoSizeStateAndTableSwitch) {
    JobSettings plain = settingsOf({});
    JobSettings alt = settingsOf({.alt = 1});
    {
        ManualJob j;
        EXPECT_EQ(OutputInitTwo(&j.job, nullptr, INKBAND_SETTINGS_SIZE), INKBAND_REFUSED);
        EXPECT_EQ(OutputInitTwo(&j.job, &plain, 375), INKBAND_REFUSED);
        EXPECT_EQ(j.state(), 1);
        EXPECT_EQ(j.initTwo(plain), INKBAND_OK);
        EXPECT_EQ(j.state(), 2);
        EXPECT_EQ(j.initTwo(plain), INKBAND_NOT_OFFERED);
    }
    {
        // A failing call with the request still switches tables, for good.
        ManualJob j;
        EXPECT_EQ(OutputInitTwo(&j.job, &alt, 375), INKBAND_REFUSED);
        EXPECT_EQ(j.state(), 9);
        EXPECT_EQ(j.initTwo(alt), INKBAND_NOT_OFFERED);
    }
    ManualJob j;
    EXPECT_EQ(j.initTwo(alt), INKBAND_OK);
    EXPECT_EQ(j.state(), 10);
}

TEST_F(PageInitTest, RefusedSettingsLeaveTheJobOpened) {
    ManualJob j;
    EXPECT_EQ(j.initTwo(settingsOf({.row = 15, .column = 7, .width = -3})), INKBAND_REFUSED);
    EXPECT_EQ(j.state(), 1);
    EXPECT_EQ(liveBlocks(), kOpenBlocks);
    EXPECT_EQ(j.initTwo(settingsOf({})), INKBAND_OK);
    EXPECT_EQ(j.state(), 2);
}

TEST_F(PageInitTest, InitPartRefusalsChangeNothing) {
    ManualJob j;
    EXPECT_EQ(j.initPart(settingsOf({})), INKBAND_WRONG_STATE);  // before OutputInitTwo
    EXPECT_EQ(j.state(), 1);
    ASSERT_EQ(j.initTwo(settingsOf({})), INKBAND_OK);
    EXPECT_EQ(OutputInitPart(&j.job, nullptr), INKBAND_REFUSED);
    EXPECT_EQ(j.state(), 2);
    EXPECT_EQ(liveBlocks(), kOpenBlocks);
    EXPECT_EQ(j.initPart(settingsOf({})), INKBAND_OK);
    EXPECT_EQ(j.initPart(settingsOf({})), INKBAND_WRONG_STATE);  // page already open
    EXPECT_EQ(j.state(), 3);
}

// The band height comes from the page's settings; a page asking for the
// alternate sequence in an ordinary job bands by 8 lines.  Its flush does
// not end the page, so only the band its line 8 pushed out is sent.
TEST_F(PageInitTest, BandHeightAndAlternateRequestInTheFirstTable) {
    struct Case {
        int16_t resolution, alt;
        int bandHeight;
        std::vector<int32_t> sent;  // of lines 0, 5 and 8
    };
    const Case cases[] = {
        {300, 0, 8, {0, 5, 8}}, {600, 0, 16, {0, 5, 8}}, {360, 0, 1, {0, 5, 8}},
        {0, 0, 1, {0, 5, 8}},   {600, 1, 8, {0, 5}},     {360, 1, 8, {0, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "resolution " << c.resolution << " alt " << c.alt);
        ManualJob j;
        ASSERT_EQ(j.initTwo(settingsOf({})), INKBAND_OK);
        ASSERT_EQ(j.initPart(settingsOf({.resolution = c.resolution, .alt = c.alt})), INKBAND_OK);
        EXPECT_EQ(j.state(), 3);
        if (c.alt == 1) {
            for (int32_t line : {0, 5, 8}) {
                std::vector<PlaneSpec> planes = {nullPlane(), nullPlane(), nullPlane(),
                                                 plane(lineBytes(line), 1)};
                ASSERT_EQ(j.produce(line, planes), INKBAND_OK);
                ASSERT_EQ(j.complete(), INKBAND_OK);
            }
            ASSERT_EQ(j.flush(), INKBAND_OK);
        } else {
            runPage(j, {0, 5, 8});
        }
        decode::StreamResult r = decode::decodeStream(j.stream);
        ASSERT_TRUE(r.status.ok) << r.status.describe();
        ASSERT_EQ(r.pages.size(), 1u);
        expectPages(r.pages, c.bandHeight, c.sent);
    }
}

TEST_F(PageInitTest, PageBufferSizes) {
    struct Case {
        Fields f;
        std::vector<long> lineBuffers;  // bytes per output plane; 0: none
    };
    const Case cases[] = {
        {{.row = 15, .width = 0}, {1, 1, 1, 1}},
        {{.row = 10, .width = 100}, {26, 26, 14, 14}},
        {{.row = 20, .a = 1, .width = 32767}, {4097}},
        // Ten output planes sized by their own depth, not the source plane's.
        {{.row = 0, .column = 51, .width = 100}, {51, 51, 26, 26, 51, 51, 51, 26, 26, 51}},
        {{.row = 0, .column = 51, .a = 1, .width = 32767},
         {16385, 16385, 8193, 8193, 16385, 16385, 16385, 8193, 8193, 16385}},
        // Ternary planes (class 4: 2t 2t 1 2t) hold 2-bit pixels.
        {{.row = 10, .b = 1, .width = 100}, {26, 26, 14, 26}},
        // Negative widths: the size truncates toward zero; below one byte
        // the plane gets no line buffer.
        {{.row = 5, .width = -1}, {1, 1, 1, 1}},
        {{.row = 5, .width = -4}, {0, 0, 1, 1}},
        {{.row = 5, .width = -16}, {0, 0, 0, 0}},
        // Class 0: a page without planes allocates nothing.
        {{.row = 20, .a = 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.f.row << " width " << c.f.width);
        ManualJob j;
        // Class 0 is refused job-wide: its job gets option A, class 1.
        Fields two = c.f;
        if (c.lineBuffers.empty()) two.a = 1;
        ASSERT_EQ(j.initTwo(settingsOf(two)), INKBAND_OK);
        HeapCounters before = heapCounters();
        ASSERT_EQ(j.initPart(settingsOf(c.f)), INKBAND_OK);
        EXPECT_EQ(j.state(), 3);
        long bytes = 0, blocks = 0;
        for (long size : c.lineBuffers) {
            bytes += size + 2 * kBandBytes;
            blocks += (size > 0) + 2;
        }
        HeapCounters after = heapCounters();
        EXPECT_EQ(after.liveBytes - before.liveBytes, bytes);
        EXPECT_EQ(after.liveBlocks - before.liveBlocks, blocks);
    }
}

// The page's end releases its buffers; the next page allocates afresh and
// starts over: header and selection sent again, its own band height, no
// skip or line order carried over.
TEST_F(PageInitTest, NextPageAllocatesAfreshAndStartsOver) {
    ManualJob j;
    ASSERT_EQ(j.initTwo(settingsOf({})), INKBAND_OK);
    ASSERT_EQ(j.initPart(settingsOf({})), INKBAND_OK);
    runPage(j, {3, 9, 30});
    EXPECT_EQ(liveBlocks(), kOpenBlocks);
    ASSERT_EQ(j.initPart(settingsOf({.resolution = 600})), INKBAND_OK);
    EXPECT_EQ(liveBlocks(), kOpenBlocks + 3 * 4);
    runPage(j, {0, 1, 33});
    decode::StreamResult r = decode::decodeStream(j.stream);
    ASSERT_TRUE(r.status.ok) << r.status.describe();
    ASSERT_EQ(r.pages.size(), 2u);
    expectPages({r.pages[0]}, 8, {3, 9, 30});
    expectPages({r.pages[1]}, 16, {0, 1, 33});
    EXPECT_FALSE(r.pages[1].selectionInherited);
}

// Every allocation of an allocating OutputInitPart fails in turn: the call
// reports it, holds nothing, keeps its state, and a repeat succeeds and
// gives a page that starts empty.
TEST_F(PageInitTest, EachAllocationFailureLeavesNothingAndMayBeRepeated) {
    struct Case {
        Fields f;
        int planes;
    };
    for (const Case& c : {Case{{.row = 15}, 4}, Case{{.row = 0, .column = 51}, 10},
                          Case{{.row = 15, .alt = 1}, 4}}) {
        const long perPage = 3L * c.planes;
        const int16_t from = c.f.alt == 1 ? 10 : 2;
        for (long k = 1; k <= perPage + 1; ++k) {
            SCOPED_TRACE(testing::Message()
                         << c.planes << " planes, alt " << c.f.alt << ", failing allocation " << k);
            ManualJob j;
            ASSERT_EQ(j.initTwo(settingsOf(c.f)), INKBAND_OK);
            heapFailNth(k);
            int16_t status = j.initPart(settingsOf(c.f));
            heapFailNth(0);
            if (k > perPage) {
                EXPECT_EQ(status, INKBAND_OK);
                EXPECT_EQ(liveBlocks(), kOpenBlocks + perPage);
            } else {
                EXPECT_EQ(status, INKBAND_NO_MEMORY);
                EXPECT_EQ(j.state(), from);
                EXPECT_EQ(liveBlocks(), kOpenBlocks);
                EXPECT_EQ(j.initPart(settingsOf(c.f)), INKBAND_OK);
            }
            EXPECT_EQ(j.state(), from + 1);
            if (c.planes == 4) {
                runPage(j, {2, 5}, c.f.alt == 1 ? 24 : -1);
                decode::StreamResult r = decode::decodeStream(j.stream);
                ASSERT_TRUE(r.status.ok) << r.status.describe();
                expectPages(r.pages, 8, {2, 5});
            }
        }
        EXPECT_EQ(liveBlocks(), 0);
    }
}

// Later pages of the alternate sequence run on the first page's buffers:
// nothing is allocated, the band height stays the first page's, and a page
// gives the same stream whatever the page before it left behind.
TEST_F(PageInitTest, AlternateSequencePagesReuseTheirBuffers) {
    const std::vector<int32_t> lines = {1, 6, 20};
    auto stream = [&](const std::vector<std::vector<int32_t>>& before) {
        ManualJob j;
        EXPECT_EQ(j.initTwo(settingsOf({.alt = 1})), INKBAND_OK);
        EXPECT_EQ(j.initPart(settingsOf({.alt = 1})), INKBAND_OK);
        runPage(j, {4}, 40);
        for (const auto& page : before) {
            EXPECT_EQ(j.initPart(settingsOf({.alt = 1})), INKBAND_OK);
            runPage(j, page, 40);
        }
        const long blocks = liveBlocks(), made = allocations();
        EXPECT_EQ(j.initPart(settingsOf({.resolution = 600, .alt = 1})), INKBAND_OK);
        EXPECT_EQ(j.state(), 11);
        EXPECT_EQ(allocations(), made);
        EXPECT_EQ(liveBlocks(), blocks);
        const std::size_t from = j.stream.size();
        runPage(j, lines, 40);
        decode::StreamResult r = decode::decodeStream(j.stream);
        EXPECT_TRUE(r.status.ok) << r.status.describe();
        for (const decode::Page& page : r.pages) EXPECT_EQ(page.bandHeight, 8);
        return Bytes(j.stream.begin() + static_cast<long>(from), j.stream.end());
    };
    const Bytes afterOne = stream({});
    EXPECT_EQ(stream({{0, 7, 15, 33}}), afterOne);
    EXPECT_EQ(stream({{39}, {}}), afterOne);
}

// A later page of the alternate sequence whose settings need other buffers
// than the first page's is refused and changes nothing: the page that
// follows gives the same stream as without the refused call.
TEST_F(PageInitTest, AlternateSequenceRefusesAnotherMode) {
    struct Case {
        Fields first, next;
        Planes planes;  // of the first
    };
    const Case cases[] = {
        {{.row = 10, .column = 51, .alt = 1},
         {.row = 10, .column = 51, .a = 1, .alt = 1},
         {5, 4}},                                                        // class 8 / 10
        {{.row = 5, .alt = 1}, {.row = 5, .c = 1, .alt = 1}, {4, 1}},    // 4 4 2 1 / 2t 2t 1 1
        {{.row = 20, .a = 1, .alt = 1}, {.row = 20, .alt = 1}, {1, 1}},  // class 1 / class 0
        {{.row = 10, .alt = 1}, {.row = 10, .b = 1, .alt = 1}, {4, 1}},  // class 3 / class 4
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.first.row << " column " << c.first.column);
        auto stream = [&](bool refused) {
            ManualJob j;
            EXPECT_EQ(j.initTwo(settingsOf(c.first)), INKBAND_OK);
            EXPECT_EQ(j.initPart(settingsOf(c.first)), INKBAND_OK);
            runPage(j, {3, 9}, 40, c.planes);
            const long made = allocations();
            if (refused) {
                EXPECT_EQ(j.initPart(settingsOf(c.next)), INKBAND_REFUSED);
                EXPECT_EQ(j.state(), 10);
            }
            EXPECT_EQ(j.initPart(settingsOf(c.first)), INKBAND_OK);  // the same mode still fits
            EXPECT_EQ(j.state(), 11);
            EXPECT_EQ(allocations(), made);  // on the first page's buffers
            runPage(j, {0, 13}, 40, c.planes);
            return j.stream;
        };
        EXPECT_EQ(stream(true), stream(false));
    }
}

}  // namespace
