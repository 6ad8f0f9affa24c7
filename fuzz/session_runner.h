// Runs one session script (session_script.h) against the module's entry
// points and checks, call by call and job by job, what must hold whatever
// the input:
//   - every status is one the entry point may return, and exactly
//     INKBAND_REFUSED for a slot that holds no job; calls given a null
//     argument never succeed;
//   - a refused OutputOpen or a refused OutputInitPart holds no new block;
//   - the pieces of a producing call lie outside the caller's buffers and are
//     unchanged when OutputComplete comes;
//   - in the ordinary modes the caller's plane bytes are never written;
//   - every job's stream decodes, and in an ordinary job whose pages all
//     ended with OutputFlush the decoded planes of every page in a known
//     ordinary mode are exactly the lines the successful calls asked for;
//   - once every job is closed no block is live.
// A broken rule prints what broke and aborts, which the fuzzer reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzzsession {

struct SessionReport {
    std::vector<std::vector<uint8_t>> streams;  // each job's stream, in job order
    long calls = 0;                             // entry-point calls made
    long comparedLines = 0;                     // plane lines checked against the model
    long comparedPages = 0;
};

SessionReport runSession(const uint8_t* data, std::size_t size);

}  // namespace fuzzsession
