#include "inkband/row_store.h"

#include <sys/types.h>

#include <cerrno>
#include <cstring>

namespace inkband::tool {

bool rowStoreOpen(RowStore& store, std::size_t rowBytes, std::size_t rows, std::size_t memoryLimit,
                  std::string& error) {
    store = RowStore{};
    store.rowBytes = rowBytes;
    if (rowBytes == 0 || rows <= memoryLimit / rowBytes) {
        store.memory.reserve(rowBytes * rows);
        return true;
    }
    store.file = std::tmpfile();
    if (store.file == nullptr) {
        error = std::string("cannot create a temporary file: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool rowStoreAppend(RowStore& store, const uint8_t* row, std::string& error) {
    ++store.rows;
    if (store.file == nullptr) {
        store.memory.insert(store.memory.end(), row, row + store.rowBytes);
        return true;
    }
    if (std::fwrite(row, 1, store.rowBytes, store.file) == store.rowBytes) return true;
    error = std::string("cannot write a temporary file: ") + std::strerror(errno);
    return false;
}

bool rowStoreRead(RowStore& store, std::size_t row, std::size_t offset, std::size_t length,
                  uint8_t* out, std::string& error) {
    const std::size_t at = row * store.rowBytes + offset;
    if (row >= store.rows || offset + length > store.rowBytes) {
        error = "row " + std::to_string(row) + " was never stored";
        return false;
    }
    if (store.file == nullptr) {
        std::memcpy(out, store.memory.data() + at, length);
        return true;
    }
    if (fseeko(store.file, static_cast<off_t>(at), SEEK_SET) == 0 &&
        std::fread(out, 1, length, store.file) == length)
        return true;
    error = std::string("cannot read a temporary file: ") + std::strerror(errno);
    return false;
}

void rowStoreClose(RowStore& store) {
    if (store.file != nullptr) std::fclose(store.file);
    store = RowStore{};
}

}  // namespace inkband::tool
