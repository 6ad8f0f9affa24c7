#include "host/plane_packing.h"

#include <bit>
#include <cstring>

namespace inkband::host {

namespace {

// Pixels are packed 16 at a time, eight to a 64-bit word, with a few word
// operations for the eight; the last pixels of a line one byte at a time.
constexpr int kPackBlock = 16;

// Packs eight levels held in a little-endian word, one per byte.
template <int Bits>
inline void packWord(uint64_t x, uint8_t* out) {
    if constexpr (Bits == 1) {
        // The multiplication gathers byte j's bit into bit 63 - j; no two
        // partial products share a bit, so nothing carries.
        out[0] = static_cast<uint8_t>((x * 0x8040201008040201u) >> 56);
    } else if constexpr (Bits == 2) {
        // Four levels per 32-bit half, gathered the same way into bits
        // 24..31 of each half.
        const uint64_t y = x * 0x40100401u;
        out[0] = static_cast<uint8_t>(y >> 24);
        out[1] = static_cast<uint8_t>(y >> 56);
    } else {
        // Pairs: the even pixel shifted up beside the odd one, then the
        // four bytes moved together.
        uint64_t y = ((x << 4) | (x >> 8)) & 0x00FF00FF00FF00FFu;
        y = (y | y >> 8) & 0x0000FFFF0000FFFFu;
        y = y | y >> 16;
        for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(y >> (8 * i));
    }
}

template <int Bits>
void packBlock(const uint8_t* levels, uint8_t* out) {
    uint64_t words[2];
    std::memcpy(words, levels, kPackBlock);
    packWord<Bits>(words[0], out);
    packWord<Bits>(words[1], out + Bits);
}

template <int Bits>
void pack(const uint8_t* levels, int width, uint8_t* out) {
    constexpr int kPerByte = 8 / Bits;
    int x = 0;
    // The words hold the levels in memory order only on little-endian
    // machines; elsewhere every byte goes the one-at-a-time way.
    if constexpr (std::endian::native == std::endian::little)
        for (; x + kPackBlock <= width; x += kPackBlock, out += kPackBlock / kPerByte)
            packBlock<Bits>(levels + x, out);
    for (; x < width; x += kPerByte, ++out) {
        unsigned byte = 0;
        for (int j = 0; j < kPerByte; ++j)
            byte = byte << Bits | (x + j < width ? levels[x + j] : 0u);
        *out = static_cast<uint8_t>(byte);
    }
}

}  // namespace

void packLevels(const uint8_t* levels, int width, int bits, uint8_t* out) {
    if (bits == 1)
        pack<1>(levels, width, out);
    else if (bits == 2)
        pack<2>(levels, width, out);
    else
        pack<4>(levels, width, out);
}

bool levelSpan(const uint8_t* levels, int width, int& first, int& last) {
    first = 0;
    while (first < width && levels[first] == 0) ++first;
    if (first == width) return false;
    last = width - 1;
    while (levels[last] == 0) --last;
    return true;
}

}  // namespace inkband::host
