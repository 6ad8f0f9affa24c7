#include "inkband/plane_reconstruct.h"

#include <algorithm>
#include <array>

namespace inkband::tool {

namespace {

constexpr int kTernaryMax = 242;  // 22222 in base 3
constexpr int kNoLevel = -1;

// Calls f(x, value) for every pixel of a decoded line of a printer plane;
// value -1 for the five pixels of a ternary byte that no pixels pack to.
template <class F>
void forEachPixel(const std::vector<uint8_t>& bytes, const WirePlane& wire, F f) {
    if (wire.ternary) {
        for (std::size_t j = 0; j < bytes.size(); ++j) {
            int v = bytes[j];
            const bool valid = v <= kTernaryMax;
            for (int k = 4; k >= 0; --k) {
                f(static_cast<int>(j * 5) + k, valid ? v % 3 : -1);
                v /= 3;
            }
        }
        return;
    }
    const int perByte = 8 / wire.bits, mask = (1 << wire.bits) - 1;
    for (std::size_t j = 0; j < bytes.size(); ++j)
        for (int k = 0; k < perByte; ++k)
            f(static_cast<int>(j) * perByte + k, bytes[j] >> (8 - wire.bits * (k + 1)) & mask);
}

// Pixels a decoded line of j bytes spans.  A ternary line of j bytes comes
// from the fewest source bytes n that pack to j (n - n / 5 = j), four
// pixels each.
int linePixels(std::size_t bytes, const WirePlane& wire) {
    const int j = static_cast<int>(bytes);
    if (wire.ternary) return j == 0 ? 0 : 4 * (j + (j - 1) / 4);
    return j * (8 / wire.bits);
}

const decode::PlaneData* planeOf(const decode::Page& page, uint8_t letter) {
    const auto found = page.planes.find(letter);
    return found == page.planes.end() ? nullptr : &found->second;
}

// For a split mode: the source level of each pair of printer values, per
// source plane; kNoLevel for a pair no level gives.
using PairTable = std::array<std::array<std::array<int8_t, 16>, 16>, kMaxSourcePlanes>;
PairTable pairTable(const ModeInfo& mode) {
    PairTable t;
    for (auto& plane : t)
        for (auto& row : plane) row.fill(kNoLevel);
    const int n = static_cast<int>(mode.sources.size());
    for (int i = 0; i < n; ++i) {
        const SplitPlane& a = mode.split[i];
        const SplitPlane& b = mode.split[i + n];
        for (int v = 0; v < std::min(a.length, b.length); ++v)
            if (t[i][a.table[v]][b.table[v]] == kNoLevel)
                t[i][a.table[v]][b.table[v]] = static_cast<int8_t>(v);
    }
    return t;
}

// Unpacks one printer plane into levels at width x height.
void fillWire(const decode::PlaneData* data, const WirePlane& wire, PlaneImage& image,
              int64_t& unmatched, int64_t& outside) {
    if (data == nullptr) return;
    for (const auto& [number, bytes] : data->lines) {
        const bool inside = number >= 0 && number < image.height;
        uint8_t* row = inside ? image.row(static_cast<int>(number)) : nullptr;
        forEachPixel(bytes, wire, [&](int x, int v) {
            if (v < 0) {
                ++unmatched;
                v = 0;
            }
            if (v == 0) return;
            if (!inside || x >= image.width)
                ++outside;
            else
                row[x] = static_cast<uint8_t>(v);
        });
    }
}

}  // namespace

int inferredWidth(const decode::Page& page, const ModeInfo& mode) {
    int width = 0;
    for (const WirePlane& wire : mode.wires)
        if (const decode::PlaneData* data = planeOf(page, wire.letter))
            for (const auto& [number, bytes] : data->lines)
                width = std::max(width, linePixels(bytes.size(), wire));
    return width;
}

int inferredHeight(const decode::Page& page) {
    if (page.bandsWithData.empty()) return 0;
    const int64_t lines = (page.bandsWithData.back() + 1) * page.bandHeight;
    return static_cast<int>(std::min<int64_t>(lines, INT32_MAX));
}

ModeFit fitMode(const decode::Page& page, const ModeInfo& mode) {
    ModeFit fit;
    int narrowest = 0;
    for (const WirePlane& wire : mode.wires) {
        const decode::PlaneData* data = planeOf(page, wire.letter);
        if (data == nullptr || data->lines.empty()) continue;
        int widest = 0;
        for (const auto& [number, bytes] : data->lines) {
            widest = std::max(widest, linePixels(bytes.size(), wire));
            if (wire.ternary)
                for (uint8_t b : bytes) fit.unmatched += b > kTernaryMax;
        }
        fit.widest = std::max(fit.widest, widest);
        narrowest = narrowest == 0 ? widest : std::min(narrowest, widest);
    }
    if (narrowest > 0) fit.spread = static_cast<double>(fit.widest) / narrowest;

    if (mode.isSplit()) {
        // Pairs of printer values that no source level gives.
        const PairTable pairs = pairTable(mode);
        const int n = static_cast<int>(mode.sources.size());
        for (int i = 0; i < n; ++i) {
            const decode::PlaneData* first = planeOf(page, mode.wires[i].letter);
            const decode::PlaneData* second = planeOf(page, mode.wires[i + n].letter);
            std::vector<uint8_t> a, b;
            auto lineNumbers = [](const decode::PlaneData* d, std::vector<int64_t>& out) {
                if (d != nullptr)
                    for (const auto& entry : d->lines) out.push_back(entry.first);
            };
            std::vector<int64_t> numbers;
            lineNumbers(first, numbers);
            lineNumbers(second, numbers);
            std::sort(numbers.begin(), numbers.end());
            numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
            for (int64_t number : numbers) {
                a.clear();
                b.clear();
                const int widthA =
                    first ? linePixels(first->line(number).size(), mode.wires[i]) : 0;
                const int widthB =
                    second ? linePixels(second->line(number).size(), mode.wires[i + n]) : 0;
                a.assign(static_cast<std::size_t>(std::max(widthA, widthB)), 0);
                b.assign(a.size(), 0);
                if (first)
                    forEachPixel(first->line(number), mode.wires[i],
                                 [&](int x, int v) { a[x] = static_cast<uint8_t>(v); });
                if (second)
                    forEachPixel(second->line(number), mode.wires[i + n],
                                 [&](int x, int v) { b[x] = static_cast<uint8_t>(v); });
                for (std::size_t x = 0; x < a.size(); ++x)
                    fit.unmatched += pairs[i][a[x] & 15][b[x] & 15] == kNoLevel;
            }
        }
    }
    return fit;
}

bool reconstructPage(const decode::Page& page, const ModeInfo& mode, int width, int height,
                     DecodedPlanes& out, std::string& error) {
    out = DecodedPlanes{};
    out.width = width > 0 ? width : inferredWidth(page, mode);
    out.height = height > 0 ? height : inferredHeight(page);
    const int64_t pixels = static_cast<int64_t>(out.width) * out.height *
                           static_cast<int64_t>(mode.wires.size() + mode.sources.size());
    if (pixels > kMaxReconstructPixels) {
        error = "page of " + std::to_string(out.width) + " x " + std::to_string(out.height) +
                " pixels is too large to rebuild";
        return false;
    }
    for (const WirePlane& wire : mode.wires) {
        out.wire.emplace_back(out.width, out.height, wire.ternary ? 2 : (1 << wire.bits) - 1);
        fillWire(planeOf(page, wire.letter), wire, out.wire.back(), out.unmatched, out.outside);
    }
    if (!mode.isSplit()) {
        for (std::size_t i = 0; i < mode.sources.size(); ++i) {
            out.host.push_back(out.wire[i]);
            out.host.back().maxValue = (1 << mode.sources[i].bits) - 1;
        }
        return true;
    }
    const PairTable pairs = pairTable(mode);
    const int n = static_cast<int>(mode.sources.size());
    for (int i = 0; i < n; ++i) {
        PlaneImage host(out.width, out.height, (1 << mode.sources[i].bits) - 1);
        const PlaneImage& a = out.wire[i];
        const PlaneImage& b = out.wire[i + n];
        for (std::size_t p = 0; p < host.levels.size(); ++p) {
            const int level = pairs[i][a.levels[p] & 15][b.levels[p] & 15];
            if (level == kNoLevel)
                ++out.unmatched;
            else
                host.levels[p] = static_cast<uint8_t>(level);
        }
        out.host.push_back(std::move(host));
    }
    return true;
}

}  // namespace inkband::tool
