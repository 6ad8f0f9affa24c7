#include "stream_levels.h"

#include <algorithm>

namespace inkband::check {

namespace {

constexpr int kTernaryMax = 242;  // 22222 in base 3

// Unpacks a decoded line of a printer plane into width levels.
void unpackWire(const std::vector<uint8_t>& bytes, const host::WirePlane& wire, int width,
                uint8_t* out, LevelFaults& faults) {
    std::fill(out, out + width, uint8_t{0});
    const auto put = [&](int64_t x, int v) {
        if (v == 0) return;
        if (x >= width)
            ++faults.pastEdge;
        else
            out[x] = static_cast<uint8_t>(v);
    };
    if (wire.ternary) {
        for (std::size_t j = 0; j < bytes.size(); ++j) {
            int v = bytes[j];
            if (v > kTernaryMax) {
                ++faults.badTernary;
                continue;
            }
            for (int k = 4; k >= 0; --k, v /= 3) put(static_cast<int64_t>(j) * 5 + k, v % 3);
        }
        return;
    }
    const int perByte = 8 / wire.bits, mask = (1 << wire.bits) - 1;
    for (std::size_t j = 0; j < bytes.size(); ++j)
        for (int k = 0; k < perByte; ++k)
            put(static_cast<int64_t>(j) * perByte + k,
                bytes[j] >> (8 - wire.bits * (k + 1)) & mask);
}

const std::vector<uint8_t>& lineOf(const decode::Page& page, uint8_t letter, int64_t y) {
    static const std::vector<uint8_t> kNone;
    const auto found = page.planes.find(letter);
    return found == page.planes.end() ? kNone : found->second.line(y);
}

}  // namespace

void startLevelReader(LevelReader& reader, const decode::Page& page, const host::ModeInfo& mode,
                      int width) {
    reader.page = &page;
    reader.mode = &mode;
    reader.width = width;
    reader.first.assign(static_cast<std::size_t>(width), 0);
    reader.second.assign(static_cast<std::size_t>(width), 0);
    for (auto& plane : reader.pairs)
        for (auto& row : plane) row.fill(-1);
    if (!mode.isSplit()) return;
    const int n = static_cast<int>(mode.sources.size());
    for (int s = 0; s < n; ++s) {
        const host::SplitPlane& a = mode.split[static_cast<std::size_t>(s)];
        const host::SplitPlane& b = mode.split[static_cast<std::size_t>(s + n)];
        for (int v = 0; v < std::min(a.length, b.length); ++v) {
            int8_t& level = reader.pairs[static_cast<std::size_t>(s)][a.table[v]][b.table[v]];
            if (level < 0) level = static_cast<int8_t>(v);
        }
    }
}

void readSourceLine(LevelReader& reader, int plane, int64_t y, uint8_t* levels,
                    LevelFaults& faults) {
    const host::ModeInfo& mode = *reader.mode;
    const int width = reader.width;
    const auto p = static_cast<std::size_t>(plane);
    const int maxLevel = mode.sources[p].maxLevel;
    if (!mode.isSplit()) {
        unpackWire(lineOf(*reader.page, mode.wires[p].letter, y), mode.wires[p], width, levels,
                   faults);
        for (int x = 0; x < width; ++x) faults.aboveMax += levels[x] > maxLevel;
        return;
    }
    const std::size_t n = mode.sources.size();
    unpackWire(lineOf(*reader.page, mode.wires[p].letter, y), mode.wires[p], width,
               reader.first.data(), faults);
    unpackWire(lineOf(*reader.page, mode.wires[p + n].letter, y), mode.wires[p + n], width,
               reader.second.data(), faults);
    const auto& pairs = reader.pairs[p];
    for (int x = 0; x < width; ++x) {
        const int level = pairs[reader.first[x] & 15][reader.second[x] & 15];
        if (level < 0) ++faults.aboveMax;
        levels[x] = static_cast<uint8_t>(std::max(level, 0));
    }
}

}  // namespace inkband::check
