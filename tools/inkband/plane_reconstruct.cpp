#include "inkband/plane_reconstruct.h"

#include <algorithm>
#include <cstring>

namespace inkband::tool {

namespace {

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

int wireIndex(const ModeInfo& mode, uint8_t letter) {
    for (std::size_t w = 0; w < mode.wires.size(); ++w)
        if (mode.wires[w].letter == letter) return static_cast<int>(w);
    return -1;
}

}  // namespace

// A ternary line of j bytes comes from the fewest source bytes n that pack
// to j (n - n / 5 = j), four pixels each.
int linePixels(std::size_t bytes, const WirePlane& wire) {
    const int j = static_cast<int>(bytes);
    if (wire.ternary) return j == 0 ? 0 : 4 * (j + (j - 1) / 4);
    return j * (8 / wire.bits);
}

PairTable pairTable(const ModeInfo& mode) {
    PairTable t;
    for (auto& plane : t)
        for (auto& row : plane) row.fill(kNoLevel);
    const int n = static_cast<int>(mode.sources.size());
    for (int i = 0; i < n && mode.isSplit(); ++i) {
        const SplitPlane& a = mode.split[i];
        const SplitPlane& b = mode.split[i + n];
        for (int v = 0; v < std::min(a.length, b.length); ++v)
            if (t[i][a.table[v]][b.table[v]] == kNoLevel)
                t[i][a.table[v]][b.table[v]] = static_cast<int8_t>(v);
    }
    return t;
}

int inferredWidth(const decode::Page& page, const ModeInfo& mode) {
    int width = 0;
    for (const WirePlane& wire : mode.wires) {
        const auto found = page.planes.find(wire.letter);
        if (found != page.planes.end())
            width = std::max(width, linePixels(found->second.widestLine, wire));
    }
    return width;
}

int inferredHeight(const decode::Page& page) {
    if (page.bandsWithData.empty()) return 0;
    const int64_t lines = (page.bandsWithData.back() + 1) * page.bandHeight;
    return static_cast<int>(std::min<int64_t>(lines, INT32_MAX));
}

bool forEachBandLevels(const uint8_t* data, std::size_t size, const decode::Page& page,
                       const ModeInfo& mode, int width, int height, const BandLevelSink& onBand,
                       RebuildCounts& counts, std::string& error, const ReadProgress& progress) {
    BandLevels levels;
    for (const WirePlane& wire : mode.wires)
        levels.wire.emplace_back(width, page.bandHeight, wire.ternary ? 2 : (1 << wire.bits) - 1);
    for (const SourcePlane& source : mode.sources)
        levels.host.emplace_back(width, page.bandHeight, (1 << source.bits) - 1);
    const PairTable pairs = pairTable(mode);
    const int sources = static_cast<int>(mode.sources.size());

    const decode::Status status =
        decode::decodePageBands(data, size, page, [&](const decode::BandView& band) {
            const int64_t first = band.number * band.height;
            const int inside =
                first >= height ? 0
                                : static_cast<int>(std::min<int64_t>(band.height, height - first));
            for (PlaneImage& plane : levels.wire)
                std::fill(plane.levels.begin(), plane.levels.end(), uint8_t{0});
            for (std::size_t p = 0; p < band.letters->size(); ++p) {
                const int w = wireIndex(mode, (*band.letters)[p]);
                if (w < 0) continue;
                for (int l = 0; l < band.height; ++l) {
                    uint8_t* row = l < inside && width > 0 ? levels.wire[w].row(l) : nullptr;
                    forEachPixel(band.line(p, l), mode.wires[w], [&](int x, int v) {
                        if (v < 0) {
                            ++counts.unmatched;
                            return;
                        }
                        if (v == 0) return;
                        if (row == nullptr || x >= width)
                            ++counts.outside;
                        else
                            row[x] = static_cast<uint8_t>(v);
                    });
                }
            }
            if (progress) progress(band.end);
            if (inside == 0 || width == 0) return;
            levels.firstLine = first;
            levels.lines = inside;
            const std::size_t pixels = static_cast<std::size_t>(inside) * width;
            for (int i = 0; i < sources; ++i) {
                uint8_t* host = levels.host[i].levels.data();
                if (!mode.isSplit()) {
                    std::memcpy(host, levels.wire[i].levels.data(), pixels);
                    continue;
                }
                const uint8_t* a = levels.wire[i].levels.data();
                const uint8_t* b = levels.wire[i + sources].levels.data();
                for (std::size_t q = 0; q < pixels; ++q) {
                    const int level = pairs[i][a[q] & 15][b[q] & 15];
                    if (level == kNoLevel) ++counts.unmatched;
                    host[q] = level == kNoLevel ? 0 : static_cast<uint8_t>(level);
                }
            }
            onBand(levels);
        });
    if (!status.ok) error = "the stream no longer decodes: " + status.describe();
    return status.ok;
}

bool reconstructPage(const uint8_t* data, std::size_t size, const decode::Page& page,
                     const ModeInfo& mode, int width, int height, DecodedPlanes& out,
                     std::string& error) {
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
    for (const WirePlane& wire : mode.wires)
        out.wire.emplace_back(out.width, out.height, wire.ternary ? 2 : (1 << wire.bits) - 1);
    for (const SourcePlane& source : mode.sources)
        out.host.emplace_back(out.width, out.height, (1 << source.bits) - 1);
    auto copyRows = [&](const std::vector<PlaneImage>& from, std::vector<PlaneImage>& to,
                        const BandLevels& band) {
        const std::size_t bytes = static_cast<std::size_t>(band.lines) * out.width;
        for (std::size_t i = 0; i < to.size(); ++i)
            std::memcpy(to[i].row(static_cast<int>(band.firstLine)), from[i].levels.data(), bytes);
    };
    return forEachBandLevels(
        data, size, page, mode, out.width, out.height,
        [&](const BandLevels& band) {
            copyRows(band.wire, out.wire, band);
            copyRows(band.host, out.host, band);
        },
        out.counts, error);
}

}  // namespace inkband::tool
