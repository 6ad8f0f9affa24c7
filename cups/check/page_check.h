// Compares one page of CUPS raster with the page the filter's stream holds
// for it.  The mode, quality and ink limit come from the page header as the
// filter reads it (filter::setUpPage); each raster line is separated into
// the mode's ink amounts with the filter's settings (host::separateLine),
// and each source plane's levels are read back from the stream
// (stream_levels.h).  Halftoning is judged over 1 mm cells (round(dpi /
// 25.4) pixels square, less at the page's right and bottom edges): per
// plane, the mean over all cells of the page of
//
//     | mean level / maxLevel  -  mean amount / 255 |
//
// must stay below kMaxCellError.  Also faults: a band height other than the
// filter's, plane data below the page, past its right edge or on planes the
// mode does not have, levels above a plane's highest level (or, split,
// pairs no level gives), bytes that are no ternary digits, and a raster
// that ends inside the page.
//
// Patches (tint_patches.h) are judged by darkness, 1 - luminance (Rec. 601
// weights) of the printed inks, each level a coverage of level / maxLevel:
// C absorbs red, M green, Y blue; K and H absorb all three, k half of all
// three.  The ink model is the one of the tool's preview.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "decoder/stream_decoder.h"
#include "host/halftone.h"
#include "host/print_modes.h"
#include "tint_patches.h"

namespace inkband::check {

inline constexpr double kMaxCellError = 0.02;  // of full scale
inline constexpr double kTextDarkness = 0.95;  // least darkness of full-black text

struct PlaneFigure {
    char letter = 0;
    int maxLevel = 0;
    double cellError = 0;  // the mean cell difference, checked against kMaxCellError
    double worstCell = 0;  // the largest cell difference
};

struct PatchFigure {
    Patch patch;
    bool inked = false;       // the raster separates to some ink inside the box
    bool printed = false;     // some plane has a level above 0 inside the box
    double darkness = 0;      // tint: mean printed darkness over the box's interior
    double expected = 0;      // tint: the same of the separated amounts
    int64_t blackPixels = 0;  // text: pixels the raster holds at full black
    int64_t palePixels = 0;   // text: of those, pixels printed lighter than kTextDarkness
    double lightest = 1;      // text: darkness of the lightest of those
};

struct PageReport {
    int number = 0;
    const host::ModeInfo* mode = nullptr;  // null: the page could not be compared
    host::Quality quality = host::Quality::Normal;
    int inkLimit = 0;
    unsigned width = 0, height = 0, xDpi = 0, yDpi = 0;
    int bandHeight = 0;
    int cellWidth = 0, cellHeight = 0;
    std::vector<PlaneFigure> planes;  // one per source plane
    std::vector<PatchFigure> patches;
    std::vector<std::string> faults;  // empty: the page passed
};

// Reads the next raster line of `bytes` bytes; false at the end of the data.
using LineReader = std::function<bool(uint8_t* line, unsigned bytes)>;

// Reads the page's lines with `readLine` (all of them, also when the page
// cannot be compared) and compares them with `page`, the stream's page
// (null: missing from the stream).  `patches` (may be null) lie on this
// page.
PageReport checkPage(int number, const cups_page_header2_t& header, const LineReader& readLine,
                     const decode::Page* page, const std::vector<Patch>* patches);

// Lines describing the page: one per plane with its cell error, one per
// bar and text box, one per fault, and a last one that ends in ": ok" or
// ": FAILED".
std::string pageText(const PageReport& report);

}  // namespace inkband::check
