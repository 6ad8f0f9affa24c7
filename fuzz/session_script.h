// The byte format the session fuzzer reads: a job header, then one operation
// byte after another, each followed by the few bytes it needs.  Bytes are read
// from the front; past the end every read yields 0, so any input is a script.
// The seed generator writes scripts with ScriptWriter, the fuzzer reads them
// with ScriptReader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzzscript {

// Operations.  The low four bits of an operation byte pick one through
// kOpOfByte, so raster lines come four times as often as the rest.
enum Op : uint8_t {
    kLine,       // OutputProduceTwo: line mode, then one plane record per source plane
    kComplete,   // OutputComplete
    kFlush,      // OutputFlush
    kInitPart,   // OutputInitPart: variant byte (+ options, resolution, request)
    kInitTwo,    // OutputInitTwo: variant byte (+ size)
    kFormFeed,   // OutputFormFeed: length byte (+ raw length)
    kProduce,    // OutputProduce
    kInit,       // OutputInit
    kClose,      // OutputClose: the job is checked and closed
    kOpen,       // the job is checked and closed, a new job header follows
    kFailAlloc,  // count byte: the count-th allocation from now fails (0 disarms)
    kNullCalls,  // which byte: entry points given null or empty arguments
};

inline constexpr Op kOpOfByte[16] = {kLine,  kLine,     kLine,      kLine,     kComplete, kComplete,
                                     kFlush, kInitPart, kInitTwo,   kFormFeed, kProduce,  kInit,
                                     kClose, kOpen,     kFailAlloc, kNullCalls};

// The byte a writer uses for an operation.
inline uint8_t byteOfOp(Op op) {
    for (uint8_t b = 0; b < 16; ++b)
        if (kOpOfByte[b] == op) return b;
    return 0;
}

// Job header: mode, resolution, request, line width (2 bytes), then the
// allocation to fail from OutputOpen on (0: none; see kFailAlloc).  A mode byte
// below kRawModeByte picks reachableModes()[byte % count]; from kRawModeByte
// on, row code and column code (2 bytes each) and three option bytes follow
// it.
inline constexpr uint8_t kRawModeByte = 0xF0;
// Resolution byte: 0 -> 300, 1 -> 600, 2 -> 360, 3 -> raw 16-bit value
// follows, others by their value modulo 3.
// Request byte: 0 -> 0, 1 -> 1, 2 -> raw 16-bit value follows, others: bit 0.
// Line width: bit 15 clear -> value % 1025; bits 15 and 14 set -> value &
// 0x7FFF (up to 32767); bit 15 alone -> the value as a signed number.
inline constexpr uint16_t kWidthRaw = 0xC000;

// OutputInitTwo variant: 0 the job's settings, 1 a raw 16-bit size follows,
// 2 null settings, 3 the job's settings with the request flipped.
// OutputInitPart variant bits:
inline constexpr uint8_t kPartNull = 0x01;        // null settings
inline constexpr uint8_t kPartOptions = 0x02;     // three option bytes follow
inline constexpr uint8_t kPartResolution = 0x04;  // a resolution byte follows
inline constexpr uint8_t kPartRequest = 0x08;     // altSequenceRequest 1
inline constexpr uint8_t kPartRawRequest = 0x10;  // a raw 16-bit request follows

// Line mode byte, low three bits: 0..3 previous line + 1; 4 previous + 2 +
// one byte; 5 previous + 1 + 16-bit value; 6 raw 32-bit line number; 7 the
// previous line again.  Bit 3: null RasterLine; bit 4: null out.
inline constexpr uint8_t kLineNext = 0, kLineGap = 4, kLineJump = 5, kLineRaw = 6, kLineSame = 7;
inline constexpr uint8_t kLineNullRecord = 0x08, kLineNullOut = 0x10;

// Plane record: kind byte, then by kind (low three bits)
//   0 null data                      (nothing follows)
//   1 left == width == line width    (nothing follows)
//   2..5 full-width span             left byte, right byte, content
//   6 raw descriptor                 width, left, right (16 bits each), content
//   7 narrower span                  width (16 bits, modulo line width + 1),
//                                    left byte, right byte, content
// Left and right bytes: below 128 the value itself, from 128 on width minus
// (byte - 128); both are clamped so that the span stays valid.
// Bits 4 and 5 of the kind pick the content: 0 bytes taken from the script
// (zeros once it runs out), 1 noise from a seed byte, 2 runs from a seed byte,
// 3 every byte 0xFF.  Pixels outside the span are then cleared, as the
// caller must keep them, unless bit 6 is set: the module must still cope, but
// such a page is not compared with the model.
inline constexpr uint8_t kStrayPixels = 0x40;
inline constexpr uint8_t kPlaneNull = 0, kPlaneBlank = 1, kPlaneFull = 2, kPlaneRaw = 6,
                         kPlaneNarrow = 7;
inline constexpr uint8_t kFillScript = 0x00, kFillNoise = 0x10, kFillRuns = 0x20, kFillOnes = 0x30;

// Form feed length byte: bit 7 set -> a raw 32-bit length follows; else
// (byte & 0x3F) * 8, plus 3 when bit 6 is set.
// Null calls: which byte modulo 6: 0 every entry point with a null slot
// address and with an empty slot; 1 null RasterLine; 2 null out for a line;
// 3 null out for OutputFlush; 4 null out for OutputFormFeed; 5 null settings.

class ScriptReader {
   public:
    ScriptReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() {
        uint16_t lo = u8();
        return static_cast<uint16_t>(lo | u8() << 8);
    }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() {
        uint32_t lo = u16();
        return static_cast<int32_t>(lo | static_cast<uint32_t>(u16()) << 16);
    }
    // Copies up to n bytes into out; the rest of out is left as it is.
    void bytes(uint8_t* out, std::size_t n) {
        for (std::size_t i = 0; i < n && pos_ < size_; ++i) out[i] = data_[pos_++];
    }

   private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class ScriptWriter {
   public:
    std::vector<uint8_t> bytes;
    ScriptWriter& u8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    ScriptWriter& u16(uint16_t v) {
        return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8));
    }
    ScriptWriter& i32(int32_t v) {
        auto u = static_cast<uint32_t>(v);
        return u16(static_cast<uint16_t>(u)).u16(static_cast<uint16_t>(u >> 16));
    }
    ScriptWriter& op(Op o) { return u8(byteOfOp(o)); }
    ScriptWriter& raw(const std::vector<uint8_t>& b) {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
};

}  // namespace fuzzscript
