// The page as the host hands it over: one halftoned plane per source plane
// of the mode, at the mode's level ranges, made line by line by the host
// library (separation, halftoning) from the picture.
#pragma once

#include <vector>

#include "host/plane_lines.h"
#include "inkband/image_input.h"
#include "inkband/modes.h"
#include "inkband/plane_image.h"

namespace inkband::tool {

using host::LineSettings;

struct HostRaster {
    const ModeInfo* mode = nullptr;
    int width = 0;
    int height = 0;
    std::vector<PlaneImage> planes;  // one per source plane, maxValue 2^bits - 1
};

// Separates and halftones a picture already at the page's pixel size.
// Empty planes when the picture is wider than the module takes.
HostRaster halftoneImage(const RgbImage& image, const ModeInfo& mode, const LineSettings& settings);

// Writes every plane into dir as planeFileName(i, letter).
bool dumpPlanes(const std::string& dir, const std::vector<PlaneImage>& planes,
                const std::vector<uint8_t>& letters, std::string& error);

}  // namespace inkband::tool
