// Pages the application renders itself (PDF pages from Ghostscript, the
// test page) go through the same raster callbacks as PAPPL's: the page is
// the whole sheet at the job's resolution (PAPPL's header for the job), the
// picture is placed in its content area, and every line of the sheet,
// white outside the picture, is handed to writeRasterLine in turn.
#pragma once

#include <pappl/pappl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace inkband::papp {

// Where the picture lies on the sheet, in pixels.
struct ContentArea {
    unsigned left = 0, top = 0, width = 0, height = 0;
};

// The sheet inside its margins, or the whole sheet.
ContentArea contentArea(const pappl_pr_options_t& options, bool withinMargins);

// Fills one row of the picture: `width` pixels at the header's pixel size.
// False when the picture has no more rows (its data ended).
using RowSource = std::function<bool(unsigned row, uint8_t* pixels)>;

struct PageResult {
    bool printed = false;   // the page went out, ended properly
    bool complete = false;  // every row came from the source
    bool cancelled = false;
};

// Prints one page: the picture of area.width x area.height pixels, with
// the sheet's header in options->header (8-bit sGray or sRGB, white 255).
// Stops early, ending the page properly, when the job is cancelled or the
// source ends.
PageResult feedPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                    unsigned page, const ContentArea& area, const RowSource& source,
                    std::vector<uint8_t>& line);

}  // namespace inkband::papp
