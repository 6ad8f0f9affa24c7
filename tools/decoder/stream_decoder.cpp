// Decodes a whole command stream into pages, bands and plane lines.
#include "decoder/stream_decoder.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace inkband::decode {

namespace {

constexpr uint8_t kPageStart = 0x49;   // ESC ( I
constexpr uint8_t kBandHeight = 0x4A;  // ESC ( J
constexpr uint8_t kSelection = 0x4C;   // ESC ( L
constexpr uint8_t kSkip = 0x65;        // ESC ( e
constexpr uint8_t kBandData = 0x46;    // ESC ( F

std::string letterText(uint8_t letter) {
    char text[16];
    if (letter >= 0x21 && letter < 0x7F)
        std::snprintf(text, sizeof text, "'%c'", letter);
    else
        std::snprintf(text, sizeof text, "0x%02X", letter);
    return text;
}

std::string commandName(uint8_t letter) { return "ESC ( " + letterText(letter); }

// Everything the decoder carries from frame to frame.
struct Decoder {
    const uint8_t* data = nullptr;
    StreamResult result;
    Page* page = nullptr;            // the open page, null between pages
    bool awaitBandHeight = false;    // ESC ( I seen, ESC ( J still due
    int64_t band = 0;                // band the next ESC ( F frames belong to
    std::vector<uint8_t> selection;  // letters of the selection in force
    std::size_t selectionPage = 0;   // page on which it was sent
    std::size_t nextPlane = 0;       // frames of the current band seen so far
    DecodeOptions options;
    // The current band's lines, plane by plane (see BandView), reused from
    // band to band.
    std::vector<std::vector<uint8_t>> bandLines;

    bool fail(std::size_t offset, std::string message) {
        result.status = Status::failure(offset, std::move(message));
        return false;
    }

    // A band is sent as one ESC ( F per selected plane with nothing between.
    bool bandComplete(std::size_t offset) {
        if (nextPlane == 0) return true;
        return fail(offset, "band " + std::to_string(band) + " ends after " +
                                std::to_string(nextPlane) + " of " +
                                std::to_string(selection.size()) + " selected planes");
    }

    bool onFrame(const Frame& frame);
    bool startPage(const Frame& frame);
    bool setBandHeight(const Frame& frame);
    bool skipBands(const Frame& frame);
    bool select(const Frame& frame);
    bool bandData(const Frame& frame);
};

bool Decoder::startPage(const Frame& frame) {
    if (!bandComplete(frame.offset)) return false;
    if (frame.length != 1 || data[frame.payloadOffset] != 0x01)
        return fail(frame.offset, "ESC ( I must carry the single payload byte 0x01");
    result.pages.emplace_back();
    page = &result.pages.back();
    page->offset = frame.offset;
    page->selectionAtStart = selection;
    page->frames.push_back(frame);
    awaitBandHeight = true;
    band = 0;
    return true;
}

bool Decoder::setBandHeight(const Frame& frame) {
    if (!awaitBandHeight) return fail(frame.offset, "ESC ( J inside a page");
    if (frame.length != 1) return fail(frame.offset, "ESC ( J must carry one payload byte");
    const int height = data[frame.payloadOffset];
    if (height != 1 && height != 8 && height != 16)
        return fail(frame.payloadOffset,
                    "band height " + std::to_string(height) + " is not 1, 8 or 16");
    page->bandHeight = height;
    awaitBandHeight = false;
    return true;
}

bool Decoder::skipBands(const Frame& frame) {
    if (!bandComplete(frame.offset)) return false;
    if (frame.length != 2) return fail(frame.offset, "ESC ( e must carry two count bytes");
    const int32_t count = (data[frame.payloadOffset] << 8) | data[frame.payloadOffset + 1];
    if (count == 0) return fail(frame.payloadOffset, "skip of 0 bands");
    if (count > kMaxSkip)
        return fail(frame.payloadOffset, "skip of " + std::to_string(count) + " bands, above " +
                                             std::to_string(kMaxSkip));
    band += count;
    page->skips.push_back({frame.offset, count});
    page->skippedBands += count;
    return true;
}

bool Decoder::select(const Frame& frame) {
    if (!bandComplete(frame.offset)) return false;
    if (frame.length == 0 || frame.length > kMaxSelection)
        return fail(frame.offset, "plane selection of " + std::to_string(frame.length) +
                                      " letters (1 to " + std::to_string(kMaxSelection) + ")");
    std::vector<uint8_t> letters(data + frame.payloadOffset,
                                 data + frame.payloadOffset + frame.length);
    for (std::size_t i = 0; i < letters.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (letters[i] == letters[j])
                return fail(frame.payloadOffset + i,
                            "plane selection names " + letterText(letters[i]) + " twice");
    selection = letters;
    selectionPage = result.pages.size() - 1;
    page->selections.push_back({frame.offset, std::move(letters)});
    return true;
}

bool Decoder::bandData(const Frame& frame) {
    if (selection.empty()) return fail(frame.offset, "ESC ( F before any plane selection");
    if (selectionPage != result.pages.size() - 1 && page->bandsWithData.empty() && nextPlane == 0)
        page->selectionInherited = true;
    const uint8_t letter = selection[nextPlane];
    PlaneData& plane = page->planes[letter];
    ++plane.frames;
    plane.payloadBytes += frame.length;

    if (nextPlane == 0) {
        bandLines.resize(selection.size() * static_cast<std::size_t>(page->bandHeight));
        for (std::vector<uint8_t>& line : bandLines) line.clear();
    }
    if (frame.length == 0) {
        ++plane.emptyFrames;
    } else {
        const uint8_t* payload = data + frame.payloadOffset;
        std::size_t at = 0;
        for (int line = 0; line < page->bandHeight; ++line) {
            if (at == frame.length)
                return fail(frame.payloadOffset + at,
                            "ESC ( F payload of plane " + letterText(letter) + " ends after " +
                                std::to_string(line) + " of " + std::to_string(page->bandHeight) +
                                " lines");
            std::vector<uint8_t>& bytes =
                bandLines[nextPlane * static_cast<std::size_t>(page->bandHeight) +
                          static_cast<std::size_t>(line)];
            std::size_t consumed = 0;
            const Status decoded = decodeLineInto(payload + at, frame.length - at, bytes, consumed);
            if (!decoded.ok)
                return fail(frame.payloadOffset + at + decoded.offset,
                            "plane " + letterText(letter) + ", line " + std::to_string(line) +
                                " of band " + std::to_string(band) + ": " + decoded.message);
            if (!bytes.empty()) {
                ++plane.linesWithData;
                plane.widestLine = std::max(plane.widestLine, bytes.size());
                if (options.keepLines) {
                    std::vector<uint8_t>& kept = plane.lines[band * page->bandHeight + line];
                    if (options.onBand)
                        kept = bytes;
                    else
                        kept.swap(bytes);
                }
            }
            at += consumed;
        }
        if (at != frame.length)
            return fail(frame.payloadOffset + at, "ESC ( F payload of plane " + letterText(letter) +
                                                      " holds more than " +
                                                      std::to_string(page->bandHeight) + " lines");
    }

    if (++nextPlane == selection.size()) {
        page->bandsWithData.push_back(band);
        if (options.onBand) {
            BandView view;
            view.page = result.pages.size() - 1;
            view.number = band;
            view.height = page->bandHeight;
            view.end = frame.payloadOffset + frame.length;
            view.letters = &selection;
            view.lines = &bandLines;
            options.onBand(view);
        }
        ++band;
        nextPlane = 0;
    }
    return true;
}

bool Decoder::onFrame(const Frame& frame) {
    if (frame.isFormFeed()) {
        if (page == nullptr) return fail(frame.offset, "form feed outside a page");
        if (awaitBandHeight) return fail(frame.offset, "ESC ( I not followed by ESC ( J");
        if (!bandComplete(frame.offset)) return false;
        page->frames.push_back(frame);
        page->endedByFormFeed = true;
        page = nullptr;
        return true;
    }
    if (frame.letter == kPageStart) return startPage(frame);
    if (page == nullptr) return fail(frame.offset, commandName(frame.letter) + " outside a page");
    page->frames.push_back(frame);
    if (frame.letter == kBandHeight) return setBandHeight(frame);
    if (awaitBandHeight) return fail(frame.offset, "ESC ( I not followed by ESC ( J");
    switch (frame.letter) {
        case kSkip:
            return skipBands(frame);
        case kSelection:
            return select(frame);
        case kBandData:
            return bandData(frame);
        default:
            return fail(frame.offset, "unknown command " + commandName(frame.letter));
    }
}

}  // namespace

const std::vector<uint8_t>& PlaneData::line(int64_t number) const {
    static const std::vector<uint8_t> kNotSent;
    auto found = lines.find(number);
    return found == lines.end() ? kNotSent : found->second;
}

StreamResult decodeStream(const uint8_t* data, std::size_t size, const DecodeOptions& options) {
    if (data == nullptr) size = 0;
    Decoder decoder;
    decoder.data = data;
    decoder.options = options;
    // Frame by frame, so that a caller releasing the data behind each band
    // (a mapped file) never has all of it in memory.
    std::size_t at = 0;
    Frame frame;
    while (at < size) {
        Status framing;
        if (!readFrame(data, size, at, frame, framing)) {
            decoder.result.status = framing;
            return std::move(decoder.result);
        }
        if (!decoder.onFrame(frame)) return std::move(decoder.result);
        at = frame.payloadOffset + frame.length;
    }
    if (decoder.awaitBandHeight) {
        decoder.fail(size, "ESC ( I not followed by ESC ( J");
    } else {
        decoder.bandComplete(size);
    }
    return std::move(decoder.result);
}

Status decodePageBands(const uint8_t* data, std::size_t size, const Page& page,
                       const BandSink& onBand) {
    Decoder decoder;
    decoder.data = data;
    decoder.options.keepLines = false;
    decoder.options.onBand = onBand;
    decoder.selection = page.selectionAtStart;
    for (const Frame& frame : page.frames) {
        if (data == nullptr || frame.payloadOffset > size ||
            size - frame.payloadOffset < frame.length)
            return Status::failure(frame.offset, "frame runs past the data");
        if (!decoder.onFrame(frame)) return decoder.result.status;
    }
    return decoder.result.status;
}

}  // namespace inkband::decode
