// The vector levels this processor offers, for tests that hold every level
// of a routine to the same result.
#pragma once

#include <vector>

#include "platform/instruction_sets.h"

namespace inkband::test {

inline std::vector<SimdLevel> levelsHere() {
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::kPortable, SimdLevel::kSse2, SimdLevel::kAvx2})
        if (simdLevelAvailable(level)) levels.push_back(level);
    return levels;
}

inline const char* nameOf(SimdLevel level) {
    switch (level) {
        case SimdLevel::kSse2:
            return "sse2";
        case SimdLevel::kAvx2:
            return "avx2";
        default:
            return "portable";
    }
}

}  // namespace inkband::test
