// A picture as 8-bit RGB pixels, rows top down: what the tool reads from
// image files and what the built-in test page is drawn into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace inkband::host {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes, rows top down

    const uint8_t* pixel(int x, int y) const {
        return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    }
};

}  // namespace inkband::host
