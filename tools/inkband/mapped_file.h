// A stream file made readable as one block of bytes without holding it in
// memory: the file is mapped, and what has been read can be handed back
// (the pages stay in the page cache, not in the process), so reading a
// stream of hundreds of megabytes front to back keeps the process small.
// Files that cannot be mapped (a pipe, an empty file) are read whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace inkband::tool {

struct MappedFile {
    const uint8_t* data = nullptr;
    std::size_t size = 0;
    void* mapping = nullptr;  // null when the bytes were read into `copy`
    std::vector<uint8_t> copy;
    std::size_t released = 0;  // bytes before this were handed back
};

bool mapFile(const std::string& path, MappedFile& file, std::string& error);

// Hands back the mapped pages wholly before `offset` once a few megabytes
// have been read; they are read again from the file if touched later.  An
// offset before the last one starts a new front-to-back read.
void releaseBefore(MappedFile& file, std::size_t offset);

void unmapFile(MappedFile& file);

}  // namespace inkband::tool
