#include "inkband/halftone.h"

#include <array>
#include <cmath>
#include <cstring>

namespace inkband::tool {

namespace {

// The n x n Bayer index matrix, built by doubling the 2 x 2 seed
// 0 2 / 3 1: the matrix M of size s becomes the four quadrants
// 4M, 4M+2 / 4M+3, 4M+1 of size 2s.
template <int N>
constexpr std::array<std::array<uint8_t, N>, N> bayer() {
    std::array<std::array<uint8_t, N>, N> m{};
    for (int size = 1; size < N; size *= 2) {
        const auto previous = m;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const int e = 4 * previous[y][x];
                m[y][x] = static_cast<uint8_t>(e);
                m[y][x + size] = static_cast<uint8_t>(e + 2);
                m[y + size][x] = static_cast<uint8_t>(e + 3);
                m[y + size][x + size] = static_cast<uint8_t>(e + 1);
            }
    }
    return m;
}

constexpr auto kBayer8 = bayer<8>();
constexpr auto kBayer16 = bayer<16>();
static_assert(kBayer8[0][1] == 32 && kBayer8[1][1] == 16 && kBayer8[7][7] == 21);

}  // namespace

float ditherThreshold(DitherMatrix matrix, int x, int y, int plane) {
    const int px = x + 3 * plane, py = y + 5 * plane;
    if (matrix == DitherMatrix::Bayer16) return (kBayer16[py & 15][px & 15] + 0.5f) / 256.0f;
    return (kBayer8[py & 7][px & 7] + 0.5f) / 64.0f;
}

int halftoneLevel(float amount, int maxLevel, float threshold) {
    if (!(amount > 0.0f)) return 0;
    if (amount >= 1.0f) return maxLevel;
    const float scaled = amount * maxLevel;
    const int base = static_cast<int>(scaled);
    const int level = base + (scaled - base > threshold ? 1 : 0);
    return level > maxLevel ? maxLevel : level;
}

void packLevels(const uint8_t* levels, int width, int bits, uint8_t* out) {
    const int perByte = 8 / bits;
    std::memset(out, 0, static_cast<std::size_t>((width * bits + 7) / 8));
    for (int x = 0; x < width; ++x)
        out[x / perByte] |= static_cast<uint8_t>(levels[x] << (8 - bits * (x % perByte + 1)));
}

}  // namespace inkband::tool
