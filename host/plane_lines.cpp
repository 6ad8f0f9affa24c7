#include "host/plane_lines.h"

#include "host/job_settings.h"
#include "host/plane_packing.h"

namespace inkband::host {

namespace {

// Where each ink reads the dither matrix (see halftone.h), by Ink: every ink
// at its own offset, except light black, which reads black's offset upside
// down, so that its dots and black's fall on different pixels.
constexpr int kPhaseOfInk[kInkCount] = {0, 1, 2, 3, 3, 4};

}  // namespace

std::string startPlaneLines(PlaneLines& lines, const ModeInfo& mode, PixelFormat format, int width,
                            const LineSettings& settings) {
    if (width <= 0 || width > kMaxLineWidth)
        return "a page " + std::to_string(width) + " pixels wide (the printer takes 1 to " +
               std::to_string(kMaxLineWidth) + ")";
    lines.mode = &mode;
    lines.format = format;
    lines.width = width;
    lines.planeCount = static_cast<int>(mode.sources.size());
    lines.separation = makeSeparation(mode, settings.separation);
    startHalftone(lines.halftone, settings.quality, width);
    for (int p = 0; p < lines.planeCount; ++p) {
        const SourcePlane& s = mode.sources[static_cast<std::size_t>(p)];
        addHalftonePlane(lines.halftone, s.maxLevel, kPhaseOfInk[static_cast<int>(s.ink)],
                         s.ink == Ink::LightBlack);
        lines.amounts[p].assign(static_cast<std::size_t>(width), 0);
        lines.levels[p].assign(static_cast<std::size_t>(width), 0);
        lines.packed[p].assign(packedBytes(width, s.bits), 0);
    }
    return {};
}

bool makeRasterLine(PlaneLines& lines, const uint8_t* pixels, int32_t y, RasterLine& out) {
    uint8_t* amounts[kMaxSourcePlanes];
    uint8_t* levels[kMaxSourcePlanes];
    for (int p = 0; p < lines.planeCount; ++p) {
        amounts[p] = lines.amounts[p].data();
        levels[p] = lines.levels[p].data();
    }
    separateLine(lines.separation, lines.format, pixels, lines.width, amounts);
    bool inked[kMaxSourcePlanes] = {};
    halftoneLine(lines.halftone, amounts, y, levels, inked);

    out = RasterLine{};
    out.line = y;
    bool any = false;
    for (int p = 0; p < lines.planeCount; ++p) {
        const SourcePlane& s = lines.mode->sources[static_cast<std::size_t>(p)];
        PlaneLine& plane = out.planes[p];
        plane.width = static_cast<int16_t>(lines.width);
        int first = 0, last = 0;
        if (!inked[p] || !levelSpan(levels[p], lines.width, first, last)) {
            plane.data = nullptr;  // no ink on this line
            plane.left = plane.width;
            continue;
        }
        any = true;
        packLevels(levels[p], lines.width, s.bits, lines.packed[p].data());
        plane.data = lines.packed[p].data();
        plane.left = static_cast<int16_t>(first);
        plane.right = static_cast<int16_t>(lines.width - 1 - last);
    }
    return any;
}

}  // namespace inkband::host
