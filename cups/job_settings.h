// The settings record the filter gives the module for a page of a mode.
#pragma once

#include <cstdint>

#include "inkband/inkband.h"
#include "print_modes.h"

namespace inkband::filter {

// Bytes the module's band buffer of one plane holds, its 5-byte band header
// included.
inline constexpr int32_t kBandBufferBytes = 62464;

// Rows per band the module uses for a settings resolution value: 300 gives
// 8, 600 gives 16, anything else 1.
int bandHeightFor(int16_t resolution);

// The resolution value to put in the settings: the vertical resolution when
// it is 300 or 600 dpi and a band of the widest plane fits the band buffer
// even when its lines do not compress at all; otherwise 0, which gives
// one-row bands, so that very wide pages still fit.
int16_t settingsResolution(const PrintMode& mode, int16_t width, unsigned verticalDpi);

// Settings of the mode for lines of `width` pixels.
JobSettings makeJobSettings(const PrintMode& mode, int16_t width, unsigned verticalDpi);

}  // namespace inkband::filter
