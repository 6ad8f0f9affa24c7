// Reference model for round-trip tests: what the printer must receive for a
// plane line, computed pixel by pixel, independently of the module's code.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "support/job_driver.h"

namespace testjob {

// A print mode as the tests know it: settings codes, the letters of its
// output planes and the depth and packing of each source plane.
struct ModeCase {
    const char* name;
    int16_t rowCode, columnCode, optionA, optionB, optionC;
    int16_t modeClass;
    std::vector<uint8_t> letters;  // output planes, in order
    std::vector<int> depths;       // bits per pixel of each source plane
    std::vector<bool> ternary;     // packing of each source plane
};

// Every combination that settings can reach, ten-plane classes last.
const std::vector<ModeCase>& reachableModes();

// Pixel value p of a packed line.
int pixelAt(const std::vector<uint8_t>& bytes, int bitsPerPixel, int p);

// The bytes the printer must receive for this plane line in an ordinary
// mode: the span's pixels (the caller keeps pixels outside it zero),
// ternary-packed where the mode asks, trailing zero bytes dropped; empty for
// a blank line.
std::vector<uint8_t> expectedOrdinaryLine(const PlaneSpec& plane, int bitsPerPixel, bool ternary);

// Random plane content of a given kind, with zero pixels outside the span.
enum class Content { Null, BlankByLeft, Empty, Sparse, Dense, Runs, Noise };
PlaneSpec randomPlane(std::mt19937& rng, Content kind, int16_t width, int bitsPerPixel,
                      int maxLevel);

}  // namespace testjob
