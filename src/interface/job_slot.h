// Reading the job out of the caller's slot.
#pragma once

#include "interface/output_job.h"

namespace inkband {

// The job held in *slot, or null for a null slot address or an empty slot.
inline OutputJob* jobInSlot(OutputJob* const* slot) { return slot == nullptr ? nullptr : *slot; }

// Releases every page buffer the job holds (band chains, hold chunks, line
// buffers) and marks the job as holding none.
void releasePageBuffers(OutputJob* job);

// Empties every command chunk, keeping a few behind the first for later
// calls and releasing the rest.
void emptyCommandChain(OutputJob* job);

}  // namespace inkband
