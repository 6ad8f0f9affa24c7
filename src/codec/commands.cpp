#include "codec/commands.h"

namespace inkband {

namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kOpen = 0x28;

// ESC ( I with its payload 01: opens a page.
constexpr uint8_t kPageStart[6] = {kEsc, kOpen, 0x49, 0x01, 0x00, 0x01};
// ESC ( J up to its payload byte, the band height, which is written behind it.
constexpr uint8_t kBandHeightHead[5] = {kEsc, kOpen, 0x4A, 0x01, 0x00};
// ESC ( e up to its two count bytes.
constexpr uint8_t kSkipHead[5] = {kEsc, kOpen, 0x65, 0x02, 0x00};

// Letters with bit 7 set name the second output plane of a split source plane.
constexpr uint8_t kSplit = 0x80;

struct SelectionTemplate {
    uint8_t bytes[15];
    int16_t length;
};

constexpr SelectionTemplate kSelections[kSelectionCount] = {
    {{kEsc, kOpen, 0x4C, 1, 0, 'K'}, 6},
    {{kEsc, kOpen, 0x4C, 1, 0, 'k'}, 6},
    {{kEsc, kOpen, 0x4C, 2, 0, 'K', 'k'}, 7},
    {{kEsc, kOpen, 0x4C, 3, 0, 'C', 'M', 'Y'}, 8},
    {{kEsc, kOpen, 0x4C, 4, 0, 'C', 'M', 'Y', 'K'}, 9},
    {{kEsc, kOpen, 0x4C, 4, 0, 'C', 'M', 'Y', 'k'}, 9},
    {{kEsc, kOpen, 0x4C, 5, 0, 'C', 'M', 'Y', 'K', 'k'}, 10},
    {{kEsc, kOpen, 0x4C, 5, 0, 'C', 'M', 'Y', 'k', 'H'}, 10},
    {{kEsc, kOpen, 0x4C, 6, 0, 'C', 'M', 'Y', 'c', 'm', 'k'}, 11},
    {{kEsc, kOpen, 0x4C, 6, 0, 'c', 'm', 'Y', 'k', 'H', 'h'}, 11},
    {{kEsc, kOpen, 0x4C, 10, 0, 'C', 'M', 'Y', 'k', 'H', 'C' | kSplit, 'M' | kSplit, 'Y' | kSplit,
      'k' | kSplit, 'H' | kSplit},
     15},
};

// Every template's length field must match the letters behind it.
constexpr bool selectionsConsistent() {
    for (const SelectionTemplate& t : kSelections)
        if (t.bytes[3] + 5 != t.length || t.bytes[4] != 0) return false;
    return true;
}
static_assert(selectionsConsistent());

}  // namespace

const uint8_t kBandChunkHeader[kBandChunkHeaderSize] = {kEsc, kOpen, 0x46, 0x00, 0x00};

CommandBytes selectionCommand(Selection selection) {
    if (selection < 0 || selection >= kSelectionCount) return {nullptr, 0};
    const SelectionTemplate& t = kSelections[selection];
    return {t.bytes, t.length};
}

int16_t writePageHeader(int16_t bandHeight, uint8_t* dst) {
    for (int i = 0; i < 6; ++i) dst[i] = kPageStart[i];
    for (int i = 0; i < 5; ++i) dst[6 + i] = kBandHeightHead[i];
    dst[11] = static_cast<uint8_t>(bandHeight & 0xFF);
    return kPageHeaderSize;
}

int16_t buildSkipCommand(int16_t count, uint8_t* dst) {
    if (count <= 0) return 0;
    for (int i = 0; i < 5; ++i) dst[i] = kSkipHead[i];
    dst[5] = static_cast<uint8_t>(count >> 8);
    dst[6] = static_cast<uint8_t>(count & 0xFF);
    return kSkipCommandSize;
}

}  // namespace inkband
