// A small job driver for tests: runs whole jobs through the public entry
// points from a page description and collects statuses, pieces and the
// concatenated stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inkband/inkband.h"

namespace testjob {

// One plane of one raster line.  `bytes` empty with `null` set gives a null
// data pointer.
struct PlaneSpec {
    std::vector<uint8_t> bytes;
    int16_t width = 0;
    int16_t left = 0;
    int16_t right = 0;
    bool null = false;
};

struct LineSpec {
    int32_t line = 0;
    std::vector<PlaneSpec> planes;  // one per source plane
};

struct PageSpec {
    JobSettings settings{};  // given to OutputInitPart
    std::vector<LineSpec> lines;
    bool formFeed = false;  // end with OutputFormFeed instead of OutputFlush
    int32_t formLength = 0;
};

struct CallRecord {
    std::string call;  // entry point name
    int16_t status = 0;
    std::vector<std::vector<uint8_t>> pieces;  // bytes of each piece
};

struct JobResult {
    bool ok = true;       // every call returned its success status
    std::string failure;  // first failing call
    std::vector<CallRecord> calls;
    std::vector<uint8_t> stream;  // every piece, in order
};

// Settings with the given codes; everything else zero.
JobSettings makeSettings(int16_t rowCode, int16_t columnCode, int16_t lineWidth,
                         int16_t resolution = 300, int16_t optionA = 0, int16_t optionB = 0,
                         int16_t optionC = 0, int16_t altSequence = 0);

// Runs open, OutputInitTwo(jobSettings), then per page OutputInitPart,
// OutputProduceTwo + OutputComplete per line, OutputFlush (or OutputFormFeed)
// + OutputComplete; an alternate-sequence job ends with OutputFlush +
// OutputComplete; then close.  Stops at the first failing call.
JobResult runJob(const JobSettings& jobSettings, const std::vector<PageSpec>& pages);

// A PlaneSpec over `bytes` with width = bytes * pixels per byte.
PlaneSpec plane(std::vector<uint8_t> bytes, int bitsPerPixel);
PlaneSpec nullPlane();

// The bytes of every piece of a list.
std::vector<std::vector<uint8_t>> piecesOf(const PieceList* list);

}  // namespace testjob
