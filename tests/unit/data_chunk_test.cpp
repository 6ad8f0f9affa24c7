// Chunk chains: growth, free chunks, release, pieces.
#include "codec/data_chunk.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/heap_guard.h"

using namespace inkband;

namespace {

class DataChunkTest : public HeapGuardedTest {
   protected:
    void SetUp() override {
        HeapGuardedTest::SetUp();
        ASSERT_TRUE(initChunk(&head, kCommandChunkSize));
        list.appendBase = pieces;
        list.pieces = pieces;
    }
    void TearDown() override {
        releaseChain(&head);
        HeapGuardedTest::TearDown();
    }
    void write(DataChunk* chunk, const char* text) {
        std::size_t n = std::strlen(text);
        std::memcpy(chunk->writePos, text, n);
        chunk->writePos += n;
    }
    DataChunk head{};
    Piece pieces[8]{};
    PieceList list{};
};

TEST_F(DataChunkTest, FreeChunkOnEmptyHeadAllocatesNothing) {
    long before = allocations();
    EXPECT_EQ(takeFreeChunk(&head), &head);
    EXPECT_EQ(allocations(), before);
}

TEST_F(DataChunkTest, TwoCommandsLandInTwoChunksAndTwoPieces) {
    DataChunk* a = takeFreeChunk(&head);
    write(a, "first");
    addPiece(&list, a);
    DataChunk* b = takeFreeChunk(&head);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b, a);
    EXPECT_EQ(b->capacity, kCommandChunkSize);
    write(b, "second!");
    addPiece(&list, b);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.pieces[0].data, head.buffer);
    EXPECT_EQ(list.pieces[0].length, 5);
    EXPECT_EQ(list.pieces[1].data, b->buffer);
    EXPECT_EQ(list.pieces[1].length, 7);
    EXPECT_EQ(std::memcmp(list.pieces[1].data, "second!", 7), 0);
}

TEST_F(DataChunkTest, ReleaseTwiceFreesNothingTwice) {
    takeFreeChunk(&head);
    write(&head, "x");
    takeFreeChunk(&head);
    releaseChain(&head);
    EXPECT_EQ(liveBlocks(), 0);
    EXPECT_EQ(head.start, nullptr);
    EXPECT_EQ(head.buffer, nullptr);
    EXPECT_EQ(head.walkNext, nullptr);
    long releases = heapCounters().releases;
    releaseChain(&head);
    EXPECT_EQ(heapCounters().releases, releases);
}

TEST_F(DataChunkTest, FailedAppendReturnsNullAndLeaksNothing) {
    write(&head, "x");
    heapFailNth(1);  // the record itself
    EXPECT_EQ(takeFreeChunk(&head), nullptr);
    EXPECT_EQ(head.next, nullptr);
    heapFailNth(2);  // the record's buffer: the record stays linked
    EXPECT_EQ(takeFreeChunk(&head), nullptr);
    ASSERT_NE(head.next, nullptr);
    EXPECT_EQ(head.next->buffer, nullptr);
    // A bufferless record is never handed out; the next one goes behind it.
    DataChunk* c = takeFreeChunk(&head);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(head.next->next, c);
}

TEST_F(DataChunkTest, PieceLengthIsModulo65536) {
    DataChunk big{};
    ASSERT_TRUE(initChunk(&big, 70000));
    big.writePos += 65536 + 7;
    addPiece(&list, &big);
    EXPECT_EQ(list.pieces[0].length, 7);
    releaseChain(&big);
}

}  // namespace
