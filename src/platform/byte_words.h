// Eight bytes at a time in plain C++: the portable twins of the vector
// routines find zero bytes and equal neighbours with these word tricks.
// Words are read in little-endian order on every processor, so bit 8i .. 8i+7
// of a word is always byte i in memory and a mask's bit i always byte i.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace inkband {

inline constexpr uint64_t kLowSevenBits = 0x7F7F7F7F7F7F7F7Full;
inline constexpr uint64_t kHighBits = 0x8080808080808080ull;
inline constexpr uint64_t kEveryByte = 0x0101010101010101ull;

// The eight bytes at p as a little-endian word.
inline uint64_t loadLittleWord(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i) swapped |= ((word >> (8 * i)) & 0xFF) << (56 - 8 * i);
        word = swapped;
    }
    return word;
}

// The high bit of every byte of w that is not zero, exactly (no carry from
// one byte reaches the next: each byte's low seven bits plus 0x7F stay
// below 0x100).
inline uint64_t nonZeroByteBits(uint64_t w) {
    return (((w & kLowSevenBits) + kLowSevenBits) | w) & kHighBits;
}

// The high bits of a word's bytes (as nonZeroByteBits gives them) as an
// 8-bit mask, byte i in bit i: the multiply moves high bit 8i + 7 to bit
// 56 + i, and no two of its partial products meet.
inline uint32_t highBitsMask(uint64_t highBits) {
    return static_cast<uint32_t>((highBits * 0x0002040810204081ull) >> 56);
}

// Bit i set when bytes i of the two words are equal.
inline uint32_t equalBytesMask(uint64_t a, uint64_t b) {
    return highBitsMask(~nonZeroByteBits(a ^ b) & kHighBits);
}

// Index of the first and of the last non-zero byte of a non-zero
// little-endian word.
inline int firstNonZeroByte(uint64_t nonZero) { return std::countr_zero(nonZero) / 8; }
inline int lastNonZeroByte(uint64_t nonZero) { return 7 - std::countl_zero(nonZero) / 8; }

}  // namespace inkband
