// Reader side of the printer command stream: PackBits line records, command
// frames, and whole streams decoded into pages of plane lines.  Used by the
// tests, the inspect tool and the fuzzers, so every input is untrusted: a
// malformed stream yields an error with the byte offset where it went wrong,
// never a read outside the data.  No exceptions are thrown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace inkband::decode {

inline constexpr uint8_t kEsc = 0x1B;
inline constexpr uint8_t kOpenParen = 0x28;
inline constexpr uint8_t kFormFeedByte = 0x0C;
inline constexpr uint8_t kEndOfLineByte = 0x80;
inline constexpr std::size_t kFrameHeaderSize = 5;   // ESC ( letter lo hi
inline constexpr std::size_t kMaxLineBytes = 32767;  // longest line a plane can carry
inline constexpr int32_t kMaxSkip = 0x7FFF;          // bands one ESC ( e may skip
inline constexpr std::size_t kMaxSelection = 10;     // letters one ESC ( L may name

// Outcome of a decoding step: ok, or what went wrong and where (offset into
// the data given to the call that failed).
struct Status {
    bool ok = true;
    std::size_t offset = 0;
    std::string message;

    static Status failure(std::size_t offset, std::string message) {
        return {false, offset, std::move(message)};
    }
    explicit operator bool() const { return ok; }
    // "offset N: message", or "ok".
    std::string describe() const;
};

// ---------------------------------------------------------------------------
// PackBits records.  Count byte h: 0x00..0x7F literal of h + 1 bytes,
// 0x81..0xFF the next byte repeated 257 - h times, 0x80 ends a line.

struct LineResult {
    Status status;
    std::size_t consumed = 0;    // bytes read, the end-of-line byte included
    std::vector<uint8_t> bytes;  // the decoded line
};

// Decodes one line from data[0 .. size-1]: records up to and including the
// end-of-line byte.  Fails on a record running past the data, a line without
// its end-of-line byte, or a line longer than kMaxLineBytes.
LineResult decodeLine(const uint8_t* data, std::size_t size);

// The same into `out` (cleared first, its capacity kept), for callers that
// decode many lines; `consumed` as in LineResult.
Status decodeLineInto(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out,
                      std::size_t& consumed);

// Decodes records filling all of data[0 .. size-1], appending to `out`; a
// 0x80 count byte is an error here (the coded span of a line holds none).
Status decodeRecords(const uint8_t* data, std::size_t size, std::vector<uint8_t>& out);

// ---------------------------------------------------------------------------
// Command frames: ESC ( letter, 16-bit little-endian length, payload; and the
// bare form feed byte.

struct Frame {
    std::size_t offset = 0;  // of the ESC byte (or the form feed byte)
    uint8_t letter = 0;      // command letter; kFormFeedByte for a form feed
    std::size_t payloadOffset = 0;
    uint16_t length = 0;  // payload bytes
    bool isFormFeed() const { return letter == kFormFeedByte; }
};

struct FrameList {
    Status status;
    std::vector<Frame> frames;  // every frame read before a failure
};

// Splits a stream into frames.  Fails on a byte that starts no frame, an
// ESC not followed by '(', a truncated frame header, or a payload that runs
// past the data.  Letters are not judged here.
FrameList parseFrames(const uint8_t* data, std::size_t size);

// Reads the one frame that starts at data[at], at < size: false with
// `status` set (offsets into data) when none does, for the reasons above.
bool readFrame(const uint8_t* data, std::size_t size, std::size_t at, Frame& frame, Status& status);

// ---------------------------------------------------------------------------
// Whole streams.  A page opens with ESC ( I (payload 01) and ESC ( J (band
// height 1, 8 or 16) and ends at the next ESC ( I, a form feed or the end of
// the data.  Within it ESC ( e skips bands, ESC ( L selects the planes whose
// ESC ( F frames follow in order, and a band is complete once every selected
// plane has had its frame; the band counter then advances by one.  An ESC ( F
// payload is bandHeight line records, or empty for a plane sent without data.
// The selection stays in force across page headers until the next ESC ( L.

struct PlaneData {
    // Decoded lines by raster line number (band * bandHeight + line in band).
    // Lines never sent, and lines sent blank (0x80 alone), are absent; all
    // are absent when the lines are not kept (DecodeOptions).
    std::map<int64_t, std::vector<uint8_t>> lines;
    std::size_t payloadBytes = 0;   // sum of this plane's ESC ( F lengths
    std::size_t frames = 0;         // ESC ( F frames of this plane
    std::size_t emptyFrames = 0;    // of which had length 0
    std::size_t linesWithData = 0;  // lines decoded to at least one byte, kept or not
    std::size_t widestLine = 0;     // bytes of the longest decoded line

    // The line, or an empty vector for a line that was not sent.
    const std::vector<uint8_t>& line(int64_t number) const;
};

struct Skip {
    std::size_t offset = 0;
    int32_t count = 0;
};

struct SelectionChange {
    std::size_t offset = 0;
    std::vector<uint8_t> letters;
};

struct Page {
    std::size_t offset = 0;  // of its ESC ( I
    int bandHeight = 0;
    std::map<uint8_t, PlaneData> planes;  // by plane letter, bit-7 letters included
    std::vector<int64_t> bandsWithData;   // in stream order
    std::vector<Skip> skips;
    int64_t skippedBands = 0;  // sum of the skip counts
    std::vector<SelectionChange> selections;
    bool selectionInherited = false;        // first ESC ( F used an earlier page's selection
    std::vector<uint8_t> selectionAtStart;  // the selection in force at its ESC ( I
    bool endedByFormFeed = false;
    std::vector<Frame> frames;  // every frame of the page, header included
};

struct StreamResult {
    Status status;
    std::vector<Page> pages;  // pages decoded so far (the last one may be partial)
};

// One complete band as a band sink sees it: the lines it carries, decoded,
// in the order of the selection it was sent with.  The lines live only
// for the call.
struct BandView {
    std::size_t page = 0;                           // index of its page among the pages decoded
    int64_t number = 0;                             // band number within the page
    int height = 0;                                 // lines per band
    std::size_t end = 0;                            // offset just past its last ESC ( F
    const std::vector<uint8_t>* letters = nullptr;  // the selection
    // Line l of selected plane p at lines[p * height + l]; empty for a line
    // sent blank or a plane sent without data.
    const std::vector<std::vector<uint8_t>>* lines = nullptr;

    const std::vector<uint8_t>& line(std::size_t plane, int l) const {
        return (*lines)[plane * static_cast<std::size_t>(height) + static_cast<std::size_t>(l)];
    }
};
using BandSink = std::function<void(const BandView&)>;

struct DecodeOptions {
    bool keepLines = true;  // false: PlaneData::lines stay empty, memory stays flat
    BandSink onBand;        // called for every complete band, in stream order
};

StreamResult decodeStream(const uint8_t* data, std::size_t size, const DecodeOptions& options = {});
inline StreamResult decodeStream(const std::vector<uint8_t>& data) {
    return decodeStream(data.data(), data.size());
}

// Decodes the bands of one page of a stream again, from the page record
// decodeStream gave for the same data, handing each band to onBand (its
// page index is 0) without keeping any line.  A page whose frames are
// reported by decodeStream as checked decodes without error.
Status decodePageBands(const uint8_t* data, std::size_t size, const Page& page,
                       const BandSink& onBand);

}  // namespace inkband::decode
