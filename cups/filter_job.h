// The filter's side of the module's call sequence: one module job for as
// long as the pages keep the same mode codes and line width (the module
// takes both once per job), a new one when they change; per page
// OutputInitPart, per raster line OutputProduceTwo + OutputComplete, at the
// end OutputFlush + OutputComplete.  Every piece list goes to the writer
// before its OutputComplete.
#pragma once

#include <string>

#include "inkband/inkband.h"
#include "print_modes.h"
#include "stream_writer.h"

namespace inkband::filter {

struct FilterJob {
    OutputJob* job = nullptr;
    int16_t rowCode = 0;
    int16_t columnCode = 0;
    int16_t lineWidth = 0;
    bool pageOpen = false;
};

// Each returns an empty string, or what failed (entry point and status, or
// the write error).

// Opens a page with these settings, opening a new module job first when
// needed.
std::string beginPage(FilterJob& job, const JobSettings& settings);

// Sends one raster line of the open page.
std::string sendLine(FilterJob& job, RasterLine& line, StreamWriter& writer);

// Ends the open page: its last band goes out.
std::string endPage(FilterJob& job, StreamWriter& writer);

// Releases the module job (any open page is dropped, not ended).
void closeJob(FilterJob& job);

}  // namespace inkband::filter
