// The job's page buffers and command chain between calls.
#pragma once

#include "job/output_job.h"

namespace inkband {

// Releases every page buffer the job holds (band chains, hold chunks, line
// buffers) and marks the job as holding none.
void releasePageBuffers(OutputJob* job);

// Empties every command chunk, keeping a few behind the first for later
// calls and releasing the rest.
void emptyCommandChain(OutputJob* job);

}  // namespace inkband
