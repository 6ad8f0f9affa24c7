// The word tricks of the portable routines, byte by byte: every byte value
// at every position of a word, among neighbours that would expose a carry or
// a borrow reaching the next byte (zeros, ones, 0x80, 0xFF).
#include "platform/byte_words.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace inkband;

namespace {

// A word of `background` bytes with byte `at` (in memory order) set to v.
uint64_t wordWith(uint8_t background, int at, uint8_t v) {
    uint8_t bytes[8];
    for (uint8_t& b : bytes) b = background;
    bytes[at] = v;
    return loadLittleWord(bytes);
}

// Bit i set when byte i of the little-endian word w satisfies the test.
template <typename Test>
uint32_t byteMask(uint64_t w, Test test) {
    uint32_t mask = 0;
    for (int i = 0; i < 8; ++i) mask |= uint32_t{test(static_cast<uint8_t>(w >> (8 * i)))} << i;
    return mask;
}

TEST(ByteWords, LoadsInMemoryOrder) {
    const uint8_t bytes[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    EXPECT_EQ(loadLittleWord(bytes), 0x7766554433221100ull);
}

TEST(ByteWords, MasksAreExactForEveryByteAtEveryPosition) {
    for (const uint8_t background : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
        for (int at = 0; at < 8; ++at) {
            for (int v = 0; v < 256; ++v) {
                const uint64_t w = wordWith(background, at, static_cast<uint8_t>(v));
                const uint32_t nonZero = byteMask(w, [](uint8_t b) { return b != 0; });
                ASSERT_EQ(highBitsMask(nonZeroByteBits(w)), nonZero)
                    << "background " << int{background} << ", byte " << at << " = " << v;

                const uint64_t other = wordWith(background, (at + 3) % 8, 0x01);
                uint32_t equal = 0;
                for (int i = 0; i < 8; ++i)
                    equal |= uint32_t{((w >> (8 * i)) & 0xFF) == ((other >> (8 * i)) & 0xFF)} << i;
                ASSERT_EQ(equalBytesMask(w, other), equal)
                    << "background " << int{background} << ", byte " << at << " = " << v;

                if (w != 0) {
                    ASSERT_EQ(firstNonZeroByte(w), std::countr_zero(nonZero));
                    ASSERT_EQ(lastNonZeroByte(w), 31 - std::countl_zero(nonZero));
                }
            }
        }
    }
}

}  // namespace
