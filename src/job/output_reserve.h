// Reserving what a producing call will emit before it emits anything: free
// command chunks and room in the piece array.  A call that cannot get them
// is refused and changes nothing.
#pragma once

#include <cstdint>

#include "job/output_job.h"

namespace inkband {

// Most pieces one call may hand back: the list's count is 16-bit.
inline constexpr int64_t kMaxPiecesPerCall = INT16_MAX;

// The work of reserveOutput when there is any.
int16_t reserveOutputChunks(OutputJob* job, int64_t commandPieces, int64_t totalPieces);

// Makes sure the command chain holds `commandPieces` empty chunks and the
// piece array has room for `totalPieces` entries.  INKBAND_OK, or
// INKBAND_REFUSED when the call would need more than kMaxPiecesPerCall
// pieces, or INKBAND_NO_MEMORY when an allocation fails (chunks appended so
// far stay in the chain, empty, for a later call).  Most lines send no
// command and fit the piece array as it is: they are settled here.
inline int16_t reserveOutput(OutputJob* job, int64_t commandPieces, int64_t totalPieces) {
    if (commandPieces <= 0 && totalPieces <= job->pieceCapacity) return INKBAND_OK;
    return reserveOutputChunks(job, commandPieces, totalPieces);
}

// Prepares the piece list for a producing call: the running list is the
// job's list, free command chunks are sought from the chain's head, entries
// are appended from the job's piece array.
void beginProducingCall(OutputJob* job);

// Emits the 12-byte page header as one command piece.
void emitPageHeader(OutputJob* job);

}  // namespace inkband
