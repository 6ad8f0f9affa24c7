// Where the filter's raster comes from: a file descriptor read through
// libcups' raster reader, and the stop request that SIGTERM raises.  When
// CUPS cancels a job it sends SIGTERM; the handler only sets a flag, and the
// read callback then reports the end of the data, so the filter ends the
// page it is on and closes the job instead of dying in the middle of it.
// SIGTERM stays blocked except while the callback waits for input (ppoll
// unblocks it atomically), so a stop can never slip in between the flag
// test and a read that would then wait for ever.
#pragma once

#include <cups/raster.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace inkband::filter {

struct RasterInput {
    int fd = 0;
    bool ended = false;  // a read found the end of the data
    int error = 0;       // errno of a failed read
    uint64_t read = 0;   // bytes read so far
};

// Installs the SIGTERM handler, blocks SIGTERM outside the input wait, and
// ignores SIGPIPE, so that a closed output shows as a write error.
void installStopHandler();

// True once SIGTERM has arrived.
bool stopRequested();

// cupsRasterOpenIO callback: waits for input with SIGTERM unblocked, reads
// it, and reports the end of the data (0) once a stop has been requested.
// Records whether the data really ended: libcups answers a header it
// rejects just like the end of the data.
ssize_t readRaster(void* input, unsigned char* buffer, size_t length);

}  // namespace inkband::filter
