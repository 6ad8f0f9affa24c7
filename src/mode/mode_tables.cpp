#include "mode/mode_tables.h"

namespace inkband {

constexpr int16_t kPlaneCount[kModeClassCount] = {0, 1, 3, 4, 4, 5, 6, 10, 5, 6, 10};
constexpr int16_t kSourcePlaneCount[kModeClassCount] = {0, 1, 3, 4, 4, 5, 6, 5, 5, 6, 5};

// Ten-plane classes: C M Y k H at 4 4 2 2 4 bits, then the same again.
constexpr int16_t SplitShiftTable[kSplitPlanes] = {1, 1, 2, 2, 1, 1, 1, 2, 2, 1};

constexpr ColumnCode ColumnCodeTable[kColumnCodeCount] = {
    {7, 1},  {8, 1},  {27, 2}, {18, 3},  {15, 4},  {22, 4},  {24, 4},  {16, 5},  {28, 6},  {42, 7},
    {31, 8}, {32, 8}, {36, 9}, {40, 10}, {41, 11}, {51, 12}, {50, 13}, {53, 14}, {54, 15}, {56, 16},
};

// clang-format off
constexpr uint8_t ModeClassTable[kModeRows][kModeColumns] = {
    // column 0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15 16
    /* row 0 */ {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    /* row 1 */ {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    /* row 2 */ {3, 5, 4, 0, 8, 4, 4, 8, 4, 4, 0, 0, 8, 8, 8, 8, 5},
    /* row 3 */ {3, 5, 4, 4, 8, 4, 4, 8, 4, 0, 8, 8, 8, 8, 8, 8, 5},
    /* row 4 */ {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0},
};
// clang-format on

namespace {

// The depth cells that occur, named by the depths of planes 0 .. 4 (T: a
// ternary 2-bit plane).  Plane 5 is never used by the tables.
constexpr uint8_t T2 = 2 | kTernaryBit;
constexpr DepthCells d0 = {{0, 0, 0, 0, 0, 0}};
constexpr DepthCells d1111 = {{1, 1, 1, 1, 0, 0}};
constexpr DepthCells dTT11 = {{T2, T2, 1, 1, 0, 0}};
constexpr DepthCells dTT11T = {{T2, T2, 1, 1, T2, 0}};
constexpr DepthCells d4421 = {{4, 4, 2, 1, 0, 0}};
constexpr DepthCells d4422 = {{4, 4, 2, 2, 0, 0}};
constexpr DepthCells d44224 = {{4, 4, 2, 2, 4, 0}};
constexpr DepthCells d44444 = {{4, 4, 4, 4, 4, 0}};

static_assert(sizeof(DepthCells) == kDepthCells, "cells are packed: row x 102 + column x 6");

}  // namespace

// clang-format off
constexpr DepthCells PlaneDepthTable[kModeRows][kModeColumns] = {
    /* row 0 */ {d0,     d0,     d0,     d0,     d0,     d0,     d0,     d0,     d0,
                 d0,     d0,     d0,     d0,     d0,     d0,     d0,     d0},
    /* row 1 */ {d1111,  d0,     d0,     d0,     d0,     d0,     d0,     d0,     d0,
                 d0,     d0,     d0,     d0,     d0,     d0,     d0,     d0},
    /* row 2 */ {dTT11,  dTT11T, d4422,  d0,     d44224, d4422,  d4422,  d44224, d4422,
                 d4422,  d0,     d0,     d44224, d44224, d44224, d44224, dTT11T},
    /* row 3 */ {d4421,  dTT11T, d4422,  d4422,  d44224, d4422,  d4422,  d44224, d4422,
                 d0,     d44224, d44224, d44224, d44224, d44224, d44224, dTT11T},
    /* row 4 */ {d0,     d0,     d0,     d0,     d0,     d0,     d0,     d0,     d0,
                 d0,     d0,     d0,     d44444, d0,     d0,     d0,     d0},
};
// clang-format on

namespace {

constexpr int kConditionCount = 5;
constexpr uint8_t kKeep = 0xFF;  // take the table cell's depth or flag

// What each condition makes of the tables: the class (0: the one
// ModeClassTable gives) and, per source plane, the depth and ternary flag
// (kKeep: the table cell's).
struct ConditionRule {
    int16_t modeClass;
    uint8_t depth[kDepthCells];
    uint8_t ternary[kDepthCells];
};

// clang-format off
constexpr ConditionRule kConditionRules[kConditionCount] = {
    /* none */ {0,  {kKeep, kKeep, kKeep, kKeep, kKeep, kKeep}, {kKeep, kKeep, kKeep, kKeep, kKeep, kKeep}},
    /* K    */ {1,  {1, 1, 1, 1, 1, 1},                         {0, 0, 0, 0, 0, 0}},
    /* k    */ {4,  {kKeep, kKeep, kKeep, 2, kKeep, kKeep},     {kKeep, kKeep, kKeep, 1, kKeep, kKeep}},
    /* T    */ {0,  {2, 2, 1, 1, 1, 1},                         {1, 1, 0, 0, 0, 0}},
    /* X    */ {10, {4, 4, 4, 4, 4, 4},                         {0, 0, 0, 0, 0, 0}},
};
// clang-format on

bool isKColumn(int16_t column) { return column == 0 || column == 1 || column == 16; }

}  // namespace

bool holdsConditionK(int16_t column, int16_t optionA, int16_t optionB, int16_t optionC) {
    return isKColumn(column) && optionA == 1 && optionB != 1 && optionC == 0;
}

bool holdsConditionLightK(int16_t row, int16_t column, int16_t optionB) {
    if (optionB != 1) return false;
    if (column == 0) return row == 2;
    return (column == 1 || column == 16) && (row == 2 || row == 3);
}

bool holdsConditionT(int16_t row, int16_t column, int16_t optionB, int16_t optionC) {
    return column == 0 && row == 3 && optionB != 1 && (optionC == 1 || optionC == 2);
}

bool holdsConditionX(int16_t column, int16_t optionA) {
    return (column == 7 || column == 10 || column == 11 || column == 12 || column == 13) &&
           optionA == 1;
}

ModeCondition modeCondition(int16_t row, int16_t column, int16_t optionA, int16_t optionB,
                            int16_t optionC) {
    if (holdsConditionK(column, optionA, optionB, optionC)) return kConditionK;
    if (holdsConditionLightK(row, column, optionB)) return kConditionLightK;
    if (holdsConditionT(row, column, optionB, optionC)) return kConditionT;
    if (holdsConditionX(column, optionA)) return kConditionX;
    return kConditionNone;
}

int16_t RowFromCode(int16_t modeRowCode) {
    switch (modeRowCode) {
        case 0:
            return 4;
        case 5:
            return 3;
        case 10:
            return 2;
        case 15:
            return 1;
        default:
            return 0;
    }
}

int16_t ColumnFromCode(int16_t modeColumnCode) {
    for (const ColumnCode& entry : ColumnCodeTable)
        if (entry.code == modeColumnCode) return entry.column;
    return 0;
}

int16_t ResolveModeClass(int16_t modeRowCode, int16_t modeColumnCode, int16_t optionA,
                         int16_t optionB, int16_t optionC) {
    int16_t row = RowFromCode(modeRowCode);
    int16_t column = ColumnFromCode(modeColumnCode);
    const ConditionRule& rule =
        kConditionRules[modeCondition(row, column, optionA, optionB, optionC)];
    return rule.modeClass != 0 ? rule.modeClass : ModeClassTable[row][column];
}

ResolvedMode ResolveMode(int16_t modeRowCode, int16_t modeColumnCode, int16_t optionA,
                         int16_t optionB, int16_t optionC) {
    const int16_t row = RowFromCode(modeRowCode);
    const int16_t column = ColumnFromCode(modeColumnCode);
    const ConditionRule& rule =
        kConditionRules[modeCondition(row, column, optionA, optionB, optionC)];
    const DepthCells& cells = PlaneDepthTable[row][column];
    ResolvedMode mode{};
    mode.modeClass = rule.modeClass != 0 ? rule.modeClass : ModeClassTable[row][column];
    mode.planeCount = kPlaneCount[mode.modeClass];
    mode.sourcePlaneCount = kSourcePlaneCount[mode.modeClass];
    for (int plane = 0; plane < kDepthCells; ++plane) {
        const uint8_t depth = rule.depth[plane];
        const uint8_t ternary = rule.ternary[plane];
        mode.planeDepth[plane] = depth != kKeep ? depth : cells.plane[plane] & kDepthBits;
        mode.planeTernary[plane] =
            ternary != kKeep ? ternary != 0 : (cells.plane[plane] & kTernaryBit) != 0;
    }
    return mode;
}

}  // namespace inkband
