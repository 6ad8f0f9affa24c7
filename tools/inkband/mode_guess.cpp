#include "inkband/mode_guess.h"

#include <algorithm>

#include "inkband/plane_reconstruct.h"

namespace inkband::tool {

namespace {

constexpr int64_t kMinCompared = 200;  // comparisons a texture verdict needs
constexpr double kSmoothShare = 0.25;  // jumps at most this share: the reading fits,
constexpr double kInsideAtMost = 0.5;  // unless this share of the telling ones jump inside ink
constexpr double kRoughShare = 0.4;    // jumps at least this share: the reading does not fit
constexpr double kWidthsAgree = 1.1;   // spread of the planes' widest lines at the right depths
constexpr double kWidthsDisagree = 1.3;

// The levels of a byte's pixels under a reading, left to right; their count.
int pixelsOf(int byte, Reading reading, int* out) {
    switch (reading) {
        case kTernary:
            for (int k = 4; k >= 0; --k, byte /= 3) out[k] = byte % 3;
            return 5;
        case kOneBit:
        case kTwoBit:
        case kFourBit:
        default: {
            const int bits = reading == kOneBit ? 1 : reading == kTwoBit ? 2 : 4;
            for (int k = 0; k < 8 / bits; ++k)
                out[k] = byte >> (8 - bits * (k + 1)) & ((1 << bits) - 1);
            return 8 / bits;
        }
    }
}

// What one comparison of pixel pairs shows.
enum Comparison : uint8_t { kUniform, kSmoothSteps, kEdgeJump, kInsideJump };

Comparison compare(const int* a, const int* b, int n) {
    bool differ = false, edge = false, inside = false;
    for (int k = 0; k < n; ++k) {
        differ |= a[k] != b[k];
        if (a[k] - b[k] > 1 || b[k] - a[k] > 1) (a[k] != 0 && b[k] != 0 ? inside : edge) = true;
    }
    return inside ? kInsideJump : edge ? kEdgeJump : differ ? kSmoothSteps : kUniform;
}

// Every byte's comparison within itself and with every byte above it, for
// every reading.
struct ComparisonTables {
    std::array<std::array<Comparison, 256>, kReadings> within{};
    std::array<std::vector<Comparison>, kReadings> across;  // [above * 256 + below]
};

const ComparisonTables& comparisonTables() {
    static const ComparisonTables tables = [] {
        ComparisonTables t;
        for (int r = 0; r < kReadings; ++r) {
            const Reading reading = static_cast<Reading>(r);
            t.across[r].assign(256 * 256, kUniform);
            int a[8], b[8];
            for (int above = 0; above < 256; ++above) {
                const int n = pixelsOf(above, reading, a);
                t.within[r][above] = compare(a, a + 1, n - 1);
                for (int below = 0; below < 256; ++below) {
                    pixelsOf(below, reading, b);
                    t.across[r][above * 256 + below] = compare(a, b, n);
                }
            }
        }
        return t;
    }();
    return tables;
}

void count(Comparison c, Texture& texture) {
    ++texture.compared;
    texture.jumps += c >= kEdgeJump;
    texture.telling += c == kSmoothSteps || c == kInsideJump;
    texture.jumpsInside += c == kInsideJump;
}

bool sendsAll(const ModeInfo& mode, const std::vector<uint8_t>& letters) {
    return std::all_of(letters.begin(), letters.end(), [&](uint8_t letter) {
        return std::any_of(mode.wires.begin(), mode.wires.end(),
                           [&](const WirePlane& w) { return w.letter == letter; });
    });
}

int wireIndex(const ModeInfo& mode, uint8_t letter) {
    for (std::size_t w = 0; w < mode.wires.size(); ++w)
        if (mode.wires[w].letter == letter) return static_cast<int>(w);
    return -1;
}

// One plane line's texture under a reading, against the line above when
// that one is given.
void addTexture(const std::vector<uint8_t>& line, const std::vector<uint8_t>* above,
                Reading reading, Texture& texture) {
    const ComparisonTables& t = comparisonTables();
    const bool ternary = reading == kTernary;
    for (uint8_t b : line)
        if (b != 0 && !(ternary && b > kTernaryMax)) count(t.within[reading][b], texture);
    if (above == nullptr) return;
    const std::size_t n = std::min(line.size(), above->size());
    const Comparison* across = t.across[reading].data();
    for (std::size_t x = 0; x < n; ++x) {
        const uint8_t a = (*above)[x], b = line[x];
        if ((a | b) == 0 || (ternary && (a > kTernaryMax || b > kTernaryMax))) continue;
        count(across[a * 256 + b], texture);
    }
}

// Pixel pairs of a split mode's two printer planes that no source level gives.
int64_t unmatchedPairs(const decode::BandView& band, const ModeInfo& mode) {
    const PairTable pairs = pairTable(mode);
    const int n = static_cast<int>(mode.sources.size());
    int64_t unmatched = 0;
    for (int i = 0; i < n; ++i) {
        const auto& letters = *band.letters;
        const auto first = std::find(letters.begin(), letters.end(), mode.wires[i].letter);
        const auto second = std::find(letters.begin(), letters.end(), mode.wires[i + n].letter);
        if (first == letters.end() || second == letters.end()) continue;
        for (int l = 0; l < band.height; ++l) {
            const std::vector<uint8_t>& a = band.line(first - letters.begin(), l);
            const std::vector<uint8_t>& b = band.line(second - letters.begin(), l);
            for (std::size_t x = 0; x < std::max(a.size(), b.size()); ++x) {
                const int va = x < a.size() ? a[x] : 0, vb = x < b.size() ? b[x] : 0;
                unmatched += (pairs[i][va >> 4][vb >> 4] == kNoLevel) +
                             (pairs[i][va & 15][vb & 15] == kNoLevel);
            }
        }
    }
    return unmatched;
}

// How a mode's deeper readings fit, best first: they read smoothly; there
// is nothing to judge (1-bit readings, or too few comparisons); neither
// smooth nor rough; rough.
enum Verdict : int { kReadsSmoothly, kNoVerdict, kUnsure, kReadsRough };

Verdict verdictOf(const Texture& t) {
    if (t.compared < kMinCompared) return kNoVerdict;
    const double jumps = static_cast<double>(t.jumps) / t.compared;
    const bool inside =
        t.telling >= kMinCompared && static_cast<double>(t.jumpsInside) / t.telling > kInsideAtMost;
    if (jumps <= kSmoothShare && !inside) return kReadsSmoothly;
    return jumps >= kRoughShare ? kReadsRough : kUnsure;
}

// How far the planes' widest lines agree: 0 they do, 1 not clearly, 2 they
// do not.
int widthTier(const ModeFit& f) {
    return f.spread <= kWidthsAgree ? 0 : f.spread < kWidthsDisagree ? 1 : 2;
}

// Whether the stream tells clearly that a fits better than b.  Bytes no
// reading allows settle it; then a deeper reading that reads smoothly (a
// strong sign: wrong readings do not); then widths that agree at a's depths
// only; last, rough readings, which noise in a picture also gives.
bool clearlyBetter(const ModeFit& a, const ModeFit& b) {
    if (a.unmatched != b.unmatched) return a.unmatched < b.unmatched;
    const Verdict va = verdictOf(a.texture), vb = verdictOf(b.texture);
    if ((va == kReadsSmoothly) != (vb == kReadsSmoothly)) return va == kReadsSmoothly;
    if (widthTier(a) == 0 && widthTier(b) == 2) return true;
    if (widthTier(b) == 0 && widthTier(a) == 2) return false;
    return va == kNoVerdict && vb == kReadsRough;
}

// The same order, where the stream cannot tell.
bool rankedBefore(const ModeFit& a, const ModeFit& b) {
    if (a.unmatched != b.unmatched) return a.unmatched < b.unmatched;
    const Verdict va = verdictOf(a.texture), vb = verdictOf(b.texture);
    if ((va == kReadsSmoothly) != (vb == kReadsSmoothly)) return va == kReadsSmoothly;
    if (widthTier(a) != widthTier(b)) return widthTier(a) < widthTier(b);
    if (va != vb) return va < vb;
    return a.spread < b.spread - 1e-9;
}

}  // namespace

Reading readingOf(const WirePlane& wire) {
    if (wire.ternary) return kTernary;
    return wire.bits == 1 ? kOneBit : wire.bits == 2 ? kTwoBit : kFourBit;
}

void addBand(StreamEvidence& evidence, const decode::BandView& band) {
    if (evidence.pages.size() <= band.page) evidence.pages.resize(band.page + 1);
    PageEvidence& page = evidence.pages[band.page];
    const std::vector<uint8_t>& letters = *band.letters;
    std::vector<const ModeInfo*> candidates;
    for (const ModeInfo& mode : allModes())
        if (sendsAll(mode, letters)) candidates.push_back(&mode);

    for (std::size_t p = 0; p < letters.size(); ++p) {
        // The readings that could tell the candidates apart on this letter.
        std::array<bool, kReadings> readings{};
        for (const ModeInfo* mode : candidates)
            readings[readingOf(mode->wires[wireIndex(*mode, letters[p])])] = true;
        const bool texture = std::count(readings.begin(), readings.end(), true) > 1;
        LetterEvidence& e = page.letters[letters[p]];
        for (int l = 0; l < band.height; ++l) {
            const std::vector<uint8_t>& line = band.line(p, l);
            if (line.empty()) continue;
            for (uint8_t b : line) e.aboveTernary += b > kTernaryMax;
            if (!texture) continue;
            const int64_t number = band.number * band.height + l;
            const std::vector<uint8_t>* above =
                e.previousLine == number - 1 ? &e.previous : nullptr;
            for (int r = kTwoBit; r < kReadings; ++r)
                if (readings[r]) addTexture(line, above, static_cast<Reading>(r), e.texture[r]);
            e.previous = line;
            e.previousLine = number;
        }
    }
    for (const ModeInfo* mode : candidates)
        if (mode->isSplit()) page.splitUnmatched[mode] += unmatchedPairs(band, *mode);
}

ModeFit fitMode(const decode::StreamResult& stream, const StreamEvidence& evidence,
                const ModeInfo& mode) {
    ModeFit fit;
    for (std::size_t p = 0; p < stream.pages.size(); ++p) {
        const decode::Page& page = stream.pages[p];
        int widest = 0, narrowest = 0;
        for (const WirePlane& wire : mode.wires) {
            const auto found = page.planes.find(wire.letter);
            if (found == page.planes.end() || found->second.widestLine == 0) continue;
            const int width = linePixels(found->second.widestLine, wire);
            widest = std::max(widest, width);
            narrowest = narrowest == 0 ? width : std::min(narrowest, width);
        }
        if (narrowest > 0)
            fit.spread = std::max(fit.spread, static_cast<double>(widest) / narrowest);
        if (p >= evidence.pages.size()) continue;
        const PageEvidence& e = evidence.pages[p];
        for (const WirePlane& wire : mode.wires) {
            const auto found = e.letters.find(wire.letter);
            if (found == e.letters.end()) continue;
            if (wire.ternary) fit.unmatched += found->second.aboveTernary;
            const Reading reading = readingOf(wire);
            if (reading == kOneBit) continue;
            const Texture& t = found->second.texture[reading];
            fit.texture.compared += t.compared;
            fit.texture.jumps += t.jumps;
            fit.texture.telling += t.telling;
            fit.texture.jumpsInside += t.jumpsInside;
        }
        const auto split = e.splitUnmatched.find(&mode);
        if (split != e.splitUnmatched.end()) fit.unmatched += split->second;
    }
    return fit;
}

ModeGuess guessMode(const decode::StreamResult& stream, const StreamEvidence& evidence) {
    std::vector<uint8_t> seen;
    for (const decode::Page& page : stream.pages)
        for (const auto& [letter, data] : page.planes)
            if (std::find(seen.begin(), seen.end(), letter) == seen.end()) seen.push_back(letter);
    ModeGuess guess;
    if (seen.empty()) return guess;  // no plane data: nothing to tell the modes apart

    std::vector<const ModeInfo*> modes;
    std::size_t fewest = kMaxWirePlanes + 1;
    for (const ModeInfo& mode : allModes())
        if (sendsAll(mode, seen)) fewest = std::min(fewest, mode.wires.size());
    for (const ModeInfo& mode : allModes())
        if (sendsAll(mode, seen) && mode.wires.size() == fewest) modes.push_back(&mode);
    if (modes.empty()) return guess;

    std::vector<ModeFit> fits;
    for (const ModeInfo* mode : modes) fits.push_back(fitMode(stream, evidence, *mode));
    std::size_t best = 0;
    for (std::size_t i = 1; i < modes.size(); ++i)
        if (clearlyBetter(fits[i], fits[best]) ||
            (!clearlyBetter(fits[best], fits[i]) && rankedBefore(fits[i], fits[best])))
            best = i;
    guess.mode = modes[best];
    for (std::size_t i = 0; i < modes.size(); ++i)
        if (!clearlyBetter(fits[best], fits[i])) guess.alike.push_back(modes[i]);
    if (guess.alike.size() == 1) guess.alike.clear();
    return guess;
}

}  // namespace inkband::tool
