// A host's side of the module's call sequence: one module job for as long
// as the pages keep the same mode codes and line width (the module takes
// both once per job), a new one when they change; per page OutputInitPart,
// per raster line OutputProduceTwo + OutputComplete, at the end of a page
// OutputFlush (or, in the alternate sequence, OutputFormFeed) +
// OutputComplete.  Every piece goes to the sink before its OutputComplete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "inkband/inkband.h"

namespace inkband::host {

// Receives one piece; false stops the job (an output error).
using PieceSink = std::function<bool(const uint8_t* data, std::size_t length)>;

struct OutputSession {
    PieceSink sink;
    OutputJob* job = nullptr;
    int16_t rowCode = 0;
    int16_t columnCode = 0;
    int16_t lineWidth = 0;
    bool alternate = false;  // the job follows the alternate sequence
    bool pageOpen = false;
};

// Each returns an empty string, or what failed: the entry point and its
// status, or "cannot write the output".

// Opens a page with these settings, opening a new module job first when
// needed.
std::string beginPage(OutputSession& session, const JobSettings& settings);

// Sends one raster line of the open page.
std::string sendLine(OutputSession& session, RasterLine& line);

// Ends the open page: OutputFlush, or in the alternate sequence
// OutputFormFeed with a form of `formLines` lines.
std::string endPage(OutputSession& session, int32_t formLines = 0);

// Ends the job: in the alternate sequence the closing OutputFlush; then the
// module job is released.
std::string endJob(OutputSession& session);

// Releases the module job (any open page is dropped, not ended).
void closeSession(OutputSession& session);

// "refused (-128)", "not allowed in this state (-256)", ...
std::string statusText(int32_t status);

}  // namespace inkband::host
