// Both call-sequence tables, driven table-wise: every operation from every
// state gives the expected check result and target.
#include "job/sequence_table.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

using namespace inkband;

namespace {

struct Expected {
    std::map<std::pair<int, int>, int> transitions;  // (op, from) -> to
    int refusal[11];                                 // result with no match
};

const Expected kFirst = {
    {{{0, 0}, 1},
     {{1, 1}, 2},
     {{3, 2}, 3},
     {{4, 3}, 4},
     {{5, 4}, 3},
     {{5, 5}, 6},
     {{5, 7}, 2},
     {{6, 3}, 7},
     {{6, 6}, 7},
     {{7, 3}, 5},
     {{7, 6}, 5},
     {{10, 2}, 0}},
    {-256, -256, -256, -256, -256, -256, -256, -256, -1, -1, -256},
};

const Expected kSecond = {
    {{{0, 8}, 9},
     {{1, 9}, 10},
     {{3, 10}, 11},
     {{4, 11}, 12},
     {{5, 12}, 11},
     {{5, 13}, 14},
     {{5, 15}, 10},
     {{5, 17}, 18},
     {{5, 16}, 19},
     {{6, 10}, 16},
     {{6, 18}, 16},
     {{7, 10}, 17},
     {{7, 18}, 17},
     {{8, 11}, 15},
     {{8, 14}, 15},
     {{9, 11}, 13},
     {{9, 14}, 13},
     {{10, 9}, 8},
     {{10, 19}, 8}},
    {-256, -256, -256, -256, -256, -256, -256, -256, -256, -256, -256},
};

void checkTable(int16_t table, const Expected& expected) {
    for (int16_t op = 0; op <= 10; ++op) {
        for (int16_t state = 0; state <= 19; ++state) {
            SequenceCell cell{static_cast<SequenceState>(state),
                              static_cast<SequenceTableId>(table)};
            SequenceCell* ptr = &cell;
            auto it = expected.transitions.find({op, state});
            SCOPED_TRACE(testing::Message()
                         << "table " << table << " op " << op << " state " << state);
            if (it != expected.transitions.end()) {
                EXPECT_EQ(sequenceCheck(&ptr, op), 0);
                EXPECT_EQ(cell.state, state) << "check must not move the state";
                EXPECT_EQ(sequenceStep(&ptr, op), 0);
                EXPECT_EQ(cell.state, it->second);
            } else {
                EXPECT_EQ(sequenceCheck(&ptr, op), expected.refusal[op]);
                EXPECT_EQ(sequenceStep(&ptr, op), -1);
                EXPECT_EQ(cell.state, state) << "a refused step must not move the state";
            }
            EXPECT_EQ(cell.table, table);
        }
    }
}

}  // namespace

TEST(SequenceTable, FirstTableEveryOperationFromEveryState) { checkTable(0, kFirst); }

TEST(SequenceTable, SecondTableEveryOperationFromEveryState) { checkTable(1, kSecond); }

TEST(SequenceTable, MissingCellGivesMinusOne) {
    SequenceCell* none = nullptr;
    for (int16_t op = 0; op <= 10; ++op) {
        EXPECT_EQ(sequenceCheck(&none, op), -1);
        EXPECT_EQ(sequenceStep(&none, op), -1);
    }
    EXPECT_EQ(sequenceCheck(nullptr, kOpProduce), -1);
}
