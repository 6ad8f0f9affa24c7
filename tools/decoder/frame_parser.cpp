// Splits a stream into command frames and form feed bytes.
#include <cstdio>
#include <string>

#include "decoder/stream_decoder.h"

namespace inkband::decode {

namespace {

std::string hexByte(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

}  // namespace

bool readFrame(const uint8_t* data, std::size_t size, std::size_t at, Frame& frame,
               Status& status) {
    const uint8_t byte = data[at];
    if (byte == kFormFeedByte) {
        frame = {at, kFormFeedByte, at + 1, 0};
        return true;
    }
    if (byte != kEsc) {
        status = Status::failure(at, "byte " + hexByte(byte) + " outside a command");
        return false;
    }
    if (at + 1 < size && data[at + 1] != kOpenParen) {
        status =
            Status::failure(at + 1, "ESC followed by " + hexByte(data[at + 1]) + " instead of '('");
        return false;
    }
    if (size - at < kFrameHeaderSize) {
        status = Status::failure(
            at, "command header truncated: " + std::to_string(size - at) + " of 5 bytes");
        return false;
    }
    const uint8_t letter = data[at + 2];
    const uint16_t length = static_cast<uint16_t>(data[at + 3] | (data[at + 4] << 8));
    const std::size_t left = size - at - kFrameHeaderSize;
    if (left < length) {
        status = Status::failure(at, "command " + hexByte(letter) + " of length " +
                                         std::to_string(length) + " runs past the data (" +
                                         std::to_string(left) + " bytes left)");
        return false;
    }
    frame = {at, letter, at + kFrameHeaderSize, length};
    return true;
}

FrameList parseFrames(const uint8_t* data, std::size_t size) {
    FrameList list;
    if (data == nullptr) size = 0;
    std::size_t at = 0;
    Frame frame;
    while (at < size && readFrame(data, size, at, frame, list.status)) {
        list.frames.push_back(frame);
        at = frame.payloadOffset + frame.length;
    }
    return list;
}

}  // namespace inkband::decode
