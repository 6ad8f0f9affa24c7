// A plane as levels, one byte per pixel: what the tool halftoned for a
// source plane, or what a stream decodes back to.  Planes are written as
// binary PGM files (P5, maxval 2^bits - 1) so they can be viewed and
// compared byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace inkband::tool {

struct PlaneImage {
    int width = 0;
    int height = 0;
    int maxValue = 1;  // written as the PGM maxval
    std::vector<uint8_t> levels;

    PlaneImage() = default;
    PlaneImage(int w, int h, int maxV)
        : width(w),
          height(h),
          maxValue(maxV),
          levels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0) {}
    uint8_t* row(int y) { return &levels[static_cast<std::size_t>(y) * width]; }
    const uint8_t* row(int y) const { return &levels[static_cast<std::size_t>(y) * width]; }
};

// Writes the plane as P5; false with a message on an I/O error.
bool writePgm(const std::string& path, const PlaneImage& plane, std::string& error);

// The dump file name of a plane: "<index>-<letter>.pgm", letters with bit 7
// set written as the letter and "2" ("5-C2.pgm").  The index keeps K and k
// apart on file systems that ignore case.
std::string planeFileName(int index, uint8_t letter);

// Creates the directory (and its parents) when missing.
bool makeDirectory(const std::string& path, std::string& error);

}  // namespace inkband::tool
