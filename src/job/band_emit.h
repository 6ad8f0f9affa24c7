// Band assembly and emission: the band grid of a page, blank-band skips and
// plane selections.
#pragma once

#include <cstdint>

#include "codec/commands.h"
#include "job/output_job.h"

namespace inkband {

// Which planes of a mode class are the K and k planes, and the ESC ( L of
// its full plane list.
struct BandPlaneRoles {
    int8_t blackIndex;       // plane "K", -1: none
    int8_t lightBlackIndex;  // first plane "k", -1: none
    int8_t fullList;         // Selection of the full list, -1: never needed
};
extern const BandPlaneRoles kBandPlaneRoles[11];

// ESC ( F payload length held in a band chunk's header.
inline int32_t bandLength(const DataChunk& chunk) { return chunk.start[3] | (chunk.start[4] << 8); }

// Selection of a band whose planes have these ESC ( F lengths.
BandSelection bandSelection(const OutputJob* job, const int32_t* lengths);

// Command pieces (skips, selection) and plane pieces emitBand will append
// for a band with these lengths, given the job's pendingSkip and
// lastColorSet.
struct EmitCount {
    int64_t commandPieces;
    int64_t planePieces;
};
EmitCount countBandPieces(const OutputJob* job, const int32_t* lengths);

// The band up to which the band chunks may emit, below band `upTo`:
// min(pending.band + chunksPerPlane, upTo) on plane 0's line state.  The
// band being assembled (pending.band) goes out when it lies below the
// limit, and the bands from the limit up to `upTo` are skipped.  64-bit:
// band numbers reach INT32_MAX.
inline int64_t bandLimit(const OutputJob* job, int64_t upTo) {
    const int64_t reach = static_cast<int64_t>(job->planes[0].pending.band) + job->chunksPerPlane;
    return reach < upTo ? reach : upTo;
}

// ESC ( e commands needed to skip `count` bands.
inline int64_t skipCommandCount(int64_t count) {
    return count <= 0 ? 0 : (count + kMaxSkipCount - 1) / kMaxSkipCount;
}

// Appends a blank line to every plane's band until it holds bandHeight lines.
void completeBands(OutputJob* job);

// The ESC ( F length each plane's band will have once completed.
void completedBandLengths(const OutputJob* job, int32_t* lengths);

// Emits the band held in the band chunks: its pieces, or one more blank band
// in pendingSkip.  Free command chunks and piece slots must be reserved.
void emitBand(OutputJob* job);

// Appends ESC ( e pieces that skip `count` bands (count > 0).
void emitSkip(OutputJob* job, int64_t count);

// Emits one command piece of `length` bytes built by `bytes` into a free
// command chunk.
void emitCommand(OutputJob* job, const uint8_t* bytes, int16_t length);

// Empties a band chunk: bare header, length 0.
void emptyBandChunk(DataChunk* chunk);

// Lines in band assembly: a line in the band being assembled (or the first
// of the page), and a line that opens another band.
void appendToBand(OutputJob* job);
void openNewBand(OutputJob* job);

}  // namespace inkband
