// libFuzzer entry point: arbitrary bytes into every reader of the stream
// decoder.  It must report malformed input, never read outside it, and
// whatever it accepts must be self-consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "decoder/stream_decoder.h"

namespace decode = inkband::decode;

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    decode::StreamResult stream = decode::decodeStream(data, size);
    if (!stream.status.ok) require(stream.status.offset <= size);
    for (const decode::Page& page : stream.pages) {
        require(page.offset < size);
        for (const decode::Frame& frame : page.frames)
            require(frame.payloadOffset + frame.length <= size);
    }

    decode::FrameList frames = decode::parseFrames(data, size);
    for (const decode::Frame& frame : frames.frames) {
        require(frame.offset < size);
        require(frame.payloadOffset + frame.length <= size);
    }
    if (!frames.status.ok) require(frames.status.offset <= size);

    decode::LineResult line = decode::decodeLine(data, size);
    require(line.consumed <= size);
    if (line.status.ok) require(line.bytes.size() <= decode::kMaxLineBytes);

    std::vector<uint8_t> records;
    decode::Status status = decode::decodeRecords(data, size, records);
    if (!status.ok) require(status.offset <= size);
    return 0;
}
