// Both call-sequence tables, read through sequenceCheck and sequenceStep:
// every operation from every state, including the states and operations no
// entry point reaches, gives the expected status and target, a check never
// moves the state and a refused step leaves it where it was.
#include "job/sequence_table.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

using namespace inkband;

namespace {

constexpr int16_t kWrong = INKBAND_WRONG_STATE;
constexpr int16_t kNotOffered = INKBAND_NOT_OFFERED;

// The tables written out again as moves, on their own: (operation, from)
// -> to, and each operation's status where it has no move.
struct Expected {
    std::map<std::pair<SequenceOp, SequenceState>, SequenceState> transitions;
    int16_t refusal[kSequenceOpCount];
};

const Expected kFirst = {
    {{{kOpRestart, kStateJobEnded}, kStateOpened},
     {{kOpInitTwo, kStateOpened}, kStateReady},
     {{kOpInitPart, kStateReady}, kStatePageOpen},
     {{kOpProduce, kStatePageOpen}, kStateLineDue},
     {{kOpComplete, kStateLineDue}, kStatePageOpen},
     {{kOpComplete, kStateOtherDue}, kStateAfterOther},
     {{kOpComplete, kStateFlushDue}, kStateReady},
     {{kOpFlush, kStatePageOpen}, kStateFlushDue},
     {{kOpFlush, kStateAfterOther}, kStateFlushDue},
     {{kOpProduceOther, kStatePageOpen}, kStateOtherDue},
     {{kOpProduceOther, kStateAfterOther}, kStateOtherDue},
     {{kOpEndJob, kStateReady}, kStateJobEnded}},
    {kWrong, kWrong, kWrong, kWrong, kWrong, kWrong, kWrong, kWrong, kNotOffered, kNotOffered,
     kWrong},
};

const Expected kSecond = {
    {{{kOpRestart, kStateAltJobEnded}, kStateAltOpened},
     {{kOpInitTwo, kStateAltOpened}, kStateAltReady},
     {{kOpInitPart, kStateAltReady}, kStateAltPageOpen},
     {{kOpProduce, kStateAltPageOpen}, kStateAltLineDue},
     {{kOpComplete, kStateAltLineDue}, kStateAltPageOpen},
     {{kOpComplete, kStateAltOtherFeedDue}, kStateAltAfterOtherFeed},
     {{kOpComplete, kStateAltFormFeedDue}, kStateAltReady},
     {{kOpComplete, kStateAltOtherDue}, kStateAltAfterOther},
     {{kOpComplete, kStateAltFlushDue}, kStateAltJobDone},
     {{kOpFlush, kStateAltReady}, kStateAltFlushDue},
     {{kOpFlush, kStateAltAfterOther}, kStateAltFlushDue},
     {{kOpProduceOther, kStateAltReady}, kStateAltOtherDue},
     {{kOpProduceOther, kStateAltAfterOther}, kStateAltOtherDue},
     {{kOpFormFeed, kStateAltPageOpen}, kStateAltFormFeedDue},
     {{kOpFormFeed, kStateAltAfterOtherFeed}, kStateAltFormFeedDue},
     {{kOpFormFeedOther, kStateAltPageOpen}, kStateAltOtherFeedDue},
     {{kOpFormFeedOther, kStateAltAfterOtherFeed}, kStateAltOtherFeedDue},
     {{kOpEndJob, kStateAltOpened}, kStateAltJobEnded},
     {{kOpEndJob, kStateAltJobDone}, kStateAltJobEnded}},
    {kWrong, kWrong, kWrong, kWrong, kWrong, kWrong, kWrong, kWrong, kWrong, kWrong, kWrong},
};

void checkTable(SequenceTableId table, const Expected& expected) {
    for (int16_t op = kOpRestart; op <= kOpEndJob; ++op) {
        for (int16_t state = kStateJobEnded; state <= kStateAltJobDone; ++state) {
            SequenceCell cell{static_cast<SequenceState>(state), table};
            SequenceCell* ptr = &cell;
            auto it = expected.transitions.find(
                {static_cast<SequenceOp>(op), static_cast<SequenceState>(state)});
            SCOPED_TRACE(testing::Message()
                         << "table " << table << " op " << op << " state " << state);
            if (it != expected.transitions.end()) {
                EXPECT_EQ(sequenceCheck(&ptr, op), INKBAND_OK);
                EXPECT_EQ(cell.state, state) << "check must not move the state";
                EXPECT_EQ(sequenceStep(&ptr, op), INKBAND_OK);
                EXPECT_EQ(cell.state, it->second);
            } else {
                EXPECT_EQ(sequenceCheck(&ptr, op), expected.refusal[op]);
                EXPECT_EQ(sequenceStep(&ptr, op), INKBAND_NOT_OFFERED);
                EXPECT_EQ(cell.state, state) << "a refused step must not move the state";
            }
            EXPECT_EQ(cell.table, table);
        }
    }
}

}  // namespace

TEST(SequenceTable, FirstTableEveryOperationFromEveryState) { checkTable(kTableOrdinary, kFirst); }

TEST(SequenceTable, SecondTableEveryOperationFromEveryState) {
    checkTable(kTableAlternate, kSecond);
}

TEST(SequenceTable, MissingCellIsNotOffered) {
    SequenceCell* none = nullptr;
    for (int16_t op = kOpRestart; op <= kOpEndJob; ++op) {
        EXPECT_EQ(sequenceCheck(&none, op), INKBAND_NOT_OFFERED);
        EXPECT_EQ(sequenceStep(&none, op), INKBAND_NOT_OFFERED);
    }
    EXPECT_EQ(sequenceCheck(nullptr, kOpProduce), INKBAND_NOT_OFFERED);
}
