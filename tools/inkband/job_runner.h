// Drives one print job through the module's entry points, in the order the
// call sequence allows, and hands every piece to a sink in order.
//
// Ordinary job:   OutputOpen, OutputInitTwo; per page OutputInitPart, per
//                 line OutputProduceTwo + OutputComplete, then OutputFlush +
//                 OutputComplete; OutputClose.
// Alternate job   (settings with altSequenceRequest 1): the same, but each
//                 page ends with OutputFormFeed + OutputComplete, and the job
//                 with one OutputFlush + OutputComplete.
//
// Lines blank in every plane are left out; a plane blank on a line is
// passed with NULL data.  The first status other than success stops the
// job with a message naming the call and the status.
#pragma once

#include <cstdint>
#include <string>

#include "host/output_session.h"
#include "inkband/host_raster.h"
#include "inkband/inkband.h"

namespace inkband::tool {

struct JobOptions {
    JobSettings settings{};  // sent as they are to OutputInitTwo and OutputInitPart
    int pages = 1;           // the raster is printed this many times
    bool progress = false;   // draw a progress bar on stderr
};

struct JobStats {
    int pages = 0;
    int64_t linesSent = 0;     // OutputProduceTwo calls
    int64_t linesLeftOut = 0;  // lines blank in every plane, not sent
    int64_t inputBytes = 0;    // packed plane bytes of every line of every page
    int64_t outputBytes = 0;   // bytes of every piece
    int64_t pieces = 0;
    int64_t skipCommands = 0;  // ESC ( e pieces
    int64_t skippedBands = 0;  // bands they skip
    double seconds = 0;        // time spent in the job
};

using host::PieceSink;

bool runJob(const HostRaster& raster, const JobOptions& options, const PieceSink& sink,
            JobStats& stats, std::string& error);

using host::statusText;

}  // namespace inkband::tool
