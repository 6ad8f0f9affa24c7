// Telling the print mode of a stream from its bytes.  Modes with the same
// plane letters differ in how they read a plane's bytes: 1, 2 or 4 bits
// per pixel, or five base-3 pixels a byte.  What tells them apart:
//   - bytes no reading allows: a ternary byte never exceeds 242;
//   - texture: a halftoned plane read at its own depth changes by at most
//     one level between most neighbouring pixels (flat areas use two
//     adjacent levels, only edges jump), where the same bytes read at
//     another depth jump all over; a 1-bit reading never jumps, so it is
//     the fallback that a deeper reading beats only when it reads smoothly;
//   - widths: the widest lines of the planes agree at the right depths;
//   - in the ten-plane modes, the pairs of printer values each level gives.
// Pages of solid areas and text alone carry little texture: between modes
// that differ only there the guess is reported as ambiguous.  The evidence
// is gathered band by band while the stream is decoded, so no plane line
// needs to be kept.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "decoder/stream_decoder.h"
#include "inkband/modes.h"

namespace inkband::tool {

// The ways a plane's bytes can be read, as an index.
enum Reading : int { kOneBit, kTwoBit, kTernary, kFourBit, kReadings };
Reading readingOf(const WirePlane& wire);

// Neighbouring pixels compared under one reading: each non-zero byte's
// pixels among themselves, and each byte's pixels with those of the same
// byte on the line above.  A comparison jumps when two of its pixels lie
// more than a level apart; it is telling when its pixels differ, but not
// only by jumps from blank (0) to ink, which every reading shows at edges,
// and then it jumps inside the ink or not.
struct Texture {
    int64_t compared = 0;
    int64_t jumps = 0;
    int64_t telling = 0;
    int64_t jumpsInside = 0;
};

struct LetterEvidence {
    int64_t aboveTernary = 0;  // non-zero bytes above 242
    std::array<Texture, kReadings> texture{};
    std::vector<uint8_t> previous;  // the last line with data, for the line below it
    int64_t previousLine = -2;
};

struct PageEvidence {
    std::map<uint8_t, LetterEvidence> letters;
    std::map<const ModeInfo*, int64_t> splitUnmatched;  // split mode -> pairs no level gives
};

struct StreamEvidence {
    std::vector<PageEvidence> pages;
};

// Adds one decoded band to the evidence.  Only what can tell apart modes
// that send all the band's letters is gathered.
void addBand(StreamEvidence& evidence, const decode::BandView& band);

// How well a mode explains the stream.
struct ModeFit {
    int64_t unmatched = 0;  // ternary bytes above 242, split pairs of no level
    Texture texture;        // over the planes the mode reads at more than two levels
    double spread = 1.0;    // widest line of the widest plane / of the narrowest, worst page
};
ModeFit fitMode(const decode::StreamResult& stream, const StreamEvidence& evidence,
                const ModeInfo& mode);

struct ModeGuess {
    const ModeInfo* mode = nullptr;  // null: no mode sends these planes
    // When the stream cannot tell: the modes that fit it alike, the guess
    // among them, in table order; empty when the guess is clear.
    std::vector<const ModeInfo*> alike;
};

// Among the modes whose planes hold every letter the stream sends, those
// with the fewest planes; of these the best fit.
ModeGuess guessMode(const decode::StreamResult& stream, const StreamEvidence& evidence);

}  // namespace inkband::tool
