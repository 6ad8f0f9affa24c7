// Shared pieces of the tool's unit tests: streams printed in memory, and
// running the built tool as a process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inkband/host_raster.h"
#include "inkband/modes.h"

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

}  // namespace tooltest
