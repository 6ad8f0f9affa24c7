// The page as the host hands it over: one halftoned plane per source plane
// of the mode, at the mode's level ranges.
#pragma once

#include <vector>

#include "inkband/halftone.h"
#include "inkband/image_input.h"
#include "inkband/modes.h"
#include "inkband/plane_image.h"
#include "inkband/separation.h"

namespace inkband::tool {

struct HalftoneSettings {
    SeparationSettings separation;
    DitherMatrix matrix = DitherMatrix::Bayer8;
};

struct HostRaster {
    const ModeInfo* mode = nullptr;
    int width = 0;
    int height = 0;
    std::vector<PlaneImage> planes;  // one per source plane, maxValue 2^bits - 1
};

// Separates and halftones a picture already at the page's pixel size.
HostRaster halftoneImage(const RgbImage& image, const ModeInfo& mode,
                         const HalftoneSettings& settings);

// Writes every plane into dir as planeFileName(i, letter).
bool dumpPlanes(const std::string& dir, const std::vector<PlaneImage>& planes,
                const std::vector<uint8_t>& letters, std::string& error);

}  // namespace inkband::tool
