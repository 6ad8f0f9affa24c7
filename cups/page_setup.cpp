#include "page_setup.h"

#include "host/job_settings.h"

namespace inkband::filter {

namespace {

// The colour mode a colour page prints in when its header names no mode:
// the PPD's default choice.
constexpr const char* kDefaultColourMode = "cmyk-4bit";

struct RasterKind {
    cups_cspace_t colorSpace;
    host::PixelFormat format;
    bool invert;
};
constexpr RasterKind kRasterKinds[] = {
    {CUPS_CSPACE_CMYK, host::PixelFormat::Cmyk, false},
    {CUPS_CSPACE_K, host::PixelFormat::Grey, false},
    {CUPS_CSPACE_W, host::PixelFormat::Grey, true},
    {CUPS_CSPACE_SW, host::PixelFormat::Grey, true},
    {CUPS_CSPACE_RGB, host::PixelFormat::Rgb, false},
    {CUPS_CSPACE_SRGB, host::PixelFormat::Rgb, false},
};

// IPP print-quality values (cupsInteger1); 0 (not set) prints normal.
constexpr unsigned kQualityDraft = 3;
constexpr unsigned kQualityHigh = 5;

}  // namespace

const host::ModeInfo* modeForHeader(const cups_page_header2_t& header) {
    if (header.cupsInteger[0] != 0) return host::findModeById(header.cupsInteger[0]);
    const bool grey = header.cupsColorSpace == CUPS_CSPACE_K ||
                      header.cupsColorSpace == CUPS_CSPACE_W ||
                      header.cupsColorSpace == CUPS_CSPACE_SW;
    return host::findMode(grey ? "black" : kDefaultColourMode);
}

std::string setUpPage(const cups_page_header2_t& header, PageSetup& setup) {
    setup.mode = modeForHeader(header);
    if (setup.mode == nullptr)
        return "no print mode has id " + std::to_string(header.cupsInteger[0]) + " (cupsInteger0)";
    const RasterKind* kind = nullptr;
    for (const RasterKind& k : kRasterKinds)
        if (k.colorSpace == header.cupsColorSpace) kind = &k;
    if (kind == nullptr)
        return "colour space " + std::to_string(header.cupsColorSpace) +
               " is not read (CMYK, black, grey or RGB)";
    if (header.cupsBitsPerColor != 8)
        return std::to_string(header.cupsBitsPerColor) +
               "-bit raster is not read: the filter takes 8 bits per colour";
    const unsigned channels = static_cast<unsigned>(host::bytesPerPixel(kind->format));
    if (header.cupsColorOrder != CUPS_ORDER_CHUNKED && channels > 1)
        return "banded or planar raster is not read: the filter takes chunky raster";
    if (header.cupsWidth == 0 || header.cupsWidth > static_cast<unsigned>(host::kMaxLineWidth))
        return "a page " + std::to_string(header.cupsWidth) +
               " pixels wide (the printer takes 1 to " + std::to_string(host::kMaxLineWidth) + ")";
    if (header.cupsBitsPerPixel != 8 * channels ||
        header.cupsBytesPerLine != header.cupsWidth * channels)
        return "the header's bits per pixel or bytes per line do not match its width";

    setup.format = kind->format;
    setup.invert = kind->invert;
    setup.width = header.cupsWidth;
    setup.height = header.cupsHeight;
    setup.bytesPerLine = header.cupsBytesPerLine;
    setup.line = {};
    if (header.cupsInteger[1] == kQualityDraft) setup.line.quality = host::Quality::Draft;
    if (header.cupsInteger[1] == kQualityHigh) setup.line.quality = host::Quality::High;
    if (header.cupsInteger[2] != 0)
        setup.line.separation.inkLimit = static_cast<int>(header.cupsInteger[2]);
    const auto width = static_cast<int16_t>(header.cupsWidth);
    setup.settings = host::makeJobSettings(
        *setup.mode, width, host::fittingResolution(*setup.mode, width, header.HWResolution[1]));
    return {};
}

}  // namespace inkband::filter
