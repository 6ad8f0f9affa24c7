// What the speed benchmarks share: CPU time of this process and of
// children, running Ghostscript (or any command) as a timed child, finding
// the dense benchmark page (page 1 of Ghostscript's image-qa.ps), and a
// host's own work on a page held in memory, timed and reported per mode:
// every line separated, halftoned, packed and handed to the module, the
// pieces counted, not written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/plane_lines.h"

namespace inkband::bench {

// Every figure is the fastest of this many runs.
inline constexpr int kWorkRuns = 3;

// CPU seconds used so far by this process.
double cpuSeconds();

// Runs the command (argv[0] looked up in PATH), its output thrown away;
// returns its CPU seconds.  Exits the benchmark when it fails.
double childSeconds(const std::vector<std::string>& argv);

// The page to render: the program's argument, or else image-qa.ps as
// libgs10-common installs it; an empty string, after a message, when there
// is neither.
std::string sourceArgument(int argc, char** argv);

// The work of a host on one page of `height` lines of `bytesPerLine` bytes,
// `width` pixels of `format` each, at `dpi`, in a mode and quality; the
// stream's size in *streamBytes.  Exits the benchmark when the module
// refuses the page.
double pageWorkSeconds(const uint8_t* raster, std::size_t bytesPerLine, int width, int height,
                       host::PixelFormat format, unsigned dpi, const host::ModeInfo& mode,
                       host::Quality quality, uint64_t* streamBytes);

// Runs pageWorkSeconds kWorkRuns times for every mode at normal and high
// quality and prints a row per mode (the first column headed
// `firstColumn`): seconds, their ratio to `gsSeconds`, the stream's size;
// then whether the targets hold (normal under 1x, high under 2x
// Ghostscript's time).  True when they do in every mode.
bool reportModes(const uint8_t* raster, std::size_t bytesPerLine, int width, int height,
                 host::PixelFormat format, unsigned dpi, double gsSeconds, const char* firstColumn);

}  // namespace inkband::bench
