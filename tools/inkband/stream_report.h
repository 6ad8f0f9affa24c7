// Checking a command stream and describing it: the decoder's framing and
// band checks, plus the checks that need the plane lists (every selection
// one that the format has, and one the stream's mode can send), the mode
// the stream was printed in (named, or guessed from its planes), and a
// per-page account of bands, skips, selections and plane bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "decoder/stream_decoder.h"
#include "inkband/modes.h"

namespace inkband::tool {

struct PageReport {
    std::size_t offset = 0;
    int bandHeight = 0;
    int64_t bandsWithData = 0;
    int64_t skippedBands = 0;  // sum of its ESC ( e counts
    int64_t skipCommands = 0;
    int64_t lastBand = -1;                            // last band with data
    std::map<std::string, int64_t> bandsBySelection;  // letters -> bands sent with them
    std::vector<std::string> selections;              // ESC ( L in stream order
    bool endedByFormFeed = false;
};

struct InspectResult {
    std::size_t size = 0;
    decode::StreamResult stream;
    decode::Status status;  // the first error: the decoder's or a selection check's
    const ModeInfo* mode = nullptr;
    bool modeGuessed = false;
    // A guess the stream cannot settle: the modes that fit it alike (the
    // guess among them); empty when the guess is clear or the mode named.
    std::vector<const ModeInfo*> alike;
    std::vector<PageReport> pages;
};

// Decodes and checks a stream.  modeHint names the mode it was printed in
// (null: guess it from the planes).  The plane lines are not kept (the
// result's pages hold none): the page rebuilds decode them again.  After
// each band, `consumed` (when set) is told the offset up to which the data
// has been read.
InspectResult inspectStream(const uint8_t* data, std::size_t size, const ModeInfo* modeHint,
                            const std::function<void(std::size_t)>& consumed = {});

// "cmyk-1bit or cmyk-ternary": the names of the alike modes.
std::string alikeNames(const InspectResult& result, const char* separator);

// The eleven plane selections the stream format uses.
bool isKnownSelection(const std::vector<uint8_t>& letters);

// The human-readable report.
std::string textReport(const InspectResult& result, const std::string& name);

}  // namespace inkband::tool
