// inkband_papp_work [SOURCE]
//
// Whether the printer application is ever the slow part of printing: its
// own work on a page against Ghostscript's rendering of that page, side by
// side in one run.  SOURCE (default: page 1 of image-qa.ps, the dense
// benchmark page) is first made a one-page PDF (not timed).  Ghostscript
// renders that PDF three times exactly as the application's PDF filter has
// it rendered for a colour job on A4 at 600 dpi (pwgraster, 8-bit sRGB, the
// content area inside the drivers' margins, fitted: pdf_filter.h); the page
// is then placed on the sheet as page_feed.h places it, and the drivers'
// work per page (separation from sRGB, halftoning, packing, the module's
// calls: raster_output.h) runs three times for every mode at normal and
// high quality.  Each figure is the fastest of its three runs, in CPU
// seconds.  The targets: normal under 1x Ghostscript's time, high under 2x.
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "drivers.h"
#include "ghostscript_process.h"
#include "page_feed.h"
#include "page_work.h"
#include "pdf_filter.h"

using namespace inkband;

namespace {

constexpr unsigned kDpi = 600;

// The options of a colour job on A4 at 600 dpi on the drivers' media.
pappl_pr_options_t colourJobOptions() {
    pappl_pr_driver_data_t data{};
    ipp_t* attrs = nullptr;
    papp::fillDriverData(nullptr, "cmyk-4bit", "file:///dev/null", nullptr, &data, &attrs, nullptr);
    ippDelete(attrs);
    pappl_pr_options_t options{};
    options.media = data.media_default;
    cupsRasterInitPWGHeader(&options.header, pwgMediaForPWG(options.media.size_name), "srgb_8",
                            kDpi, kDpi, "one-sided", "normal");
    options.copies = 1;
    options.first_page = 1;
    options.last_page = INT_MAX;
    options.orientation_requested = IPP_ORIENT_PORTRAIT;
    options.print_color_mode = PAPPL_COLOR_MODE_COLOR;
    options.print_quality = IPP_QUALITY_NORMAL;
    options.print_scaling = PAPPL_SCALING_AUTO;
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string source = bench::sourceArgument(argc, argv);
    if (source.empty()) return 1;
    char dir[] = "/tmp/inkband-papp-work-XXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    const std::string pdf = std::string(dir) + "/page.pdf";
    const std::string rendered = std::string(dir) + "/page.pwg";
    bench::childSeconds({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sPAPERSIZE=a4",
                         "-dFIXEDMEDIA", "-dFirstPage=1", "-dLastPage=1", "-sDEVICE=pdfwrite",
                         "-sOutputFile=" + pdf, source});

    const pappl_pr_options_t options = colourJobOptions();
    const papp::ContentArea area = papp::contentArea(options, true);
    std::vector<std::string> command = papp::ghostscriptArguments(
        papp::pdfRenderOptions(options, area.width, area.height, true), "", pdf);
    for (std::string& a : command)
        if (a == "-sOutputFile=-") a = "-sOutputFile=" + rendered;
    double gs = 1e9;
    for (int i = 0; i < bench::kWorkRuns; ++i) gs = std::min(gs, bench::childSeconds(command));

    // The rendered page on the sheet, white outside the content area.
    const cups_page_header2_t& sheet = options.header;
    std::vector<uint8_t> page(std::size_t{sheet.cupsBytesPerLine} * sheet.cupsHeight, 255);
    const int fd = open(rendered.c_str(), O_RDONLY);
    cups_raster_t* raster = fd < 0 ? nullptr : cupsRasterOpen(fd, CUPS_RASTER_READ);
    cups_page_header2_t header;
    if (raster == nullptr || !cupsRasterReadHeader2(raster, &header) ||
        header.cupsBitsPerPixel != 24) {
        std::fprintf(stderr, "cannot read the rendered page\n");
        return 1;
    }
    std::vector<uint8_t> line(header.cupsBytesPerLine);
    const std::size_t copy = std::min<std::size_t>(header.cupsBytesPerLine, area.width * 3u);
    for (unsigned y = 0; y < header.cupsHeight && y < area.height; ++y) {
        if (cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine) !=
            header.cupsBytesPerLine)
            return 1;
        std::memcpy(&page[std::size_t{area.top + y} * sheet.cupsBytesPerLine + area.left * 3u],
                    line.data(), copy);
    }
    cupsRasterClose(raster);
    close(fd);
    std::remove(pdf.c_str());
    std::remove(rendered.c_str());
    rmdir(dir);

    std::printf("page: %s as PDF, %u x %u pixels of 8-bit sRGB on a %u x %u sheet\n",
                source.c_str(), header.cupsWidth, header.cupsHeight, sheet.cupsWidth,
                sheet.cupsHeight);
    std::printf("Ghostscript rendering: %.3f s CPU\n\n", gs);
    const bool met = bench::reportModes(
        page.data(), sheet.cupsBytesPerLine, static_cast<int>(sheet.cupsWidth),
        static_cast<int>(sheet.cupsHeight), host::PixelFormat::Rgb, kDpi, gs, "driver");
    return met ? 0 : 1;
}
