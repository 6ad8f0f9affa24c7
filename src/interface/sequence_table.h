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

// 0 when the operation may run in the cell's state, the terminator's result
// (-256, or -1) when it may not, -1 when there is no cell.  Changes nothing.
int16_t sequenceCheck(SequenceCell* const* cell, int16_t operation);

// Moves the cell to the operation's target state and returns 0; returns -1
// and changes nothing when no entry matches or there is no cell.
int16_t sequenceStep(SequenceCell* const* cell, int16_t operation);

}  // namespace inkband
