#include "job/sequence_table.h"

namespace inkband {
namespace {

constexpr int16_t kEnd = kSequenceEnd;

// First table: ordinary jobs.  Transitions have result 0; each operation's
// list ends with its terminator.  Operations 8 and 9 share one terminator
// whose result is -1 (a form feed is not offered to ordinary jobs).
constexpr SequenceEntry kFirstEntries[] = {
    /*  0 op 0  */ {0, 1, 0},
    /*  1       */ {kEnd, 0, -256},
    /*  2 op 1  */ {1, 2, 0},
    /*  3       */ {kEnd, 0, -256},
    /*  4 op 2  */ {kEnd, 0, -256},
    /*  5 op 3  */ {2, 3, 0},
    /*  6       */ {kEnd, 0, -256},
    /*  7 op 4  */ {3, 4, 0},
    /*  8       */ {kEnd, 0, -256},
    /*  9 op 5  */ {4, 3, 0},
    /* 10       */ {5, 6, 0},
    /* 11       */ {7, 2, 0},
    /* 12       */ {kEnd, 0, -256},
    /* 13 op 6  */ {3, 7, 0},
    /* 14       */ {6, 7, 0},
    /* 15       */ {kEnd, 0, -256},
    /* 16 op 7  */ {3, 5, 0},
    /* 17       */ {6, 5, 0},
    /* 18       */ {kEnd, 0, -256},
    /* 19 op 8+9*/ {kEnd, 0, -1},
    /* 20 op 10 */ {2, 0, 0},
    /* 21       */ {kEnd, 0, -256},
};
constexpr int16_t kFirstIndex[kSequenceOpCount] = {0, 2, 4, 5, 7, 9, 13, 16, 19, 19, 20};

// Second table: the alternate sequence.
constexpr SequenceEntry kSecondEntries[] = {
    /*  0 op 0  */ {8, 9, 0},
    /*  1       */ {kEnd, 0, -256},
    /*  2 op 1  */ {9, 10, 0},
    /*  3       */ {kEnd, 0, -256},
    /*  4 op 2  */ {kEnd, 0, -256},
    /*  5 op 3  */ {10, 11, 0},
    /*  6       */ {kEnd, 0, -256},
    /*  7 op 4  */ {11, 12, 0},
    /*  8       */ {kEnd, 0, -256},
    /*  9 op 5  */ {12, 11, 0},
    /* 10       */ {13, 14, 0},
    /* 11       */ {15, 10, 0},
    /* 12       */ {17, 18, 0},
    /* 13       */ {16, 19, 0},
    /* 14       */ {kEnd, 0, -256},
    /* 15 op 6  */ {10, 16, 0},
    /* 16       */ {18, 16, 0},
    /* 17       */ {kEnd, 0, -256},
    /* 18 op 7  */ {10, 17, 0},
    /* 19       */ {18, 17, 0},
    /* 20       */ {kEnd, 0, -256},
    /* 21 op 8  */ {11, 15, 0},
    /* 22       */ {14, 15, 0},
    /* 23       */ {kEnd, 0, -256},
    /* 24 op 9  */ {11, 13, 0},
    /* 25       */ {14, 13, 0},
    /* 26       */ {kEnd, 0, -256},
    /* 27 op 10 */ {9, 8, 0},
    /* 28       */ {19, 8, 0},
    /* 29       */ {kEnd, 0, -256},
};
constexpr int16_t kSecondIndex[kSequenceOpCount] = {0, 2, 4, 5, 7, 9, 15, 18, 21, 24, 27};

// The matching entry for a state, or the operation's terminator.
constexpr const SequenceEntry* lookupEntry(const int16_t* index, const SequenceEntry* entries,
                                           int16_t state, int16_t operation) {
    const SequenceEntry* entry = entries + index[operation];
    while (entry->from != state && entry->from != kEnd) ++entry;
    return entry;
}

constexpr SequenceGrid makeSequenceGrid() {
    SequenceGrid grid{};
    for (int16_t state = 0; state < kSequenceStateCount; ++state) {
        for (int16_t op = 0; op < kSequenceOpCount; ++op) {
            grid.cells[0][state][op] = *lookupEntry(kFirstIndex, kFirstEntries, state, op);
            grid.cells[1][state][op] = *lookupEntry(kSecondIndex, kSecondEntries, state, op);
        }
    }
    return grid;
}

}  // namespace

constexpr SequenceGrid kSequenceGrid = makeSequenceGrid();

const SequenceTable kSequenceTables[2] = {
    {kFirstIndex, kFirstEntries},
    {kSecondIndex, kSecondEntries},
};

const SequenceEntry* sequenceEntryOutsideGrid(const SequenceCell& cell, int16_t operation) {
    const SequenceTable& table = kSequenceTables[cell.table == 1 ? 1 : 0];
    return lookupEntry(table.index, table.entries, cell.state, operation);
}

}  // namespace inkband
