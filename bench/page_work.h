// What the speed benchmarks share: CPU time of this process and of
// children, running Ghostscript (or any command) as a timed child, finding
// the dense benchmark page (page 1 of Ghostscript's image-qa.ps), and a
// host's own work on a page held in memory: every line separated,
// halftoned, packed and handed to the module, the pieces counted, not
// written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/plane_lines.h"

namespace inkband::bench {

// CPU seconds used so far by this process.
double cpuSeconds();

// Runs the command (argv[0] looked up in PATH), its output thrown away;
// returns its CPU seconds.  Exits the benchmark when it fails.
double childSeconds(const std::vector<std::string>& argv);

// image-qa.ps as libgs10-common installs it, or an empty string.
std::string denseSource();

// The work of a host on one page of `height` lines of `bytesPerLine` bytes,
// `width` pixels of `format` each, at `dpi`, in a mode and quality; the
// stream's size in *streamBytes.  Exits the benchmark when the module
// refuses the page.
double pageWorkSeconds(const uint8_t* raster, std::size_t bytesPerLine, int width, int height,
                       host::PixelFormat format, unsigned dpi, const host::ModeInfo& mode,
                       host::Quality quality, uint64_t* streamBytes);

}  // namespace inkband::bench
