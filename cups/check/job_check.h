// Checks a whole stream written by rastertoinkband against the CUPS raster
// it was given: the stream decodes, holds one page per raster page, and
// every page passes checkPage (page_check.h).  The patches lie on the first
// page.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <string>
#include <vector>

#include "page_check.h"
#include "tint_patches.h"

namespace inkband::check {

struct JobReport {
    std::vector<PageReport> pages;
    std::vector<std::string> faults;  // of the job as a whole
    std::size_t streamBytes = 0;
};

JobReport checkJob(cups_raster_t* raster, const std::vector<uint8_t>& stream,
                   const std::vector<Patch>& patches);

// The same with the raster read from a file.
JobReport checkRasterFile(const std::string& rasterPath, const std::vector<uint8_t>& stream,
                          const std::vector<Patch>& patches);

bool passed(const JobReport& report);

// pageText of every page, the job's faults, and a last line that ends in
// ": ok" or ": FAILED".
std::string reportText(const JobReport& report);

}  // namespace inkband::check
