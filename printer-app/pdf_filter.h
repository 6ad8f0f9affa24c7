// PDF documents: Ghostscript's pwgraster device renders each page, in a
// child process, into 8-bit sRGB (colour) or sGray (monochrome) PWG raster
// of the job's content area at the job's resolution; the pages are read
// from the pipe one line at a time and fed through the raster callbacks
// (page_feed.h).
//
//   print-scaling   fit, auto, auto-fit: the page scaled to fit inside the
//                   margins; fill: scaled to fit the whole sheet; none: at
//                   its own size on the whole sheet
//   page-ranges     Ghostscript's FirstPage and LastPage
//   copies          the document rendered once per copy (collated)
//   orientation     landscape turns the page a quarter turn counter-
//                   clockwise on the sheet, reverse landscape clockwise,
//                   reverse portrait upside down (a BeginPage procedure
//                   turns the sheet's coordinates about its centre, scaled
//                   so that the turned sheet fits: exactly fitted for pages
//                   taller than the sheet's proportions, smaller otherwise)
//
// A cancelled job ends the page it is on properly and kills the child.
#pragma once

#include <pappl/pappl.h>

#include <string>
#include <vector>

namespace inkband::papp {

// Ghostscript's options for a job: device, colour, size, scaling, pages.
std::vector<std::string> pdfRenderOptions(const pappl_pr_options_t& options, unsigned width,
                                          unsigned height, bool fitToPage);

// The PostScript that turns each page for orientation-requested, on an area
// of width x height pixels; empty for portrait (and none).
std::string orientationProcedure(const pappl_pr_options_t& options, unsigned width,
                                 unsigned height);

// pappl_mime_filter_cb_t for application/pdf.
bool printPdf(pappl_job_t* job, pappl_device_t* device, void* context);

}  // namespace inkband::papp
