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

// What the last producing call did, for the OutputComplete that follows it.
enum LastOp : int16_t {
    kLastOpNone = 0,       // nothing yet on this page (after an allocating OutputInitPart)
    kLastOpSameBand = 1,   // a line in the band being assembled (or the page's first, in band 0)
    kLastOpFirstLine = 2,  // the page's first line, in a later band than pending.band
    kLastOpNewBand = 3,    // a line that opened another band
    kLastOpFlush = 4,      // OutputFlush
    kLastOpFormFeed = 5,   // OutputFormFeed
};

// Whether the page header (ESC ( I, ESC ( J) has gone out on this page.
enum HeaderState : int16_t {
    kHeaderDue = 0,   // not yet: the next line sends it first
    kHeaderSent = 2,  // sent
};

// Plane selection of an emitted band, as lastColorSet keeps it.
enum BandSelection : int16_t {
    kSelectionNone = 0,        // no plane has data: the band is skipped
    kSelectionBlack = 1,       // the K plane alone
    kSelectionLightBlack = 2,  // the k plane alone
    kSelectionBothBlack = 3,   // the K and k planes
    kSelectionFull = 4,        // any other plane has data: every plane
};

struct PlaneState {
    DataChunk chain;      // the band chunk: BandChunkHeader + encoded lines
    LineExtent pending;   // as of the last OutputComplete
    LineExtent current;   // as of the latest OutputProduceTwo
    int16_t pixelShift;   // source plane: log2 pixels per byte (3, 2, 1)
    int16_t outputShift;  // ten-plane classes: the output plane's shift
    bool ternaryFlag;     // 2-bit source plane packed five pixels a byte
};

}  // namespace inkband

// The job record.  Defined at global scope: the public header declares the
// opaque `struct OutputJob`.
struct OutputJob {
    PieceList* pieceList;    // the list every producing call hands back
    PieceList* currentList;  // the list the running call fills
    int16_t chunksPerPlane;  // band chunks per plane: 0 until page buffers were first
                             // allocated, then 1 for good
    inkband::PlaneState planes[inkband::kMaxPlanes];
    inkband::DataChunk holdChunks[inkband::kMaxPlanes];
    inkband::DataChunk commandChain;            // page header, skips, selections, form feed
    PlaneLine planeLines[inkband::kMaxPlanes];  // each plane's prepared line
    int16_t bandHeight;                         // lines per band: 1, 8 or 16
    inkband::LastOp lastOp;                     // what the last producing call did
    inkband::HeaderState headerState;           // whether the page header went out on this page
    inkband::BandSelection lastColorSet;        // selection last sent (ESC ( L) on the page
    bool altSequence;                           // the settings asked for the alternate sequence
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
    bool pageBuffers;                   // a successful allocating OutputInitPart made this
                                        // page's buffers and they are not released
    bool bareProduce;                   // the step awaiting OutputComplete was OutputProduce
    bool lineCommitted;                 // a line of this page has been committed
    bool bandsAlwaysFit;                // a band of the widest lines fits every band and
                                        // hold chunk, so lines need no room check
    int32_t lastLine;                   // the last line committed on this page
    int32_t producedLine;               // the line of the call awaiting OutputComplete
    inkband::DataChunk* commandCursor;  // where the next free command chunk is sought
};
