#include "support/ternary_reference.h"

#include <cstring>

#include "kernels/ternary_pack.h"

namespace inkband {

namespace {

constexpr int16_t kTwoBitShift = 2;     // pixel shift of a 2-bit plane
constexpr int32_t kGroupsPerBlock = 4;  // five source bytes give four packed bytes

// Packed byte g of the n source bytes: the five pixels from pixel 5g on,
// source bytes past n-1 read as zero.
uint8_t packGroup(const uint8_t* bytes, int32_t n, int32_t g) {
    const int32_t d = g + g / kGroupsPerBlock;
    const int shift = 6 - 2 * (g % kGroupsPerBlock);
    unsigned window = static_cast<unsigned>(bytes[d]) << 8;
    if (d + 1 < n) window |= bytes[d + 1];
    return TernaryPackTable[(window >> shift) & 0x3FF];
}

}  // namespace

void packTernaryLine(PlaneLine* line) {
    uint8_t* bytes = line->data;
    const int32_t leadBytes = line->left >> kTwoBitShift;
    if (leadBytes > 0) std::memset(bytes, 0, static_cast<std::size_t>(leadBytes));

    const int32_t n = ((line->width - line->right - 1) >> kTwoBitShift) + 1;
    const int32_t j = n > 0 ? ternaryPackedSize(n) : 0;
    // Each packed byte reads at or ahead of its own position, so the
    // packing runs in place from the front.
    for (int32_t g = 0; g < j; ++g) bytes[g] = packGroup(bytes, n, g);

    int32_t k = 0;
    while (k < j && bytes[k] == 0) ++k;
    line->width = static_cast<int16_t>(j << kTwoBitShift);
    line->left = static_cast<int16_t>(k << kTwoBitShift);
    line->right = 0;
}

}  // namespace inkband
