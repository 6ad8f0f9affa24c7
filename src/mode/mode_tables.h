// Print-mode resolution: five settings values -> mode class, source plane
// depths, ternary packing flags, and the output depths of the ten-plane
// classes.  Pure functions over constant tables.
#pragma once

#include <cstdint>

namespace inkband {

inline constexpr int kModeClassCount = 11;  // 0 .. 10
inline constexpr int kModeRows = 5;
inline constexpr int kModeColumns = 17;
inline constexpr int kDepthCells = 6;       // source planes per table cell
inline constexpr int kSplitPlanes = 10;

// Output and source planes of each mode class.
extern const int16_t kPlaneCount[kModeClassCount];
extern const int16_t kSourcePlaneCount[kModeClassCount];

// outputShift of output planes 0 .. 9 in classes 7 and 10.
extern const int16_t SplitShiftTable[kSplitPlanes];

int16_t RowFromCode(int16_t modeRowCode);
int16_t ColumnFromCode(int16_t modeColumnCode);
int16_t ResolveModeClass(int16_t modeRowCode, int16_t modeColumnCode, int16_t optionA,
                         int16_t optionB, int16_t optionC);
// Bits per pixel of a source plane: 1, 2, 4, or 0 for no such plane.
int16_t PlaneDepth(int16_t modeRowCode, int16_t modeColumnCode, int16_t plane, int16_t optionA,
                   int16_t optionB, int16_t optionC);
// 0: no ternary packing; non-zero: packed.
int16_t PlaneTernary(int16_t modeRowCode, int16_t modeColumnCode, int16_t plane, int16_t optionA,
                     int16_t optionB, int16_t optionC);

// True for the ten-plane classes (7 and 10), whose five source planes are
// each split into two output planes.
inline constexpr bool isSplitClass(int16_t modeClass) { return modeClass == 7 || modeClass == 10; }

}  // namespace inkband
