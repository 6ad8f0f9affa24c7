#include "inkband/host_raster.h"

namespace inkband::tool {

HostRaster halftoneImage(const RgbImage& image, const ModeInfo& mode,
                         const HalftoneSettings& settings) {
    HostRaster raster;
    raster.mode = &mode;
    raster.width = image.width;
    raster.height = image.height;
    for (const SourcePlane& s : mode.sources)
        raster.planes.emplace_back(image.width, image.height, (1 << s.bits) - 1);

    const InkSet inks = inkSetOf(mode);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.pixel(x, y);
            const InkAmounts amounts = separatePixel(p[0], p[1], p[2], inks, settings.separation);
            for (std::size_t i = 0; i < mode.sources.size(); ++i) {
                const SourcePlane& s = mode.sources[i];
                const float t = ditherThreshold(settings.matrix, x, y, static_cast<int>(i));
                raster.planes[i].row(y)[x] =
                    static_cast<uint8_t>(halftoneLevel(amountOf(amounts, s.ink), s.maxLevel, t));
            }
        }
    return raster;
}

bool dumpPlanes(const std::string& dir, const std::vector<PlaneImage>& planes,
                const std::vector<uint8_t>& letters, std::string& error) {
    if (!makeDirectory(dir, error)) return false;
    for (std::size_t i = 0; i < planes.size(); ++i)
        if (!writePgm(dir + "/" + planeFileName(static_cast<int>(i), letters[i]), planes[i], error))
            return false;
    return true;
}

}  // namespace inkband::tool
