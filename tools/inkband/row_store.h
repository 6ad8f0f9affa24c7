// Rows of bytes written once, in order, and read back in any order: kept in
// memory up to a limit, in a temporary file beyond it, so that the rows a
// picture needs later cost no memory however large the picture is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace inkband::tool {

struct RowStore {
    std::size_t rowBytes = 0;
    std::size_t rows = 0;  // rows written so far
    std::vector<uint8_t> memory;
    std::FILE* file = nullptr;  // a temporary file, when the rows outgrow the limit
};

// Prepares a store for `rows` rows of rowBytes bytes each, in memory when
// they fit in memoryLimit bytes.
bool rowStoreOpen(RowStore& store, std::size_t rowBytes, std::size_t rows, std::size_t memoryLimit,
                  std::string& error);

// Appends the next row (rowBytes bytes).
bool rowStoreAppend(RowStore& store, const uint8_t* row, std::string& error);

// Copies `length` bytes from `offset` into row `row` to `out`.
bool rowStoreRead(RowStore& store, std::size_t row, std::size_t offset, std::size_t length,
                  uint8_t* out, std::string& error);

// Releases the memory or the file.
void rowStoreClose(RowStore& store);

}  // namespace inkband::tool
