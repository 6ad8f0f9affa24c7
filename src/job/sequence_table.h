// Call-sequence tables: which entry point may run in which state, and where
// it leads.  Two constant tables (ordinary jobs and the alternate sequence);
// each job carries one SequenceCell.
#pragma once

#include <cstdint>

namespace inkband {

struct SequenceCell {
    int16_t state;  // current state number
    int16_t table;  // 0: first table in force, 1: second table
};

// Operation numbers used by the entry points.
enum SequenceOp : int16_t {
    kOpInitTwo = 1,   // OutputInitTwo
    kOpInitPart = 3,  // OutputInitPart
    kOpProduce = 4,   // OutputProduce, OutputProduceTwo
    kOpComplete = 5,  // OutputComplete
    kOpFlush = 6,     // OutputFlush
    kOpFormFeed = 8,  // OutputFormFeed
};
inline constexpr int kSequenceOpCount = 11;  // operations 0 .. 10

inline constexpr int16_t kSequenceEnd = -1;  // from-state of a terminator

// One stored entry: from-state, to-state, result.  A from-state of -1 ends
// an operation's entries; that terminator's result is the refusal.
struct SequenceEntry {
    int16_t from;
    int16_t to;
    int16_t result;
};

struct SequenceTable {
    const int16_t* index;          // first entry of each operation 0 .. 10
    const SequenceEntry* entries;  // entries, terminators included
};

// The two tables, by SequenceCell::table.
extern const SequenceTable kSequenceTables[2];

inline constexpr int kSequenceStateCount = 20;  // states 0 .. 19 appear in the tables

// Every (table, state, operation) looked up once, at compile time: the
// entry points ask twice per call, so a call costs one indexed read.
struct SequenceGrid {
    SequenceEntry cells[2][kSequenceStateCount][kSequenceOpCount];
};
extern const SequenceGrid kSequenceGrid;

// The stored tables' entry for a state outside the grid (no entry matches
// it: the operation's terminator).
const SequenceEntry* sequenceEntryOutsideGrid(const SequenceCell& cell, int16_t operation);

// The entry for the cell's state and operation 0 .. 10, or the operation's
// terminator.
inline const SequenceEntry* sequenceEntry(const SequenceCell& cell, int16_t operation) {
    if (cell.state >= 0 && cell.state < kSequenceStateCount)
        return &kSequenceGrid.cells[cell.table == 1 ? 1 : 0][cell.state][operation];
    return sequenceEntryOutsideGrid(cell, operation);
}

inline bool sequenceOperationValid(int16_t operation) {
    return operation >= 0 && operation < kSequenceOpCount;
}

// The entry for the cell's state and the operation (its terminator when the
// operation may not run there); null when there is no cell.  The per-line
// calls look it up once for their check and their step.
inline const SequenceEntry* sequenceLookup(SequenceCell* const* cell, int16_t operation) {
    if (cell == nullptr || *cell == nullptr || !sequenceOperationValid(operation)) return nullptr;
    return sequenceEntry(**cell, operation);
}

// What sequenceCheck answers for a looked-up entry.
inline int16_t sequenceResult(const SequenceEntry* entry) {
    return entry == nullptr ? -1 : entry->result;
}

// What sequenceStep does with an entry looked up for the cell's current
// state.
inline int16_t sequenceFollow(SequenceCell* const* cell, const SequenceEntry* entry) {
    if (entry == nullptr || entry->from == kSequenceEnd) return -1;
    (*cell)->state = entry->to;
    return 0;
}

// 0 when the operation may run in the cell's state, the terminator's result
// (-256, or -1) when it may not, -1 when there is no cell.  Changes nothing.
inline int16_t sequenceCheck(SequenceCell* const* cell, int16_t operation) {
    return sequenceResult(sequenceLookup(cell, operation));
}

// Moves the cell to the operation's target state and returns 0; returns -1
// and changes nothing when no entry matches or there is no cell.
inline int16_t sequenceStep(SequenceCell* const* cell, int16_t operation) {
    return sequenceFollow(cell, sequenceLookup(cell, operation));
}

}  // namespace inkband
