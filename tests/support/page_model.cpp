#include "support/page_model.h"

namespace testjob {

const std::vector<ModeCase>& reachableModes() {
    static const std::vector<ModeCase> modes = {
        {"K", 20, 0, 1, 0, 0, 1, {'K'}, {1}, {false}},
        {"CMYK-1bit",
         15,
         0,
         0,
         0,
         0,
         3,
         {'C', 'M', 'Y', 'K'},
         {1, 1, 1, 1},
         {false, false, false, false}},
        {"CMYK-2t",
         10,
         0,
         0,
         0,
         0,
         3,
         {'C', 'M', 'Y', 'K'},
         {2, 2, 1, 1},
         {true, true, false, false}},
        {"CMYK-T",
         5,
         0,
         0,
         0,
         1,
         3,
         {'C', 'M', 'Y', 'K'},
         {2, 2, 1, 1},
         {true, true, false, false}},
        {"CMYK-4421",
         5,
         0,
         0,
         0,
         0,
         3,
         {'C', 'M', 'Y', 'K'},
         {4, 4, 2, 1},
         {false, false, false, false}},
        {"CMYk-2t",
         10,
         0,
         0,
         1,
         0,
         4,
         {'C', 'M', 'Y', 'k'},
         {2, 2, 1, 2},
         {true, true, false, true}},
        {"CMYk-4422",
         10,
         27,
         0,
         0,
         0,
         4,
         {'C', 'M', 'Y', 'k'},
         {4, 4, 2, 2},
         {false, false, false, false}},
        {"CMYKk",
         10,
         7,
         0,
         0,
         0,
         5,
         {'C', 'M', 'Y', 'K', 'k'},
         {2, 2, 1, 1, 2},
         {true, true, false, false, true}},
        {"CMYkH",
         5,
         15,
         0,
         0,
         0,
         8,
         {'C', 'M', 'Y', 'k', 'H'},
         {4, 4, 2, 2, 4},
         {false, false, false, false, false}},
        {"ten-7",
         0,
         51,
         0,
         0,
         0,
         7,
         {'C', 'M', 'Y', 'k', 'H', 0xC3, 0xCD, 0xD9, 0xEB, 0xC8},
         {4, 4, 4, 4, 4},
         {false, false, false, false, false}},
        {"ten-10",
         10,
         40,
         1,
         0,
         0,
         10,
         {'C', 'M', 'Y', 'k', 'H', 0xC3, 0xCD, 0xD9, 0xEB, 0xC8},
         {4, 4, 4, 4, 4},
         {false, false, false, false, false}},
    };
    return modes;
}

int pixelAt(const std::vector<uint8_t>& bytes, int bits, int p) {
    int perByte = 8 / bits;
    std::size_t index = static_cast<std::size_t>(p / perByte);
    if (index >= bytes.size()) return 0;
    int shift = 8 - bits * (p % perByte + 1);
    return (bytes[index] >> shift) & ((1 << bits) - 1);
}

std::vector<uint8_t> expectedOrdinaryLine(const PlaneSpec& plane, int bits, bool ternary) {
    std::vector<uint8_t> out;
    if (plane.null || plane.left == plane.width || plane.left + plane.right == plane.width)
        return out;
    int end = plane.width - plane.right;
    std::vector<int> pixels(static_cast<std::size_t>(end), 0);
    for (int p = plane.left; p < end; ++p) pixels[p] = pixelAt(plane.bytes, bits, p);
    if (!ternary) {
        int perByte = 8 / bits;
        out.assign(static_cast<std::size_t>((end + perByte - 1) / perByte), 0);
        for (int p = 0; p < end; ++p)
            out[p / perByte] |= static_cast<uint8_t>(pixels[p] << (8 - bits * (p % perByte + 1)));
    } else {
        // Groups of five pixels (padded with zeros to whole source bytes)
        // become one base-3 byte; a group holding a level 3 packs to 0.
        int sourceBytes = (end + 3) / 4;
        int padded = sourceBytes * 4;
        pixels.resize(static_cast<std::size_t>(padded + 5), 0);
        int groups = sourceBytes - sourceBytes / 5;
        for (int g = 0; g < groups; ++g) {
            int value = 0;
            bool valid = true;
            for (int k = 0; k < 5; ++k) {
                int px = g * 5 + k < padded ? pixels[g * 5 + k] : 0;
                if (px == 3) valid = false;
                value = value * 3 + px;
            }
            out.push_back(valid ? static_cast<uint8_t>(value) : 0);
        }
    }
    while (!out.empty() && out.back() == 0) out.pop_back();
    return out;
}

PlaneSpec randomPlane(std::mt19937& rng, Content kind, int16_t width, int bits, int maxLevel) {
    PlaneSpec p;
    p.width = width;
    int perByte = 8 / bits;
    p.bytes.assign(static_cast<std::size_t>((width + perByte - 1) / perByte), 0);
    if (kind == Content::Null) {
        p.null = true;
        return p;
    }
    if (kind == Content::BlankByLeft) {
        p.left = width;
        return p;
    }
    std::uniform_int_distribution<int> edge(0, width / 3);
    p.left = static_cast<int16_t>(edge(rng));
    p.right = static_cast<int16_t>(edge(rng));
    if (p.left + p.right > width) p.right = static_cast<int16_t>(width - p.left);
    if (kind == Content::Empty) {
        p.right = static_cast<int16_t>(width - p.left);
        return p;
    }
    std::uniform_int_distribution<int> level(1, maxLevel);
    std::uniform_int_distribution<int> percent(0, 99);
    int runValue = level(rng);
    for (int px = p.left; px < width - p.right; ++px) {
        int v = 0;
        switch (kind) {
            case Content::Sparse:
                v = percent(rng) < 3 ? level(rng) : 0;
                break;
            case Content::Dense:
                v = percent(rng) < 90 ? level(rng) : 0;
                break;
            case Content::Runs:
                if (percent(rng) < 4) runValue = percent(rng) < 30 ? 0 : level(rng);
                v = runValue;
                break;
            default:
                v = std::uniform_int_distribution<int>(0, maxLevel)(rng);
                break;
        }
        p.bytes[px / perByte] |= static_cast<uint8_t>(v << (8 - bits * (px % perByte + 1)));
    }
    return p;
}

}  // namespace testjob
