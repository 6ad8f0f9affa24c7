#include "job_settings.h"

#include <cstring>

namespace inkband::filter {

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

int16_t settingsResolution(const PrintMode& mode, int16_t width, unsigned verticalDpi) {
    if (verticalDpi != 300 && verticalDpi != 600) return 0;
    const auto resolution = static_cast<int16_t>(verticalDpi);
    int bits = 0;
    for (int i = 0; i < mode.planeCount; ++i)
        if (mode.planes[i].bits > bits) bits = mode.planes[i].bits;
    const int32_t lineBytes = (static_cast<int32_t>(width) * bits + 7) / 8;
    const int32_t band = 5 + bandHeightFor(resolution) * worstLineBytes(lineBytes);
    return band <= kBandBufferBytes ? resolution : 0;
}

JobSettings makeJobSettings(const PrintMode& mode, int16_t width, unsigned verticalDpi) {
    JobSettings settings;
    std::memset(&settings, 0, sizeof settings);
    settings.modeRowCode = mode.rowCode;
    settings.modeColumnCode = mode.columnCode;
    settings.modeOptionA = mode.optionA;
    settings.modeOptionB = mode.optionB;
    settings.modeOptionC = mode.optionC;
    settings.lineWidth = width;
    settings.resolution = settingsResolution(mode, width, verticalDpi);
    return settings;
}

}  // namespace inkband::filter
