#include "raster/ternary_pack.h"

namespace inkband {

namespace {
constexpr int16_t kTwoBitShift = 2;  // pixel shift of a 2-bit plane
}

void packTernaryLine(PlaneLine* line) {
    uint8_t* bytes = line->data;
    // The bytes before the span may hold an older line's data: clear them so
    // the packed groups that cover them read zeros.
    int32_t leadBytes = line->left >> kTwoBitShift;
    for (int32_t i = 0; i < leadBytes; ++i) bytes[i] = 0;

    uint16_t n = static_cast<uint16_t>(((line->width - line->right - 1) >> kTwoBitShift) + 1);
    uint16_t d = 0;
    uint16_t j = 0;
    int shift = 6;
    // A 16-bit window slides over the source; each step takes the next five
    // pixels (shifts 6, 4, 2, 0, then two bytes on), so four of every five
    // source bytes are written back.  Reading stays ahead of writing.
    while (d < n) {
        unsigned window = static_cast<unsigned>(bytes[d]) << 8;
        if (d + 1 < n) window |= bytes[d + 1];
        bytes[j++] = TernaryPackTable[(window >> shift) & 0x3FF];
        if (shift == 0) {
            shift = 6;
            d += 2;
        } else {
            shift -= 2;
            d += 1;
        }
    }

    uint16_t k = 0;
    while (k < j && bytes[k] == 0) ++k;
    line->width = static_cast<int16_t>(j << kTwoBitShift);
    line->left = static_cast<int16_t>(k << kTwoBitShift);
    line->right = 0;
}

}  // namespace inkband
