// Reading a whole file into memory, with a message for the user on failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace inkband::tool {

// Appends the bytes of `path` to `bytes`; false with `error` set when the
// file cannot be opened or read.
bool readFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace inkband::tool
