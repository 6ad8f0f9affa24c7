#include "codec/line_encoder.h"
#include "codec/run_coder.h"

namespace inkband {

int16_t encodeRuns(uint8_t* dst, const uint8_t* src, int16_t count) {
    if (count <= 0) return 0;
    return static_cast<int16_t>(detail::codeRunsAt<false>(bestSimdLevel(), dst, src, count));
}

}  // namespace inkband
