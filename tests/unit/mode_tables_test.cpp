// Print-mode resolution: the reachable modes, the documented cases, a sweep
// over every code and option that matters, and the tables' own invariants.
#include "mode/mode_tables.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace inkband;

namespace {

// Class and source-plane depths of a setting, e.g. {3, "2t 2t 1 1"}.
std::pair<int, std::string> describe(int16_t row, int16_t column, int16_t a, int16_t b, int16_t c) {
    int16_t modeClass = ResolveModeClass(row, column, a, b, c);
    std::string depths;
    if (modeClass < 0 || modeClass >= kModeClassCount) return {modeClass, "bad class"};
    for (int16_t i = 0; i < kSourcePlaneCount[modeClass]; ++i) {
        if (i > 0) depths += ' ';
        depths += std::to_string(PlaneDepth(row, column, i, a, b, c));
        if (PlaneTernary(row, column, i, a, b, c) != 0) depths += 't';
    }
    return {modeClass, depths};
}

const std::set<std::pair<int, std::string>> kReachable = {
    {0, ""},          {1, "1"},          {3, "1 1 1 1"},    {3, "2t 2t 1 1"},
    {3, "4 4 2 1"},   {4, "2t 2t 1 2t"}, {4, "4 4 2 2"},    {5, "2t 2t 1 1 2t"},
    {7, "4 4 4 4 4"}, {8, "4 4 2 2 4"},  {10, "4 4 4 4 4"},
};

struct ModeCase {
    int16_t row, column, a, b, c;
    int modeClass;
    const char* depths;
};

const ModeCase kCases[] = {
    // Every combination the rules produce, by each way it is reached.
    {20, 0, 1, 0, 0, 1, "1"},             // condition K from row 0
    {15, 0, 0, 0, 0, 3, "1 1 1 1"},       // row 1, column 0
    {10, 0, 0, 0, 0, 3, "2t 2t 1 1"},     // row 2, column 0
    {5, 0, 0, 0, 1, 3, "2t 2t 1 1"},      // condition T
    {5, 0, 0, 0, 2, 3, "2t 2t 1 1"},      // condition T
    {5, 0, 0, 0, 0, 3, "4 4 2 1"},        // row 3, column 0
    {10, 0, 0, 1, 0, 4, "2t 2t 1 2t"},    // condition k, row 2 column 0
    {10, 7, 0, 1, 0, 4, "2t 2t 1 2t"},    // condition k, column 1
    {5, 56, 0, 1, 0, 4, "2t 2t 1 2t"},    // condition k, row 3 column 16
    {10, 27, 0, 0, 0, 4, "4 4 2 2"},      // row 2, column 2
    {5, 18, 0, 0, 0, 4, "4 4 2 2"},       // row 3, column 3
    {10, 7, 0, 0, 0, 5, "2t 2t 1 1 2t"},  // row 2, column 1
    {5, 56, 0, 0, 0, 5, "2t 2t 1 1 2t"},  // row 3, column 16
    {0, 51, 0, 0, 0, 7, "4 4 4 4 4"},     // row 4, column 12
    {10, 15, 0, 0, 0, 8, "4 4 2 2 4"},    // row 2, column 4
    {5, 40, 0, 0, 0, 8, "4 4 2 2 4"},     // row 3, column 10
    {0, 51, 1, 0, 0, 10, "4 4 4 4 4"},    // condition X on the ten-plane cell
    {20, 42, 1, 0, 0, 10, "4 4 4 4 4"},   // condition X from row 0
    // Refusals and precedence.
    {15, 7, 0, 0, 0, 0, ""},             // row 1 holds column 0 only
    {20, 0, 1, 0, 1, 0, ""},             // K needs option C 0
    {30, 0, 1, 0, 0, 1, "1"},            // any unknown row code is row 0
    {10, 40, 0, 0, 0, 0, ""},            // row 2, column 10 has no mode
    {10, 40, 1, 0, 0, 10, "4 4 4 4 4"},  // ... but X gives one
    {5, 40, 1, 0, 0, 10, "4 4 4 4 4"},
    {10, 56, 1, 0, 0, 1, "1"},       // K wins over the table's class 5
    {5, 0, 0, 1, 1, 3, "4 4 2 1"},   // T needs option B other than 1
    {15, 0, 0, 1, 0, 3, "1 1 1 1"},  // k only in rows 2 and 3
    {15, 3, 0, 0, 0, 3, "1 1 1 1"},  // unlisted column codes are column 0
    {15, 100, 0, 0, 0, 3, "1 1 1 1"},
    {15, -1, 0, 0, 0, 3, "1 1 1 1"},
};

TEST(ModeTables, DocumentedCombinations) {
    for (const ModeCase& m : kCases) {
        SCOPED_TRACE(testing::Message() << "row code " << m.row << " column code " << m.column
                                        << " options " << m.a << m.b << m.c);
        EXPECT_EQ(describe(m.row, m.column, m.a, m.b, m.c),
                  std::make_pair(m.modeClass, std::string(m.depths)));
    }
}

TEST(ModeTables, EverySettingGivesAReachableMode) {
    std::vector<int16_t> columns = {0, 3, 100, -1};
    for (const ColumnCode& entry : ColumnCodeTable) columns.push_back(entry.code);
    std::set<std::pair<int, std::string>> seen;
    for (int16_t row : {0, 5, 10, 15, 20}) {
        for (int16_t column : columns) {
            for (int16_t a : {0, 1}) {
                for (int16_t b : {0, 1}) {
                    for (int16_t c : {0, 1, 2, 3}) {
                        SCOPED_TRACE(testing::Message()
                                     << row << "/" << column << " options " << a << b << c);
                        auto mode = describe(row, column, a, b, c);
                        EXPECT_TRUE(kReachable.count(mode)) << mode.first << ": " << mode.second;
                        seen.insert(mode);
                        int16_t r = RowFromCode(row), col = ColumnFromCode(column);
                        int holding = holdsConditionK(col, a, b, c) +
                                      holdsConditionLightK(r, col, b) +
                                      holdsConditionT(r, col, b, c) + holdsConditionX(col, a);
                        EXPECT_LE(holding, 1) << "conditions must exclude each other";
                        if (mode.first == 0) continue;
                        for (int16_t i = 0; i < kSourcePlaneCount[mode.first]; ++i) {
                            int16_t depth = PlaneDepth(row, column, i, a, b, c);
                            EXPECT_TRUE(depth == 1 || depth == 2 || depth == 4) << "plane " << i;
                            if (PlaneTernary(row, column, i, a, b, c) != 0) {
                                EXPECT_EQ(depth, 2);
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(seen, kReachable) << "every combination is reached by some setting";
}

TEST(ModeTables, RowAndColumnCodesOverTheWholeRange) {
    const std::map<int, int> rows = {{0, 4}, {5, 3}, {10, 2}, {15, 1}};
    const std::map<int, int> columns = {{7, 1},   {8, 1},   {27, 2},  {18, 3},  {15, 4},
                                        {22, 4},  {24, 4},  {16, 5},  {28, 6},  {42, 7},
                                        {31, 8},  {32, 8},  {36, 9},  {40, 10}, {41, 11},
                                        {51, 12}, {50, 13}, {53, 14}, {54, 15}, {56, 16}};
    for (int code = -32768; code <= 32767; ++code) {
        auto row = rows.find(code);
        auto column = columns.find(code);
        ASSERT_EQ(RowFromCode(static_cast<int16_t>(code)), row == rows.end() ? 0 : row->second)
            << code;
        ASSERT_EQ(ColumnFromCode(static_cast<int16_t>(code)),
                  column == columns.end() ? 0 : column->second)
            << code;
    }
}

// Each (row, column) pair's cells give depths to exactly the source planes
// of its class, from plane 0 up, with only legal depth and flag bits.
TEST(ModeTables, DepthCellsMatchTheirClass) {
    for (int r = 0; r < kModeRows; ++r) {
        for (int col = 0; col < kModeColumns; ++col) {
            SCOPED_TRACE(testing::Message() << "row " << r << " column " << col);
            const DepthCells& cells = PlaneDepthTable[r][col];
            int planes = kSourcePlaneCount[ModeClassTable[r][col]];
            for (int i = 0; i < kDepthCells; ++i) {
                uint8_t cell = cells.plane[i];
                uint8_t depth = cell & kDepthBits;
                EXPECT_EQ(cell & ~(kDepthBits | kTernaryBit), 0) << "plane " << i;
                EXPECT_EQ(depth != 0, i < planes) << "plane " << i;
                if (i < planes) {
                    EXPECT_TRUE(depth == 1 || depth == 2 || depth == 4);
                }
                if (cell & kTernaryBit) {
                    EXPECT_EQ(depth, 2) << "plane " << i;
                }
            }
        }
    }
}

TEST(ModeTables, TenPlaneClassesSplitIntoTheirOutputDepths) {
    std::vector<int> bits;
    for (int16_t shift : SplitShiftTable) bits.push_back(8 >> shift);
    EXPECT_EQ(bits, (std::vector<int>{4, 4, 2, 2, 4, 4, 4, 2, 2, 4}));
    // The letters of every class's planes are checked with the plane
    // selections that name them (band emission).
    for (int cls = 0; cls < kModeClassCount; ++cls) {
        EXPECT_EQ(isSplitClass(static_cast<int16_t>(cls)), cls == 7 || cls == 10);
        if (!isSplitClass(static_cast<int16_t>(cls))) continue;
        EXPECT_EQ(kSourcePlaneCount[cls], 5);
        EXPECT_EQ(kPlaneCount[cls], 10);
    }
}

TEST(ModeTables, PlaneNumbersOutsideTheCellsHaveNoDepth) {
    for (int16_t plane : {-1, 6, 100}) {
        for (int16_t a : {0, 1}) {  // also under the conditions that set every plane
            EXPECT_EQ(PlaneDepth(0, 51, plane, a, 0, 0), 0);
            EXPECT_EQ(PlaneDepth(20, 0, plane, a, 0, 0), 0);
            EXPECT_EQ(PlaneTernary(10, 0, plane, 0, a, 0), 0);
        }
    }
}

}  // namespace
