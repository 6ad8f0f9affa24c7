// pwg_planes RASTER MODE QUALITY OUTDIR: what the host library makes of a
// PWG raster file, the way the printer application's drivers do it
// (raster_output.h: the pixel format of each page header, sGray inverted,
// then host/plane_lines.h), written as one PGM per source plane and page
// (OUTDIR/pageN/<index>-<letter>.pgm), the layout of `inkband inspect
// --dump-planes`, so that the two compare byte for byte.
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "inkband/host_raster.h"
#include "raster_output.h"

namespace host = inkband::host;
namespace tool = inkband::tool;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s RASTER MODE QUALITY OUTDIR\n", argv[0]);
        return 2;
    }
    const host::ModeInfo* mode = host::findMode(argv[2]);
    host::LineSettings settings;
    if (mode == nullptr || !host::parseQuality(argv[3], settings.quality)) {
        std::fprintf(stderr, "pwg_planes: unknown mode or quality\n");
        return 2;
    }
    const int fd = open(argv[1], O_RDONLY);
    cups_raster_t* raster = fd < 0 ? nullptr : cupsRasterOpen(fd, CUPS_RASTER_READ);
    if (raster == nullptr) {
        std::fprintf(stderr, "pwg_planes: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> letters;
    for (const host::SourcePlane& s : mode->sources)
        letters.push_back(static_cast<uint8_t>(s.letter));
    cups_page_header2_t header;
    int page = 0;
    while (cupsRasterReadHeader2(raster, &header)) {
        ++page;
        host::PixelFormat format;
        bool invert = false;
        std::string error = inkband::papp::pixelFormatOf(header, format, invert);
        host::PlaneLines lines;
        if (error.empty())
            error = host::startPlaneLines(lines, *mode, format, static_cast<int>(header.cupsWidth),
                                          settings);
        if (!error.empty()) {
            std::fprintf(stderr, "pwg_planes: page %d: %s\n", page, error.c_str());
            return 1;
        }
        const int width = static_cast<int>(header.cupsWidth);
        const int height = static_cast<int>(header.cupsHeight);
        std::vector<tool::PlaneImage> planes;
        for (const host::SourcePlane& s : mode->sources)
            planes.emplace_back(width, height, (1 << s.bits) - 1);
        std::vector<uint8_t> pixels(header.cupsBytesPerLine);
        for (int y = 0; y < height; ++y) {
            if (cupsRasterReadPixels(raster, pixels.data(), header.cupsBytesPerLine) !=
                header.cupsBytesPerLine) {
                std::fprintf(stderr, "pwg_planes: page %d ends at line %d\n", page, y);
                return 1;
            }
            if (invert)
                for (uint8_t& v : pixels) v = static_cast<uint8_t>(255 - v);
            RasterLine line;
            host::makeRasterLine(lines, pixels.data(), y, line);
            for (std::size_t p = 0; p < planes.size(); ++p)
                std::copy(lines.levels[p].begin(), lines.levels[p].end(), planes[p].row(y));
        }
        if (!tool::dumpPlanes(std::string(argv[4]) + "/page" + std::to_string(page), planes,
                              letters, error)) {
            std::fprintf(stderr, "pwg_planes: %s\n", error.c_str());
            return 1;
        }
        std::printf("page %d: %d x %d\n", page, width, height);
    }
    cupsRasterClose(raster);
    close(fd);
    return page > 0 ? 0 : 1;
}
