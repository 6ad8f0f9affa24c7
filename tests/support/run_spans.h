// Random byte spans shaped like raster data for the encoder tests: runs of
// 1 .. 300 equal bytes, mixed with stretches of distinct bytes whose lengths
// sit at the literal boundaries 125 .. 129, so every literal-merging rule
// is reached.  Deterministic for a given seed.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace inkband::testing {

inline std::vector<uint8_t> randomRunSpan(std::mt19937& rng, std::size_t length) {
    std::vector<uint8_t> span;
    span.reserve(length);
    auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    uint8_t last = static_cast<uint8_t>(rng());
    auto different = [&](uint8_t from) {
        uint8_t x;
        do x = static_cast<uint8_t>(pick(4) == 0 ? pick(4) : rng());
        while (x == from);
        return x;
    };
    while (span.size() < length) {
        std::size_t runLength;
        switch (pick(6)) {
            case 0:  // distinct bytes up to a literal boundary, then a pair or a run
                for (uint32_t k = 123 + pick(8); k > 0 && span.size() < length; --k)
                    span.push_back(last = different(last));
                runLength = 2 + pick(3);
                break;
            case 1:
                runLength = 1 + pick(300);
                break;
            case 2:
                runLength = 2;
                break;
            default:
                runLength = 1;
                break;
        }
        last = different(last);
        for (; runLength > 0 && span.size() < length; --runLength) span.push_back(last);
    }
    return span;
}

// Span lengths for the property runs: mostly short, some near the literal
// boundaries, a few up to the longest line.
inline std::size_t randomSpanLength(std::mt19937& rng) {
    switch (rng() % 8) {
        case 0:
            return 125 + rng() % 5;
        case 1:
            return rng() % 32768;
        default:
            return rng() % 600;
    }
}

}  // namespace inkband::testing
