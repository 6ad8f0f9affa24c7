#include "inkband/stream_report.h"

#include <algorithm>
#include <cstdio>

#include "inkband/mode_guess.h"

namespace inkband::tool {

namespace {

constexpr uint8_t kSelectionLetter = 0x4C;  // ESC ( L
constexpr uint8_t kBandLetter = 0x46;       // ESC ( F

std::vector<uint8_t> bytesOf(const char* text) {
    std::vector<uint8_t> out;
    for (const char* p = text; *p; ++p) out.push_back(static_cast<uint8_t>(*p));
    return out;
}

std::vector<uint8_t> selectionLetters(const uint8_t* data, const decode::Frame& frame) {
    return {data + frame.payloadOffset, data + frame.payloadOffset + frame.length};
}

// Whether a mode can send this selection: its full plane list, or its K
// and k planes alone or together.
bool modeSends(const ModeInfo& mode, const std::vector<uint8_t>& letters) {
    std::vector<uint8_t> full;
    bool hasK = false, hasLightK = false;
    for (const WirePlane& w : mode.wires) {
        full.push_back(w.letter);
        hasK |= w.letter == 'K';
        hasLightK |= w.letter == 'k';
    }
    if (letters == full) return true;
    if (letters == bytesOf("K")) return hasK;
    if (letters == bytesOf("k")) return hasLightK;
    if (letters == bytesOf("Kk")) return hasK && hasLightK;
    return false;
}

// Walks a page's frames to count the bands sent with each selection.
void countBands(const uint8_t* data, const decode::Page& page, std::vector<uint8_t>& selection,
                PageReport& report) {
    std::size_t planesSeen = 0;
    for (const decode::Frame& frame : page.frames) {
        if (frame.letter == kSelectionLetter) {
            selection = selectionLetters(data, frame);
            planesSeen = 0;
            report.selections.push_back(letterList(selection));
        } else if (frame.letter == kBandLetter && !selection.empty()) {
            if (++planesSeen == selection.size()) {
                ++report.bandsBySelection[letterList(selection)];
                planesSeen = 0;
            }
        }
    }
}

}  // namespace

bool isKnownSelection(const std::vector<uint8_t>& letters) {
    static const char* const kSelections[] = {"K",    "k",     "Kk",    "CMY",    "CMYK",
                                              "CMYk", "CMYKk", "CMYkH", "CMYcmk", "cmYkHh"};
    for (const char* s : kSelections)
        if (letters == bytesOf(s)) return true;
    static const std::vector<uint8_t> kTenPlanes = {'C',  'M',  'Y',  'k',  'H',
                                                    0xC3, 0xCD, 0xD9, 0xEB, 0xC8};
    return letters == kTenPlanes;
}

InspectResult inspectStream(const uint8_t* data, std::size_t size, const ModeInfo* modeHint,
                            const std::function<void(std::size_t)>& consumed) {
    InspectResult result;
    result.size = size;
    StreamEvidence evidence;
    decode::DecodeOptions options;
    options.keepLines = false;
    options.onBand = [&](const decode::BandView& band) {
        if (modeHint == nullptr) addBand(evidence, band);
        if (consumed) consumed(band.end);
    };
    result.stream = decode::decodeStream(data, size, options);
    result.status = result.stream.status;
    if (result.status.ok && result.stream.pages.empty())
        result.status = decode::Status::failure(0, "the stream holds no page");

    // Selections the format does not have come first: they name no mode.
    for (const decode::Page& page : result.stream.pages)
        for (const decode::SelectionChange& change : page.selections)
            if (!isKnownSelection(change.letters) &&
                (result.status.ok || change.offset < result.status.offset)) {
                result.status = decode::Status::failure(
                    change.offset, "plane selection " + letterList(change.letters) +
                                       " is not one of the stream format's eleven");
                break;
            }

    result.mode = modeHint;
    if (result.mode == nullptr) {
        const ModeGuess guess = guessMode(result.stream, evidence);
        result.mode = guess.mode;
        result.alike = guess.alike;
        result.modeGuessed = result.mode != nullptr;
    }
    if (result.mode != nullptr && result.status.ok)
        for (const decode::Page& page : result.stream.pages)
            for (const decode::SelectionChange& change : page.selections)
                if (result.status.ok && !modeSends(*result.mode, change.letters))
                    result.status = decode::Status::failure(
                        change.offset, "plane selection " + letterList(change.letters) +
                                           " is not one mode " + result.mode->name + " sends");

    std::vector<uint8_t> selection;
    for (const decode::Page& page : result.stream.pages) {
        PageReport report;
        report.offset = page.offset;
        report.bandHeight = page.bandHeight;
        report.bandsWithData = static_cast<int64_t>(page.bandsWithData.size());
        report.skippedBands = page.skippedBands;
        report.skipCommands = static_cast<int64_t>(page.skips.size());
        report.lastBand = page.bandsWithData.empty() ? -1 : page.bandsWithData.back();
        report.endedByFormFeed = page.endedByFormFeed;
        countBands(data, page, selection, report);
        result.pages.push_back(std::move(report));
    }
    return result;
}

std::string alikeNames(const InspectResult& result, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < result.alike.size(); ++i) {
        if (i > 0) text += i + 1 == result.alike.size() ? separator : ", ";
        text += result.alike[i]->name;
    }
    return text;
}

std::string textReport(const InspectResult& result, const std::string& name) {
    std::string out;
    char line[512];
    std::snprintf(line, sizeof line, "%s: %zu bytes, %zu page%s\n", name.c_str(), result.size,
                  result.stream.pages.size(), result.stream.pages.size() == 1 ? "" : "s");
    out += line;
    if (result.mode != nullptr) {
        std::snprintf(line, sizeof line, "mode: %s (class %d, planes %s, depths %s)%s\n",
                      result.mode->name, result.mode->modeClass, wireLetters(*result.mode).c_str(),
                      depthList(*result.mode).c_str(),
                      result.modeGuessed ? ", guessed from the planes; --mode sets it" : "");
        out += line;
        if (!result.alike.empty())
            out += "  ambiguous: the planes fit " + alikeNames(result, " and ") +
                   " alike; --mode " + alikeNames(result, " or --mode ") + " settles it\n";
    } else {
        out += "mode: not known (no mode sends these planes); --mode sets it\n";
    }
    for (std::size_t p = 0; p < result.pages.size(); ++p) {
        const PageReport& r = result.pages[p];
        const decode::Page& page = result.stream.pages[p];
        std::snprintf(line, sizeof line,
                      "page %zu at byte %zu: band height %d, %lld bands with data, %lld skipped "
                      "in %lld ESC ( e, %zu selection change%s%s\n",
                      p + 1, r.offset, r.bandHeight, static_cast<long long>(r.bandsWithData),
                      static_cast<long long>(r.skippedBands),
                      static_cast<long long>(r.skipCommands), r.selections.size(),
                      r.selections.size() == 1 ? "" : "s",
                      r.endedByFormFeed ? ", ended by a form feed" : "");
        out += line;
        if (r.lastBand >= 0) {
            std::snprintf(line, sizeof line, "  bands 0 to %lld (%lld lines)\n",
                          static_cast<long long>(r.lastBand),
                          static_cast<long long>((r.lastBand + 1) * r.bandHeight));
            out += line;
        }
        for (const auto& [letters, bands] : r.bandsBySelection) {
            std::snprintf(line, sizeof line, "  %-22s %lld band%s\n", letters.c_str(),
                          static_cast<long long>(bands), bands == 1 ? "" : "s");
            out += line;
        }
        for (const auto& [letter, data] : page.planes) {
            std::snprintf(
                line, sizeof line,
                "  plane %-3s %9zu bytes in %zu ESC ( F (%zu empty), %zu lines with data\n",
                letterName(letter).c_str(), data.payloadBytes, data.frames, data.emptyFrames,
                data.linesWithData);
            out += line;
        }
    }
    if (result.status.ok)
        out += "stream is valid\n";
    else
        out += "error at byte " + std::to_string(result.status.offset) + ": " +
               result.status.message + "\n";
    return out;
}

}  // namespace inkband::tool
