#include "inkband/host_raster.h"

#include <algorithm>

namespace inkband::tool {

HostRaster halftoneImage(const RgbImage& image, const ModeInfo& mode,
                         const LineSettings& settings) {
    HostRaster raster;
    raster.mode = &mode;
    raster.width = image.width;
    raster.height = image.height;
    host::PlaneLines lines;
    if (!host::startPlaneLines(lines, mode, host::PixelFormat::Rgb, image.width, settings).empty())
        return raster;
    for (const SourcePlane& s : mode.sources)
        raster.planes.emplace_back(image.width, image.height, (1 << s.bits) - 1);
    RasterLine line;
    for (int y = 0; y < image.height; ++y) {
        host::makeRasterLine(lines, image.pixel(0, y), y, line);
        for (std::size_t i = 0; i < raster.planes.size(); ++i)
            std::copy(lines.levels[i].begin(), lines.levels[i].end(), raster.planes[i].row(y));
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
