#include "host/plane_packing.h"

namespace inkband::host {

namespace {

// Whole bytes of PerByte pixels, then the tail.
template <int Bits>
void pack(const uint8_t* levels, int width, uint8_t* out) {
    constexpr int kPerByte = 8 / Bits;
    const int whole = width / kPerByte;
    for (int i = 0; i < whole; ++i, levels += kPerByte) {
        unsigned byte = 0;
        for (int j = 0; j < kPerByte; ++j) byte = byte << Bits | levels[j];
        out[i] = static_cast<uint8_t>(byte);
    }
    const int tail = width - whole * kPerByte;
    if (tail == 0) return;
    unsigned byte = 0;
    for (int j = 0; j < kPerByte; ++j) byte = byte << Bits | (j < tail ? levels[j] : 0u);
    out[whole] = static_cast<uint8_t>(byte);
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
