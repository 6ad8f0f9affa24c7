// Test fixture base: starts every test with fresh heap counters and fails it
// if a block is still live at the end.
#pragma once

#include <gtest/gtest.h>

#include "platform/heap.h"

class HeapGuardedTest : public ::testing::Test {
   protected:
    void SetUp() override { inkband::heapResetCounters(); }
    void TearDown() override {
        inkband::heapFailNth(0);
        EXPECT_EQ(inkband::heapCounters().liveBlocks, 0) << "blocks leaked by the test";
    }
    static long liveBlocks() { return inkband::heapCounters().liveBlocks; }
    static long allocations() { return inkband::heapCounters().allocations; }
};
