// Shared pieces of the tool's unit tests: streams printed in memory, and
// running the built tool as a process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decoder/stream_decoder.h"
#include "inkband/host_raster.h"
#include "inkband/image_input.h"
#include "inkband/modes.h"
#include "inkband/plane_reconstruct.h"

namespace tooltest {

// The built-in test page at this width, halftoned in the mode.
inkband::tool::HostRaster testPageRaster(const inkband::tool::ModeInfo& mode, int width);

// The stream of a job printing the raster; fails the test on a job error.
std::vector<uint8_t> printToMemory(const inkband::tool::HostRaster& raster, int resolution,
                                   int pages = 1);

// Runs the tool with these arguments; returns its exit status (-1 when it
// did not exit normally, e.g. on a crash).  Its stdout goes to `output`.
int runTool(const std::string& arguments, std::string* output = nullptr);

// A scratch folder for this test binary; created on first use.
std::string workDir();

bool writeBytes(const std::string& path, const uint8_t* data, std::size_t size);

// Writes a picture as PNG, a row at a time.
bool writePng(const std::string& path, const inkband::tool::RgbImage& image, std::string& error);

// The preview of a page of the stream data[0 .. size-1], drawn row by row into a picture;
// fails the test when the drawing fails.
inkband::tool::RgbImage previewImage(const uint8_t* data, std::size_t size,
                                     const inkband::decode::Page& page,
                                     const inkband::tool::ModeInfo& mode, int width, int height,
                                     std::size_t thumbnailMemory,
                                     inkband::tool::RebuildCounts* counts = nullptr);

}  // namespace tooltest
