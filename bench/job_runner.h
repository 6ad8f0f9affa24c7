// The measured work, as functions with C names so that callgrind can collect
// exactly them (--toggle-collect=benchRunJob and so on).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host_page.h"

namespace inkband::bench {

struct JobStats {
    uint64_t outputBytes = 0;       // bytes of every piece handed back
    long lines = 0;                 // OutputProduceTwo calls
    long lineAllocations = 0;       // heap allocations made inside them
    long laterLineAllocations = 0;  // of those, made on pages after the first
    long failedCalls = 0;           // calls that did not return success
};

// Rows of equal length, for the encoder-only measurements.
struct Rows {
    const uint8_t* bytes;
    std::size_t count;
    std::size_t size;  // bytes per row
};

}  // namespace inkband::bench

extern "C" {
// One whole job through the public entry points: open, OutputInitTwo, then
// `pages` times OutputInitPart, every raster line (OutputProduceTwo and
// OutputComplete), OutputFlush and OutputComplete; close.  Every piece's
// length is summed, as a host that sends them would touch them; with
// `stream` the bytes are collected too.
uint64_t benchRunJob(const inkband::bench::HostPage* page, int pages,
                     inkband::bench::JobStats* stats, std::vector<uint8_t>* stream);

// One one-page job as a rendering host runs it: each raster line is first
// copied from the page into the host's one line buffer of
// rasterBytes / lines bytes (as a renderer writes it, or a CUPS filter reads
// it), so the module gets it from the cache; with callModule it is then
// handed to the module.  The module's share of the time is the run with the
// calls less the run without them.  Returns the pieces' bytes (with
// callModule) or a byte sum that keeps the copies.
uint64_t benchRunJobFromLineBuffer(const inkband::bench::HostPage* page, uint8_t* lineBuffer,
                                   bool callModule);

// encodeRuns on every row into a scratch buffer of at least
// size + size / 126 + 1 bytes; returns the coded bytes.
uint64_t benchEncodeRows(const inkband::bench::Rows* rows, uint8_t* scratch);

// libtiff's PackBits encoder on the same rows: one 8-bit strip of
// rows->count rows of rows->size bytes, written into memory that discards
// the bytes.  Returns the coded bytes (0 when libtiff failed).
uint64_t benchPackBitsRows(const inkband::bench::Rows* rows);
}
