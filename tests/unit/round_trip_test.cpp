// Round trips: random multi-page jobs in every reachable ordinary mode,
// decoded, give back exactly the prepared planes (trimmed, ternary-packed),
// with every band framed and skipped as the stream format requires.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "decoder/stream_decoder.h"
#include "support/heap_guard.h"
#include "support/job_driver.h"
#include "support/page_model.h"

using namespace testjob;
namespace decode = inkband::decode;
using Bytes = std::vector<uint8_t>;

namespace {

class RoundTripTest : public HeapGuardedTest {};

constexpr int16_t kResolutions[] = {300, 600, 360};  // 8, 16 and 1-line bands
constexpr int kBandHeights[] = {8, 16, 1};

struct ExpectedPage {
    int bandHeight;
    std::map<uint8_t, std::map<int64_t, Bytes>> planes;  // letter -> line -> bytes
};

// A random page: lines with gaps (short, and now and then thousands of
// bands), every kind of plane content.
PageSpec randomPage(std::mt19937& rng, const ModeCase& mode, const JobSettings& settings,
                    int16_t width, ExpectedPage* expected) {
    PageSpec page;
    page.settings = settings;
    std::uniform_int_distribution<int> percent(0, 99);
    int lines = std::uniform_int_distribution<int>(0, 40)(rng);
    int32_t number = std::uniform_int_distribution<int>(0, 3)(rng) == 0
                         ? std::uniform_int_distribution<int>(0, 100)(rng)
                         : 0;
    for (int l = 0; l < lines; ++l) {
        LineSpec line;
        line.line = number;
        for (std::size_t i = 0; i < mode.depths.size(); ++i) {
            int bits = mode.depths[i];
            int maxLevel = mode.ternary[i] ? 2 : (1 << bits) - 1;
            int roll = percent(rng);
            Content kind = roll < 15   ? Content::Null
                           : roll < 20 ? Content::BlankByLeft
                           : roll < 25 ? Content::Empty
                           : roll < 50 ? Content::Sparse
                           : roll < 65 ? Content::Dense
                           : roll < 85 ? Content::Runs
                                       : Content::Noise;
            PlaneSpec p = randomPlane(rng, kind, width, bits, maxLevel);
            Bytes want = expectedOrdinaryLine(p, bits, mode.ternary[i]);
            if (!want.empty()) expected->planes[mode.letters[i]][number] = want;
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

void checkPage(const decode::Page& page, const ExpectedPage& expected, const ModeCase& mode) {
    EXPECT_EQ(page.bandHeight, expected.bandHeight);
    for (uint8_t letter : mode.letters) {
        auto want = expected.planes.find(letter);
        auto got = page.planes.find(letter);
        std::map<int64_t, Bytes> wantLines;
        if (want != expected.planes.end()) wantLines = want->second;
        std::map<int64_t, Bytes> gotLines;
        if (got != page.planes.end()) {
            for (const auto& [number, bytes] : got->second.lines) {
                Bytes trimmed = bytes;
                while (!trimmed.empty() && trimmed.back() == 0) trimmed.pop_back();
                if (!trimmed.empty()) gotLines[number] = trimmed;
            }
        }
        EXPECT_EQ(gotLines, wantLines) << "plane " << letter;
        comparedLines += wantLines.size();
    }
    // Bands with data come in order; a selection is sent only on a change.
    for (std::size_t i = 1; i < page.bandsWithData.size(); ++i)
        EXPECT_LT(page.bandsWithData[i - 1], page.bandsWithData[i]);
    for (std::size_t i = 1; i < page.selections.size(); ++i)
        EXPECT_NE(page.selections[i - 1].letters, page.selections[i].letters);
    if (!page.bandsWithData.empty()) {
        EXPECT_FALSE(page.selections.empty());
    }
}

TEST_F(RoundTripTest, RandomJobsInEveryOrdinaryMode) {
    std::mt19937 rng(20261208);
    for (const ModeCase& mode : reachableModes()) {
        if (mode.modeClass == 7 || mode.modeClass == 10) continue;
        for (int trial = 0; trial < 12; ++trial) {
            SCOPED_TRACE(testing::Message() << mode.name << " trial " << trial);
            int r = trial % 3;
            int16_t width = static_cast<int16_t>(
                trial == 11 ? 3000 : std::uniform_int_distribution<int>(1, 160)(rng));
            JobSettings settings =
                makeSettings(mode.rowCode, mode.columnCode, width, kResolutions[r], mode.optionA,
                             mode.optionB, mode.optionC);
            int pages = std::uniform_int_distribution<int>(1, 3)(rng);
            std::vector<PageSpec> specs;
            std::vector<ExpectedPage> expected(static_cast<std::size_t>(pages));
            for (int p = 0; p < pages; ++p) {
                expected[p].bandHeight = kBandHeights[r];
                specs.push_back(randomPage(rng, mode, settings, width, &expected[p]));
            }
            JobResult result = runJob(settings, specs);
            ASSERT_TRUE(result.ok) << result.failure;
            decode::StreamResult decoded = decode::decodeStream(result.stream);
            ASSERT_TRUE(decoded.status.ok) << decoded.status.describe();
            ASSERT_EQ(decoded.pages.size(), static_cast<std::size_t>(pages));
            for (int p = 0; p < pages; ++p) checkPage(decoded.pages[p], expected[p], mode);
        }
    }
    EXPECT_GT(comparedLines, 2000u) << "the random pages carry too little data";
}

}  // namespace
