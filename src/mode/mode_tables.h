// Print-mode resolution: five settings values -> mode class, source plane
// depths, ternary packing flags, and the output depths of the ten-plane
// classes.  Pure functions over constant tables.
#pragma once

#include <cstdint>

namespace inkband {

inline constexpr int kModeClassCount = 11;  // 0 .. 10
inline constexpr int kModeRows = 5;
inline constexpr int kModeColumns = 17;
inline constexpr int kDepthCells = 6;  // source planes per table cell
inline constexpr int kSplitPlanes = 10;
inline constexpr int kColumnCodeCount = 20;  // codes listed in ColumnCodeTable

// A depth cell: the low four bits give bits per pixel (1, 2, 4; 0: no such
// source plane), kTernaryBit marks a 2-bit plane packed five pixels a byte.
inline constexpr uint8_t kDepthBits = 0x0F;
inline constexpr uint8_t kTernaryBit = 0x20;

// Output and source planes of each mode class.
extern const int16_t kPlaneCount[kModeClassCount];
extern const int16_t kSourcePlaneCount[kModeClassCount];

// outputShift of output planes 0 .. 9 in classes 7 and 10.
extern const int16_t SplitShiftTable[kSplitPlanes];

// modeColumnCode -> column; every code not listed gives column 0.
struct ColumnCode {
    int16_t code;
    int16_t column;
};
extern const ColumnCode ColumnCodeTable[kColumnCodeCount];

// Class of each (row, column) pair before the conditions below.
extern const uint8_t ModeClassTable[kModeRows][kModeColumns];

// Depth cells of source planes 0 .. 5 of each (row, column) pair.
struct DepthCells {
    uint8_t plane[kDepthCells];
};
extern const DepthCells PlaneDepthTable[kModeRows][kModeColumns];

// The four settings conditions that override the tables; at most one holds
// for any input.  row and column as RowFromCode / ColumnFromCode give them.
enum ModeCondition : int16_t {
    kConditionNone,
    kConditionK,       // black only: class 1, one 1-bit plane
    kConditionLightK,  // light black (k) replaces K: class 4
    kConditionT,       // row 3, column 0 with ternary cyan and magenta: class 3
    kConditionX,       // the ten-plane split from 4-bit planes: class 10
};
bool holdsConditionK(int16_t column, int16_t optionA, int16_t optionB, int16_t optionC);
bool holdsConditionLightK(int16_t row, int16_t column, int16_t optionB);
bool holdsConditionT(int16_t row, int16_t column, int16_t optionB, int16_t optionC);
bool holdsConditionX(int16_t column, int16_t optionA);
ModeCondition modeCondition(int16_t row, int16_t column, int16_t optionA, int16_t optionB,
                            int16_t optionC);

int16_t RowFromCode(int16_t modeRowCode);
int16_t ColumnFromCode(int16_t modeColumnCode);
int16_t ResolveModeClass(int16_t modeRowCode, int16_t modeColumnCode, int16_t optionA,
                         int16_t optionB, int16_t optionC);

// A print mode resolved once from the five settings values: its class, its
// plane counts, and each source plane's depth and packing.
struct ResolvedMode {
    int16_t modeClass;                // 0 .. 10
    int16_t planeCount;               // output planes
    int16_t sourcePlaneCount;         // source planes
    int16_t planeDepth[kDepthCells];  // bits per pixel: 1, 2, 4, or 0 for no such plane
    bool planeTernary[kDepthCells];   // 2-bit plane packed five pixels a byte
};
ResolvedMode ResolveMode(int16_t modeRowCode, int16_t modeColumnCode, int16_t optionA,
                         int16_t optionB, int16_t optionC);

// One source plane of ResolveMode: bits per pixel (0 for no such plane and
// for a plane number outside 0 .. 5), and whether it is ternary-packed.
inline int16_t PlaneDepth(int16_t modeRowCode, int16_t modeColumnCode, int16_t plane,
                          int16_t optionA, int16_t optionB, int16_t optionC) {
    if (plane < 0 || plane >= kDepthCells) return 0;
    return ResolveMode(modeRowCode, modeColumnCode, optionA, optionB, optionC).planeDepth[plane];
}
inline bool PlaneTernary(int16_t modeRowCode, int16_t modeColumnCode, int16_t plane,
                         int16_t optionA, int16_t optionB, int16_t optionC) {
    if (plane < 0 || plane >= kDepthCells) return false;
    return ResolveMode(modeRowCode, modeColumnCode, optionA, optionB, optionC).planeTernary[plane];
}

// True for the ten-plane classes (7 and 10), whose five source planes are
// each split into two output planes.
inline constexpr bool isSplitClass(int16_t modeClass) { return modeClass == 7 || modeClass == 10; }

}  // namespace inkband
