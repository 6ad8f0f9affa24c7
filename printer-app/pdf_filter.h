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
//   orientation     landscape and reverse orientations turn the page on
//                   the sheet before it is scaled
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

// pappl_mime_filter_cb_t for application/pdf.
bool printPdf(pappl_job_t* job, pappl_device_t* device, void* context);

}  // namespace inkband::papp
