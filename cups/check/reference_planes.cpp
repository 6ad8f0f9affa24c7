#include "reference_planes.h"

#include <cstring>
#include <string>

namespace inkband::check {

namespace {

// Output plane letters of the ten-plane modes and their bits per pixel.
constexpr uint8_t kTenLetters[10] = {'C', 'M', 'Y', 'k', 'H', 0xC3, 0xCD, 0xD9, 0xEB, 0xC8};
constexpr int kTenBits[10] = {4, 4, 2, 2, 4, 4, 4, 2, 2, 4};

// Source level -> output level of each of the ten output planes; levels past
// a table's end print 0.
const std::vector<uint8_t> kTenPlaneSplit[10] = {
    {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
    {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
    {0, 1, 2, 2, 2, 3, 3, 3},
    {0, 1, 2, 2, 2},
    {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
    {0, 1, 1, 1, 3, 3, 6, 9, 8, 11},
    {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
    {0, 0, 0, 1, 2, 1, 2, 3},
    {0, 0, 0, 1, 2},
    {0, 0, 1, 3, 3, 6, 6, 4, 9, 9},
};
const std::vector<uint8_t> kTenPlaneCoarseSplit[10] = {
    {0, 1, 1, 1, 2},
    {0, 1, 1, 1, 2},
    {0, 1, 2, 2, 2},
    {0, 1, 2, 2, 2},
    {0, 1, 1, 1, 2, 2, 5, 8, 7, 9},
    {0, 0, 1, 2, 2},
    {0, 0, 1, 2, 2},
    {0, 0, 0, 1, 2},
    {0, 0, 0, 1, 2},
    {0, 0, 1, 2, 2, 5, 5, 3, 8, 8},
};

int channelOf(const filter::ModePlane& plane, const char* channels) {
    if (plane.source == 0) return -1;
    const char* at = std::strchr(channels, plane.source);
    return at != nullptr ? static_cast<int>(at - channels) : -1;
}

}  // namespace

std::vector<OutputPlane> outputPlanes(const filter::PrintMode& mode, const char* channels) {
    std::vector<OutputPlane> planes;
    const std::string name = mode.name;
    const bool ten = name == "TenPlane" || name == "TenPlaneCoarse";
    for (int i = 0; i < (ten ? 10 : mode.planeCount); ++i) {
        const int source = ten ? i % 5 : i;
        const filter::ModePlane& modePlane = mode.planes[source];
        OutputPlane plane;
        plane.letter = ten ? kTenLetters[i] : static_cast<uint8_t>(modePlane.letter);
        plane.bits = ten ? kTenBits[i] : modePlane.bits;
        plane.ternary = modePlane.ternary;
        plane.sourcePlane = source;
        plane.channel = channelOf(modePlane, channels);
        plane.topLevel = modePlane.topLevel;
        if (ten) plane.split = name == "TenPlane" ? kTenPlaneSplit[i] : kTenPlaneCoarseSplit[i];
        planes.push_back(plane);
    }
    return planes;
}

unsigned rasterLevel(const uint8_t* line, const filter::RasterFormat& format, unsigned channels,
                     unsigned channel, unsigned pixel) {
    const unsigned bits = format.bitsPerColor;
    std::size_t bit = 0;
    if (format.colorOrder == filter::kOrderBanded || channels == 1) {
        const std::size_t channelBytes = (static_cast<std::size_t>(format.width) * bits + 7) / 8;
        bit = channel * channelBytes * 8 + static_cast<std::size_t>(pixel) * bits;
    } else {
        bit = (static_cast<std::size_t>(pixel) * channels + channel) * bits;
    }
    return (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

unsigned expectedLevel(const OutputPlane& plane, unsigned v, unsigned inBits) {
    if (plane.channel < 0) return 0;
    const double top = static_cast<double>((1u << inBits) - 1);
    const double scaled = v * static_cast<double>(plane.topLevel) / top;
    auto level = static_cast<unsigned>(scaled + 0.5);
    if (level > plane.topLevel) level = plane.topLevel;
    if (plane.split.empty()) return level;
    return level < plane.split.size() ? plane.split[level] : 0;
}

unsigned decodedPixels(std::size_t bytes, const OutputPlane& plane) {
    if (plane.ternary) return static_cast<unsigned>(bytes * 5);
    return static_cast<unsigned>(bytes * 8 / static_cast<std::size_t>(plane.bits));
}

unsigned decodedLevel(const std::vector<uint8_t>& bytes, const OutputPlane& plane, unsigned p) {
    if (plane.ternary) {
        const std::size_t index = p / 5;
        if (index >= bytes.size()) return 0;
        const unsigned value = bytes[index];
        if (value > 242) return 255;
        static const unsigned kPowers[5] = {81, 27, 9, 3, 1};
        return value / kPowers[p % 5] % 3;
    }
    const std::size_t bit = static_cast<std::size_t>(p) * plane.bits;
    if (bit / 8 >= bytes.size()) return 0;
    return (bytes[bit / 8] >> (8 - plane.bits - bit % 8)) & ((1u << plane.bits) - 1);
}

}  // namespace inkband::check
