// The inspect report as JSON, for scripts and tests.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "inkband/stream_report.h"

namespace inkband::tool {

// {"file", "bytes", "valid", "error": {"offset", "message"} or null,
//  "mode": {"name", "class", "planes", "depths", "guessed", "ambiguous",
//           "candidates": [the modes that fit alike, when ambiguous]} or null,
//  "pages": [{"offset", "bandHeight", "bandsWithData", "lastBand",
//             "skippedBands", "skipCommands", "endedByFormFeed",
//             "selections": [...], "bandsBySelection": {...},
//             "planes": {letter: {"payloadBytes", "frames", "emptyFrames",
//                                 "linesWithData"}}}]}
nlohmann::json inspectJson(const InspectResult& result, const std::string& name);

}  // namespace inkband::tool
