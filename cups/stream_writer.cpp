#include "stream_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace inkband::filter {

namespace {

bool writeAll(StreamWriter& writer, const uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(writer.fd, data, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            writer.error = errno;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
        writer.written += static_cast<uint64_t>(done);
    }
    return true;
}

}  // namespace

bool flushStream(StreamWriter& writer) {
    if (writer.error != 0) return false;
    const std::size_t size = writer.used;
    writer.used = 0;
    return writeAll(writer, writer.buffer.data(), size);
}

bool writeBytes(StreamWriter& writer, const uint8_t* data, std::size_t size) {
    if (writer.error != 0) return false;
    if (size > writer.buffer.size() - writer.used && !flushStream(writer)) return false;
    if (size > writer.buffer.size()) return writeAll(writer, data, size);
    std::memcpy(writer.buffer.data() + writer.used, data, size);
    writer.used += size;
    return true;
}

}  // namespace inkband::filter
