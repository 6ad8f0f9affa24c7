// inkband_filter_work [SOURCE]
//
// Whether halftoning makes printing slow: the filter's own work on a page
// against Ghostscript's rendering of the same page, measured side by side in
// one run.  Ghostscript renders SOURCE (default: page 1 of image-qa.ps, the
// dense benchmark page) at 600 dpi A4 to the 8-bit CMYK raster the PPD asks
// for, three times; then, on that page held in memory, the work the filter
// does per page (separation, halftoning, packing, the module's calls; no
// raster decoding, no output) runs three times for every mode at normal and
// high quality.  Each figure is the fastest of its three runs, in CPU
// seconds of the process doing the work.  The targets: normal under 1x
// Ghostscript's time, high under 2x.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cups_page.h"
#include "page_work.h"

using namespace inkband;

namespace {

// Ghostscript's CPU seconds for one rendering of the page into `raster`:
// the 8-bit CMYK CUPS raster the PPD asks for.
double renderSeconds(const std::string& source, const std::string& raster) {
    return bench::childSeconds({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-r600",
                                "-sPAPERSIZE=a4", "-dFIXEDMEDIA", "-dFirstPage=1", "-dLastPage=1",
                                "-sDEVICE=cups", "-dcupsColorSpace=6", "-dcupsColorOrder=0",
                                "-dcupsBitsPerColor=8", "-sOutputFile=" + raster, source});
}

}  // namespace

int main(int argc, char** argv) {
    const std::string source = bench::sourceArgument(argc, argv);
    if (source.empty()) return 1;
    char dir[] = "/tmp/inkband-filter-work-XXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    const std::string raster = std::string(dir) + "/page.ras";

    double gs = 1e9;
    for (int i = 0; i < bench::kWorkRuns; ++i) gs = std::min(gs, renderSeconds(source, raster));
    bench::CupsPage page;
    std::string error;
    if (!bench::loadCupsPage(raster, &page, &error) || page.bitsPerColor != 8 ||
        page.colorSpace != 6) {
        std::fprintf(stderr, "cannot read the rendered page: %s\n", error.c_str());
        return 1;
    }
    std::remove(raster.c_str());
    rmdir(dir);

    std::printf("page: %s, %u x %u pixels, 8-bit CMYK\n", source.c_str(), page.width, page.height);
    std::printf("Ghostscript rendering: %.3f s CPU\n\n", gs);
    const bool met =
        bench::reportModes(page.raster.data(), page.bytesPerLine, static_cast<int>(page.width),
                           static_cast<int>(page.height), host::PixelFormat::Cmyk, 600, gs, "mode");
    return met ? 0 : 1;
}
