// Call-sequence tables: which entry point may run in which state, and where
// it leads.  Two constant tables (ordinary jobs and the alternate sequence);
// each job carries one SequenceCell.
#pragma once

#include <cstdint>

#include "inkband/inkband.h"

namespace inkband {

// The states of both tables.  States 1 .. 7 belong to the first table,
// 8 .. 19 to the second.  The states that only the operations without an
// entry point (kOpRestart, kOpProduceOther, kOpFormFeedOther, kOpEndJob)
// lead into are named after those operations.
enum SequenceState : int16_t {
    kStateJobEnded = 0,            // after kOpEndJob
    kStateOpened = 1,              // OutputOpen: not yet initialised
    kStateReady = 2,               // initialised, no page open (also after a page ended)
    kStatePageOpen = 3,            // a line or the page end may come
    kStateLineDue = 4,             // a line was produced: its OutputComplete is due
    kStateOtherDue = 5,            // after kOpProduceOther: its OutputComplete is due
    kStateAfterOther = 6,          // kOpProduceOther completed
    kStateFlushDue = 7,            // the page was flushed: its OutputComplete is due
    kStateAltJobEnded = 8,         // after kOpEndJob
    kStateAltOpened = 9,           // switched to the second table, not yet initialised
    kStateAltReady = 10,           // initialised, no page open (also after a form feed)
    kStateAltPageOpen = 11,        // a line or the page end may come
    kStateAltLineDue = 12,         // a line was produced: its OutputComplete is due
    kStateAltOtherFeedDue = 13,    // after kOpFormFeedOther: its OutputComplete is due
    kStateAltAfterOtherFeed = 14,  // kOpFormFeedOther completed
    kStateAltFormFeedDue = 15,     // a form feed was produced: its OutputComplete is due
    kStateAltFlushDue = 16,        // the job was flushed: its OutputComplete is due
    kStateAltOtherDue = 17,        // after kOpProduceOther: its OutputComplete is due
    kStateAltAfterOther = 18,      // kOpProduceOther completed
    kStateAltJobDone = 19,         // the flush completed: only OutputClose is left
};

// The operations an entry point names when it asks the tables, 0 .. 10.
enum SequenceOp : int16_t {
    kOpRestart = 0,        // no entry point: an ended job back to its start
    kOpInitTwo = 1,        // OutputInitTwo
    kOpSpare = 2,          // no entry point, and no move in either table
    kOpInitPart = 3,       // OutputInitPart
    kOpProduce = 4,        // OutputProduce, OutputProduceTwo
    kOpComplete = 5,       // OutputComplete
    kOpFlush = 6,          // OutputFlush
    kOpProduceOther = 7,   // no entry point: a producing step besides lines
    kOpFormFeed = 8,       // OutputFormFeed
    kOpFormFeedOther = 9,  // no entry point: a page end besides the form feed
    kOpEndJob = 10,        // no entry point: an initialised job ended
};
inline constexpr int kSequenceOpCount = 11;

// Which table is in force.
enum SequenceTableId : int16_t {
    kTableOrdinary = 0,   // ordinary jobs
    kTableAlternate = 1,  // the alternate sequence
};

struct SequenceCell {
    SequenceState state;    // current state
    SequenceTableId table;  // the table in force
};

// One allowed move of an operation.
struct SequenceMove {
    SequenceState from;
    SequenceState to;
};

inline constexpr int kMaxSequenceMoves = 5;  // the most moves of one operation

// An operation's row of a table: the moves it may make, and the status
// that refuses it in every other state.
struct SequenceRow {
    SequenceOp op;    // the row's own operation, equal to its index
    int16_t refusal;  // INKBAND_WRONG_STATE, or INKBAND_NOT_OFFERED
    int16_t moveCount;
    SequenceMove moves[kMaxSequenceMoves];
};

// The two tables, by SequenceTableId, each a row per operation.
extern const SequenceRow kSequenceTables[2][kSequenceOpCount];

// What the tables say about an operation in a cell's state: the move it
// makes, or the status that refuses it (move null).
struct SequenceVerdict {
    int16_t status;
    const SequenceMove* move;
};

// The verdict for the cell and operation: INKBAND_NOT_OFFERED without a
// cell or for an operation outside 0 .. 10, else the row's move that starts
// at the cell's state, or the row's refusal.
inline SequenceVerdict sequenceVerdict(SequenceCell* const* cell, int16_t operation) {
    if (cell == nullptr || *cell == nullptr || operation < 0 || operation >= kSequenceOpCount)
        return {INKBAND_NOT_OFFERED, nullptr};
    const SequenceCell& at = **cell;
    const SequenceRow& row =
        kSequenceTables[at.table == kTableAlternate ? kTableAlternate : kTableOrdinary][operation];
    const SequenceMove* const end = row.moves + row.moveCount;
    for (const SequenceMove* move = row.moves; move != end; ++move)
        if (move->from == at.state) return {INKBAND_OK, move};
    return {row.refusal, nullptr};
}

// Makes the verdict's move: INKBAND_OK, or INKBAND_NOT_OFFERED and nothing
// changed when the verdict has none.  The per-line entry points look the
// verdict up once for their check and their step.
inline int16_t sequenceFollow(SequenceCell* const* cell, SequenceVerdict verdict) {
    if (verdict.move == nullptr) return INKBAND_NOT_OFFERED;
    (*cell)->state = verdict.move->to;
    return INKBAND_OK;
}

// INKBAND_OK when the operation may run in the cell's state, the row's
// refusal when it may not, INKBAND_NOT_OFFERED without a cell.  Changes
// nothing.
inline int16_t sequenceCheck(SequenceCell* const* cell, int16_t operation) {
    return sequenceVerdict(cell, operation).status;
}

// Moves the cell to the operation's target state and returns INKBAND_OK;
// returns INKBAND_NOT_OFFERED and changes nothing when the operation may
// not run or there is no cell.
inline int16_t sequenceStep(SequenceCell* const* cell, int16_t operation) {
    return sequenceFollow(cell, sequenceVerdict(cell, operation));
}

}  // namespace inkband
