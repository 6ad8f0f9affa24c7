#include "inkband/image_scale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace inkband::tool {

namespace {

struct Tap {
    int index;
    float weight;
};

// For every output position along one axis, the source positions it reads
// and their weights (summing to 1).
std::vector<std::vector<Tap>> axisTaps(int source, int target) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(target));
    const double step = static_cast<double>(source) / target;
    for (int o = 0; o < target; ++o) {
        std::vector<Tap>& t = taps[static_cast<std::size_t>(o)];
        if (step >= 1.0) {
            // Area average over [o * step, (o + 1) * step).
            const double from = o * step, to = (o + 1) * step;
            for (int s = static_cast<int>(from); s < source && s < to; ++s) {
                const double cover = std::min<double>(s + 1, to) - std::max<double>(s, from);
                if (cover > 0) t.push_back({s, static_cast<float>(cover / step)});
            }
        } else {
            // Linear interpolation between pixel centres.
            const double centre = std::clamp((o + 0.5) * step - 0.5, 0.0, source - 1.0);
            const int left = static_cast<int>(centre);
            const double frac = centre - left;
            t.push_back({left, static_cast<float>(1 - frac)});
            if (left + 1 < source && frac > 0) t.push_back({left + 1, static_cast<float>(frac)});
        }
    }
    return taps;
}

}  // namespace

int scaledHeight(const RgbImage& source, int width) {
    const double h = std::round(static_cast<double>(source.height) * width / source.width);
    return std::max(1, static_cast<int>(h));
}

RgbImage scaleImage(const RgbImage& source, int width, int height) {
    if (source.width == width && source.height == height) return source;
    const auto across = axisTaps(source.width, width);
    const auto down = axisTaps(source.height, height);

    // Rows first, into floats, then columns.
    std::vector<float> rows(static_cast<std::size_t>(width) * source.height * 3, 0.0f);
    for (int y = 0; y < source.height; ++y) {
        float* out = &rows[static_cast<std::size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x, out += 3)
            for (const Tap& tap : across[static_cast<std::size_t>(x)]) {
                const uint8_t* p = source.pixel(tap.index, y);
                for (int c = 0; c < 3; ++c) out[c] += tap.weight * p[c];
            }
    }
    RgbImage scaled;
    scaled.width = width;
    scaled.height = height;
    scaled.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* out = &scaled.rgb[static_cast<std::size_t>(y) * width * 3];
        for (int x = 0; x < width * 3; ++x) {
            float v = 0;
            for (const Tap& tap : down[static_cast<std::size_t>(y)])
                v += tap.weight * rows[static_cast<std::size_t>(tap.index) * width * 3 + x];
            out[x] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        }
    }
    return scaled;
}

}  // namespace inkband::tool
