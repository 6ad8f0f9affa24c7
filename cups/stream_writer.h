// Sends the module's pieces to a file descriptor (the filter's standard
// output) through a buffer, so that the many small pieces of a page go out
// in large writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace inkband::filter {

struct StreamWriter {
    int fd = 1;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(1 << 16);
    std::size_t used = 0;
    uint64_t written = 0;  // bytes handed to the descriptor so far
    int error = 0;         // errno of the first failed write; nothing is written after it
};

// Appends bytes.  False once a write has failed.
bool writeBytes(StreamWriter& writer, const uint8_t* data, std::size_t size);

// Writes out what the buffer holds.  False once a write has failed.
bool flushStream(StreamWriter& writer);

}  // namespace inkband::filter
