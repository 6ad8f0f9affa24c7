// Writing an RGB PNG a row at a time through libpng, so that a picture of
// any height needs memory for one row.  libpng reports errors by a long
// jump; each call here catches it and returns false with a message.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace inkband::tool {

struct PngRowWriter {
    std::FILE* file = nullptr;
    void* png = nullptr;   // png_structp
    void* info = nullptr;  // png_infop
    std::string path;
    char message[256] = {};
};

// Creates the file and writes the header of a width x height 8-bit RGB
// picture.  On failure nothing is left open.
bool pngOpen(PngRowWriter& writer, const std::string& path, int width, int height,
             std::string& error);

// Writes the next row, width * 3 bytes.
bool pngWriteRow(PngRowWriter& writer, const uint8_t* rgb, std::string& error);

// Writes the end of the picture (all rows written) and closes the file.
bool pngFinish(PngRowWriter& writer, std::string& error);

// Releases everything; for a writer given up before pngFinish.
void pngAbandon(PngRowWriter& writer);

}  // namespace inkband::tool
