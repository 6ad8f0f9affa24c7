#include "host/job_settings.h"

#include <cstring>

namespace inkband::host {

namespace {

// Worst case of one coded line: the bytes themselves, a count byte for every
// 128 of them, two bytes for every run of up to 128 leading zero bytes, the
// end-of-line byte and some slack.
int32_t worstLineBytes(int32_t lineBytes) { return lineBytes + lineBytes / 64 + 8; }

}  // namespace

int bandHeightFor(int16_t resolution) {
    if (resolution == 300) return 8;
    if (resolution == 600) return 16;
    return 1;
}

int16_t fittingResolution(const ModeInfo& mode, int16_t width, unsigned verticalDpi) {
    if (verticalDpi != 300 && verticalDpi != 600) return 0;
    const auto resolution = static_cast<int16_t>(verticalDpi);
    int bits = 0;
    for (const WirePlane& w : mode.wires)
        if (w.bits > bits) bits = w.bits;
    const int32_t lineBytes = (static_cast<int32_t>(width) * bits + 7) / 8;
    const int32_t band = 5 + bandHeightFor(resolution) * worstLineBytes(lineBytes);
    return band <= kBandBufferBytes ? resolution : 0;
}

JobSettings makeJobSettings(const ModeInfo& mode, int16_t lineWidth, int16_t resolution,
                            bool alternateSequence) {
    JobSettings settings;
    std::memset(&settings, 0, sizeof settings);
    settings.modeRowCode = mode.rowCode;
    settings.modeColumnCode = mode.columnCode;
    settings.modeOptionA = mode.optionA;
    settings.modeOptionB = mode.optionB;
    settings.modeOptionC = mode.optionC;
    settings.lineWidth = lineWidth;
    settings.resolution = resolution;
    settings.altSequenceRequest = alternateSequence ? 1 : 0;
    return settings;
}

}  // namespace inkband::host
