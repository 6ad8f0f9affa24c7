// The print jobs a host runs through the ten entry points, bound by name the
// way the driver's rendering component binds them.  The same jobs run on
// Linux (libinkband.so through dlsym) and on Windows (inkband.dll through
// GetProcAddress), so the two builds can be compared byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inkband/inkband.h"

namespace host {

// One function pointer per entry point, of the exact type the public header
// declares.
struct EntryPoints {
    decltype(&OutputOpen) open;
    decltype(&OutputInit) init;
    decltype(&OutputInitTwo) initTwo;
    decltype(&OutputInitPart) initPart;
    decltype(&OutputProduce) produce;
    decltype(&OutputProduceTwo) produceTwo;
    decltype(&OutputComplete) complete;
    decltype(&OutputFlush) flush;
    decltype(&OutputFormFeed) formFeed;
    decltype(&OutputClose) close;
};

// Looks up one exported name in a loaded library; null when it is missing.
using SymbolLookup = void* (*)(void* library, const char* name);

// Binds every entry point through lookup.  Returns false and lists the
// missing names in `missing` (space separated) when any is not exported.
bool bindEntryPoints(SymbolLookup lookup, void* library, EntryPoints& entry, std::string& missing);

// What a run produced: the bytes of every piece in the order a host sends
// them, one log line per call (name, status, pieces), and the first failed
// expectation, if any.
struct Transcript {
    std::vector<std::uint8_t> bytes;
    std::string log;
    std::string failure;
};

// The one-line page of mode class 3 at 300 dpi: line 2 carries 00 F0 in the
// black plane only.
void runSingleLinePage(const EntryPoints& entry, Transcript& out);

// The bytes the single-line page must give.
const std::vector<std::uint8_t>& singleLinePageBytes();

// Several jobs of several pages each over every mode class a host can
// select (1, 3, 4, 5, 7, 8, 10) with 1-, 2-, 4-bit and ternary planes, band
// heights 1, 8 and 16, blank bands, left out lines, an empty page, refused
// calls and the alternate sequence.  Plane lines start at every alignment and
// hold short and long literals, runs and zero stretches.
void runSampleJobs(const EntryPoints& entry, Transcript& out);

}  // namespace host
