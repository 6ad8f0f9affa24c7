// The reference page, byte for byte and piece for piece: four 1-bit planes,
// 8-line bands, one line (line 2) with data only in the K plane.
#include <gtest/gtest.h>

#include "support/heap_guard.h"
#include "support/job_driver.h"

using namespace testjob;
using Bytes = std::vector<uint8_t>;

namespace {

class ExamplePageTest : public HeapGuardedTest {};

TEST_F(ExamplePageTest, ReproducesEveryPiece) {
    JobSettings settings = makeSettings(15, 0, 16, 300);
    LineSpec line{2, {nullPlane(), nullPlane(), nullPlane(), plane({0x00, 0xF0}, 1)}};
    JobResult r = runJob(settings, {PageSpec{settings, {line}}});
    ASSERT_TRUE(r.ok) << r.failure;

    const std::vector<std::string> calls = {"OutputInitTwo",  "OutputInitPart", "OutputProduceTwo",
                                            "OutputComplete", "OutputFlush",    "OutputComplete"};
    ASSERT_EQ(r.calls.size(), calls.size());
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(r.calls[i].call, calls[i]);

    // The line: the page header alone.
    ASSERT_EQ(r.calls[2].pieces.size(), 1u);
    EXPECT_EQ(r.calls[2].pieces[0],
              (Bytes{0x1B, 0x28, 0x49, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x4A, 0x01, 0x00, 0x08}));
    // The flush: the K selection, then the K plane's band.
    ASSERT_EQ(r.calls[4].pieces.size(), 2u);
    EXPECT_EQ(r.calls[4].pieces[0], (Bytes{0x1B, 0x28, 0x4C, 0x01, 0x00, 0x4B}));
    EXPECT_EQ(r.calls[4].pieces[1], (Bytes{0x1B, 0x28, 0x46, 0x0C, 0x00, 0x80, 0x80, 0x00, 0x00,
                                           0x00, 0xF0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}));
    EXPECT_EQ(r.stream.size(), 12u + 6u + 17u);
}

}  // namespace
