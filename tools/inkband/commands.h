// The tool's two commands, as the command line hands them their options.
// Each returns the process exit status: 0 success, 1 a failed job or an
// invalid stream, 2 a usage or file error.
#pragma once

#include <string>

#include "host/halftone.h"

namespace inkband::tool {

struct PrintOptions {
    std::string input;  // empty: the built-in test page
    std::string output;
    std::string mode;  // empty: the default mode (or the settings record's)
    bool listModes = false;
    int resolution = 300;
    int width = 0;  // 0: pageWidth inches at the resolution
    double pageWidth = 4.0;
    int pages = 1;
    std::string settingsFile;
    float gcr = 1.0f;
    int inkLimit = 400;  // percent of one ink at full
    host::Quality quality = host::Quality::Normal;
    bool alternateSequence = false;
    std::string dumpDir;
    bool quiet = false;
    bool progress = true;  // when stderr is a terminal
};

struct InspectOptions {
    std::string input;
    std::string png;
    bool json = false;
    std::string mode;
    int width = 0;   // 0: from the widest line
    int height = 0;  // 0: to the end of the last band with data
    int page = 1;
    std::string dumpDir;
};

int runPrint(const PrintOptions& options);
int runInspect(const InspectOptions& options);

}  // namespace inkband::tool
