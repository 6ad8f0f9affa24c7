#include "pdf_filter.h"

#include <cups/raster.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "ghostscript_process.h"
#include "page_feed.h"
#include "raster_output.h"

namespace inkband::papp {

namespace {

struct PdfRun {
    unsigned pages = 0;  // pages printed so far, every copy
    bool failed = false;
    bool cancelled = false;
};

// Renders the document once and prints its pages.
void printOnce(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
               const ContentArea& area, const std::vector<std::string>& arguments, PdfRun& run) {
    GhostscriptProcess process;
    std::string error;
    if (!startGhostscript(process, job, arguments, error)) {
        failJob(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, "Cannot print the PDF: " + error + ".");
        run.failed = true;
        return;
    }
    cups_raster_t* raster = cupsRasterOpen(process.raster, CUPS_RASTER_READ);
    cups_page_header2_t header;
    std::vector<uint8_t> rendered, line;
    unsigned pagesThisRun = 0;
    while (raster != nullptr && !run.failed && !run.cancelled &&
           cupsRasterReadHeader2(raster, &header)) {
        if (header.cupsBitsPerPixel != options->header.cupsBitsPerPixel ||
            header.cupsColorSpace != options->header.cupsColorSpace || header.cupsWidth == 0) {
            failJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                    "Ghostscript rendered a page in another raster format.");
            run.failed = true;
            break;
        }
        rendered.resize(header.cupsBytesPerLine);
        const std::size_t copyBytes = std::min<std::size_t>(
            header.cupsBytesPerLine, std::size_t{area.width} * header.cupsBitsPerPixel / 8);
        const unsigned height = std::min(header.cupsHeight, area.height);
        const RowSource source = [&](unsigned row, uint8_t* pixels) {
            if (row >= height) {
                std::memset(pixels, 255, copyBytes);
                return true;
            }
            if (cupsRasterReadPixels(raster, rendered.data(), header.cupsBytesPerLine) !=
                header.cupsBytesPerLine)
                return false;
            std::memcpy(pixels, rendered.data(), copyBytes);
            return true;
        };
        ++pagesThisRun;
        const PageResult result = feedPage(job, options, device, run.pages + 1, area, source, line);
        if (result.printed) {
            ++run.pages;
            papplJobSetImpressionsCompleted(job, 1);
        }
        run.cancelled = result.cancelled;
        if (!result.printed) run.failed = true;
        if (!result.complete && !result.cancelled && result.printed) {
            failJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                    "The PDF's page " + std::to_string(pagesThisRun) +
                        " ended early: the document is damaged.");
            run.failed = true;
        }
        // Lines of the rendered page below the content area are skipped.
        for (unsigned y = height; y < header.cupsHeight && !run.failed && !run.cancelled; ++y)
            if (cupsRasterReadPixels(raster, rendered.data(), header.cupsBytesPerLine) !=
                header.cupsBytesPerLine)
                break;
    }
    if (raster != nullptr) cupsRasterClose(raster);
    int status = finishGhostscript(process, run.cancelled || run.failed);
    if (run.cancelled || run.failed) return;
    // Ghostscript may end with success on a document it could not read,
    // having rendered nothing: its complaint is then the job's message.
    if (status == 0 && pagesThisRun == 0 && !process.lastError.empty()) status = 1;
    if (status != 0) {
        std::string message = "Ghostscript could not render the PDF";
        if (!process.lastError.empty()) message += ": " + process.lastError;
        failJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, message + ".");
        run.failed = true;
    }
}

}  // namespace

std::vector<std::string> pdfRenderOptions(const pappl_pr_options_t& options, unsigned width,
                                          unsigned height, bool fitToPage) {
    const cups_page_header2_t& h = options.header;
    std::vector<std::string> args = {
        "-dcupsColorSpace=" + std::to_string(h.cupsColorSpace),
        "-dcupsBitsPerColor=8",
        "-r" + std::to_string(h.HWResolution[0]) + "x" + std::to_string(h.HWResolution[1]),
        "-dDEVICEWIDTH=" + std::to_string(width),
        "-dDEVICEHEIGHT=" + std::to_string(height),
        "-dFIXEDMEDIA",
    };
    if (fitToPage) args.push_back("-dPDFFitPage");
    if (options.first_page > 1) args.push_back("-dFirstPage=" + std::to_string(options.first_page));
    if (options.last_page < static_cast<unsigned>(INT_MAX) && options.last_page >= 1)
        args.push_back("-dLastPage=" + std::to_string(options.last_page));
    return args;
}

std::string orientationProcedure(const pappl_pr_options_t& options, unsigned width,
                                 unsigned height) {
    int degrees = 0;
    switch (options.orientation_requested) {
        case IPP_ORIENT_LANDSCAPE:
            degrees = 90;
            break;
        case IPP_ORIENT_REVERSE_LANDSCAPE:
            degrees = -90;
            break;
        case IPP_ORIENT_REVERSE_PORTRAIT:
            degrees = 180;
            break;
        default:
            return {};
    }
    // The area in points; a quarter turn shrinks it by the ratio of its
    // sides so that the turned area fits.
    const double w = width * 72.0 / options.header.HWResolution[0];
    const double h = height * 72.0 / options.header.HWResolution[1];
    const double scale = degrees == 180 ? 1.0 : std::min(w, h) / std::max(w, h);
    char text[256];
    std::snprintf(text, sizeof text,
                  "<< /BeginPage { pop %.3f %.3f translate %d rotate %.6f %.6f scale %.3f %.3f "
                  "translate } >> setpagedevice",
                  w / 2, h / 2, degrees, scale, scale, -w / 2, -h / 2);
    return text;
}

bool printPdf(pappl_job_t* job, pappl_device_t* device, void* context) {
    (void)context;
    // PAPPL 1.3.1 removes the file of a job cancelled just as it starts: the
    // job then arrives here without one.
    const char* name = papplJobGetFilename(job);
    if (name == nullptr || papplJobIsCanceled(job)) {
        failJob(job, PAPPL_JREASON_NONE, "The job has no document to print.");
        return false;
    }
    const std::string filename = name;
    pappl_pr_options_t* options = papplJobCreatePrintOptions(job, 0, true);
    if (options == nullptr) return false;
    const pappl_scaling_t scaling = options->print_scaling;
    const bool withinMargins = scaling != PAPPL_SCALING_NONE && scaling != PAPPL_SCALING_FILL;
    const ContentArea area = contentArea(*options, withinMargins);
    const std::vector<std::string> arguments = ghostscriptArguments(
        pdfRenderOptions(*options, area.width, area.height, scaling != PAPPL_SCALING_NONE),
        orientationProcedure(*options, area.width, area.height), filename);

    PdfRun run;
    const bool started = startRasterJob(job, options, device);
    run.failed = !started;
    const int copies = std::max(1, options->copies);
    for (int copy = 0; copy < copies && !run.failed && !run.cancelled; ++copy) {
        if (papplJobIsCanceled(job)) break;
        printOnce(job, options, device, area, arguments, run);
        if (copy == 0 && run.pages == 0 && !run.failed && !run.cancelled) {
            papplLogJob(job, PAPPL_LOGLEVEL_INFO, "No pages to print.");
            break;
        }
    }
    if (started && !endRasterJob(job, options, device)) run.failed = true;
    papplJobSetImpressions(job, static_cast<int>(run.pages));
    papplJobDeletePrintOptions(options);
    return !run.failed;
}

}  // namespace inkband::papp
