// PackBits records of one line, and the shared Status text.
#include <string>

#include "decoder/stream_decoder.h"

namespace inkband::decode {

namespace {

// Decodes the record whose count byte is at data[at] (not 0x80) into `out`
// and returns the offset behind it; on failure sets `status`.
std::size_t decodeRecord(const uint8_t* data, std::size_t size, std::size_t at,
                         std::vector<uint8_t>& out, std::size_t limit, Status& status) {
    const uint8_t count = data[at];
    const std::size_t available = size - at - 1;
    if (count < kEndOfLineByte) {
        const std::size_t n = static_cast<std::size_t>(count) + 1;
        if (available < n) {
            status = Status::failure(at, "literal of " + std::to_string(n) +
                                             " bytes runs past the data (" +
                                             std::to_string(available) + " left)");
            return at;
        }
        if (out.size() + n > limit) {
            status = Status::failure(at, "line longer than " + std::to_string(limit) + " bytes");
            return at;
        }
        out.insert(out.end(), data + at + 1, data + at + 1 + n);
        return at + 1 + n;
    }
    const std::size_t n = 257 - static_cast<std::size_t>(count);
    if (available < 1) {
        status = Status::failure(
            at, "repeat record of " + std::to_string(n) + " bytes has no data byte");
        return at;
    }
    if (out.size() + n > limit) {
        status = Status::failure(at, "line longer than " + std::to_string(limit) + " bytes");
        return at;
    }
    out.insert(out.end(), n, data[at + 1]);
    return at + 2;
}

}  // namespace

std::string Status::describe() const {
    if (ok) return "ok";
    return "offset " + std::to_string(offset) + ": " + message;
}

Status decodeLineInto(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out,
                      std::size_t& consumed) {
    Status status;
    out.clear();
    consumed = 0;
    if (data == nullptr) size = 0;
    std::size_t at = 0;
    for (;;) {
        if (at >= size) return Status::failure(at, "line has no end-of-line byte 0x80");
        if (data[at] == kEndOfLineByte) {
            consumed = at + 1;
            return status;
        }
        at = decodeRecord(data, size, at, out, kMaxLineBytes, status);
        if (!status.ok) return status;
    }
}

LineResult decodeLine(const uint8_t* data, std::size_t size) {
    LineResult result;
    result.status = decodeLineInto(data, size, result.bytes, result.consumed);
    return result;
}

Status decodeRecords(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out) {
    Status status;
    if (data == nullptr) size = 0;
    std::size_t at = 0;
    while (at < size) {
        if (data[at] == kEndOfLineByte)
            return Status::failure(at, "count byte 0x80 inside a coded span");
        at = decodeRecord(data, size, at, out, static_cast<std::size_t>(-1), status);
        if (!status.ok) return status;
    }
    return status;
}

}  // namespace inkband::decode
