#include "job/sequence_table.h"

namespace inkband {

namespace {

constexpr int16_t kWrongState = INKBAND_WRONG_STATE;
constexpr int16_t kNotOffered = INKBAND_NOT_OFFERED;

}  // namespace

// Rows in operation order; every state that no move of a row starts at
// gets the row's refusal.
constexpr SequenceRow kSequenceTables[2][kSequenceOpCount] = {
    // kTableOrdinary: ordinary jobs.
    {
        // An ended job starts again.
        {kOpRestart, kWrongState, 1, {{kStateJobEnded, kStateOpened}}},
        // OutputInitTwo: an opened job takes its settings.
        {kOpInitTwo, kWrongState, 1, {{kStateOpened, kStateReady}}},
        // Never allowed.
        {kOpSpare, kWrongState, 0, {}},
        // OutputInitPart: a page opens.
        {kOpInitPart, kWrongState, 1, {{kStateReady, kStatePageOpen}}},
        // OutputProduce, OutputProduceTwo: a line of the open page.
        {kOpProduce, kWrongState, 1, {{kStatePageOpen, kStateLineDue}}},
        // OutputComplete: a line back to the open page, the other producing
        // step to its own state, a flushed page to no page.
        {kOpComplete,
         kWrongState,
         3,
         {{kStateLineDue, kStatePageOpen},
          {kStateOtherDue, kStateAfterOther},
          {kStateFlushDue, kStateReady}}},
        // OutputFlush: the page ends.
        {kOpFlush,
         kWrongState,
         2,
         {{kStatePageOpen, kStateFlushDue}, {kStateAfterOther, kStateFlushDue}}},
        // The producing step besides lines.
        {kOpProduceOther,
         kWrongState,
         2,
         {{kStatePageOpen, kStateOtherDue}, {kStateAfterOther, kStateOtherDue}}},
        // OutputFormFeed: ordinary jobs are not offered form feeds.
        {kOpFormFeed, kNotOffered, 0, {}},
        // Nor the other page end.
        {kOpFormFeedOther, kNotOffered, 0, {}},
        // An initialised job ends.
        {kOpEndJob, kWrongState, 1, {{kStateReady, kStateJobEnded}}},
    },
    // kTableAlternate: the alternate sequence, which ends pages with form feeds.
    {
        // An ended job starts again.
        {kOpRestart, kWrongState, 1, {{kStateAltJobEnded, kStateAltOpened}}},
        // OutputInitTwo: the switched job takes its settings.
        {kOpInitTwo, kWrongState, 1, {{kStateAltOpened, kStateAltReady}}},
        // Never allowed.
        {kOpSpare, kWrongState, 0, {}},
        // OutputInitPart: a page opens.
        {kOpInitPart, kWrongState, 1, {{kStateAltReady, kStateAltPageOpen}}},
        // OutputProduce, OutputProduceTwo: a line of the open page.
        {kOpProduce, kWrongState, 1, {{kStateAltPageOpen, kStateAltLineDue}}},
        // OutputComplete: a line back to the open page, the other page end to
        // its own state, a form feed to no page, the other producing step to
        // its own state, the flush to the job's end.
        {kOpComplete,
         kWrongState,
         5,
         {{kStateAltLineDue, kStateAltPageOpen},
          {kStateAltOtherFeedDue, kStateAltAfterOtherFeed},
          {kStateAltFormFeedDue, kStateAltReady},
          {kStateAltOtherDue, kStateAltAfterOther},
          {kStateAltFlushDue, kStateAltJobDone}}},
        // OutputFlush: the job ends.
        {kOpFlush,
         kWrongState,
         2,
         {{kStateAltReady, kStateAltFlushDue}, {kStateAltAfterOther, kStateAltFlushDue}}},
        // The producing step besides lines.
        {kOpProduceOther,
         kWrongState,
         2,
         {{kStateAltReady, kStateAltOtherDue}, {kStateAltAfterOther, kStateAltOtherDue}}},
        // OutputFormFeed: the page ends.
        {kOpFormFeed,
         kWrongState,
         2,
         {{kStateAltPageOpen, kStateAltFormFeedDue},
          {kStateAltAfterOtherFeed, kStateAltFormFeedDue}}},
        // The other page end.
        {kOpFormFeedOther,
         kWrongState,
         2,
         {{kStateAltPageOpen, kStateAltOtherFeedDue},
          {kStateAltAfterOtherFeed, kStateAltOtherFeedDue}}},
        // The job ends, before its first page or after its flush.
        {kOpEndJob,
         kWrongState,
         2,
         {{kStateAltOpened, kStateAltJobEnded}, {kStateAltJobDone, kStateAltJobEnded}}},
    }};

namespace {

// Each row sits at its operation's index, and its moves fit.
constexpr bool rowsInOrder(const SequenceRow* rows) {
    for (int op = 0; op < kSequenceOpCount; ++op)
        if (rows[op].op != op || rows[op].moveCount < 0 || rows[op].moveCount > kMaxSequenceMoves)
            return false;
    return true;
}
static_assert(rowsInOrder(kSequenceTables[kTableOrdinary]) &&
              rowsInOrder(kSequenceTables[kTableAlternate]));

}  // namespace

}  // namespace inkband
