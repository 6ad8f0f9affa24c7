// The per-job record behind the public OutputJob handle, and the state of
// each of its planes.
#pragma once

#include <cstdint>

#include "codec/data_chunk.h"
#include "inkband/inkband.h"
#include "job/line_extent.h"
#include "job/sequence_table.h"

namespace inkband {

inline constexpr int kMaxPlanes = 16;  // room per job; no mode uses more than 10

struct PlaneState {
    DataChunk chain;      // the band chunk: BandChunkHeader + encoded lines
    LineExtent pending;   // as of the last OutputComplete
    LineExtent current;   // as of the latest OutputProduceTwo
    int16_t pixelShift;   // source plane: log2 pixels per byte (3, 2, 1)
    int16_t outputShift;  // ten-plane classes: the output plane's shift
    int16_t ternaryFlag;  // non-zero: 2-bit plane packed five pixels a byte
};

}  // namespace inkband

// The job record.  Defined at global scope: the public header declares the
// opaque `struct OutputJob`.
struct OutputJob {
    PieceList* pieceList;    // the list every producing call hands back
    PieceList* currentList;  // the list the running call fills
    int16_t chunksPerPlane;  // 0 until page buffers were first allocated, then 1
    inkband::PlaneState planes[inkband::kMaxPlanes];
    inkband::DataChunk holdChunks[inkband::kMaxPlanes];
    inkband::DataChunk commandChain;            // page header, skips, selections, form feed
    PlaneLine planeLines[inkband::kMaxPlanes];  // each plane's prepared line
    int16_t bandHeight;                         // lines per band: 1, 8 or 16
    int16_t lastOp;                             // what the last producing call did (1 .. 5)
    int16_t headerState;                        // 2 once the page header went out on this page
    int16_t lastColorSet;                       // selection whose ESC ( L was last sent on the page
    int16_t altSequence;                        // 1: the settings asked for the alternate sequence
    int32_t formLength;                         // argument of the last OutputFormFeed
    int32_t pendingSkip;                        // blank bands counted, not yet skipped
    int16_t modeClass;                          // 0 .. 10
    int16_t planeCount;                         // output planes
    int16_t sourcePlaneCount;
    int16_t modeRowCode;     // copied by OutputInitTwo
    int16_t modeColumnCode;  // copied by OutputInitTwo
    int16_t lineWidth;       // copied by OutputInitTwo
    inkband::SequenceCell* sequence;
    uint8_t* lineBuffers[inkband::kMaxPlanes];
    Piece* pieceArray;  // storage the piece list points into

    // Bookkeeping the entry points need to refuse bad input soundly.
    int16_t pieceCapacity;              // entries in pieceArray (108, grows on demand)
    int16_t pageBuffers;                // 1: a successful allocating OutputInitPart made
                                        // this page's buffers and they are not released
    int16_t bareProduce;                // 1: the step awaiting OutputComplete was OutputProduce
    int16_t lineCommitted;              // 1: a line of this page has been committed
    int16_t bandsAlwaysFit;             // 1: a band of the widest lines fits every band
                                        // and hold chunk, so lines need no room check
    int32_t lastLine;                   // the last line committed on this page
    int32_t producedLine;               // the line of the call awaiting OutputComplete
    inkband::DataChunk* commandCursor;  // where the next free command chunk is sought
};
