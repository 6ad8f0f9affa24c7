// inkband_raster_check RASTER STREAM [--tints FILE]
//
// Checks a stream written by rastertoinkband against the CUPS raster it was
// given (8-bit contone, as the filter reads it): the stream decodes, holds
// one page per raster page with the filter's band height and no data below
// a page, past its edge or on planes its mode does not have, and on every
// plane the halftoned levels match the separated ink amounts to within 2 %
// of full scale over 1 mm cells (page_check.h).  With --tints, the patches
// of the file (tint_patches.h: "name percent x y w h" in points from the
// page's lower left corner) are judged on the first page: tints print, each
// step of a bar prints darker than the one before, full-black text prints
// at darkness 0.95 or more.
//
// Prints one line per page and plane with its cell error, one per bar and
// text box, the faults, one line per page ending in ": ok" or ": FAILED",
// and a summary line.  Exit status 0 when everything passed, 1 when not, 2
// when the files cannot be read.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "job_check.h"
#include "tint_patches.h"

int main(int argc, char** argv) {
    const char* tints = nullptr;
    if (argc == 5 && std::strcmp(argv[3], "--tints") == 0) tints = argv[4];
    if (argc != 3 && tints == nullptr) {
        std::fprintf(stderr, "usage: %s RASTER STREAM [--tints FILE]\n", argv[0]);
        return 2;
    }
    std::vector<inkband::check::Patch> patches;
    std::string error;
    if (tints != nullptr && !inkband::check::readPatches(tints, patches, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
    const std::vector<uint8_t> stream((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
    const inkband::check::JobReport report =
        inkband::check::checkRasterFile(argv[1], stream, patches);
    std::fputs(inkband::check::reportText(report).c_str(), stdout);
    return inkband::check::passed(report) ? 0 : 1;
}
