// The settings record a host gives the module for a page of a mode.
#pragma once

#include <cstdint>

#include "host/print_modes.h"
#include "inkband/inkband.h"

namespace inkband::host {

// Bytes the module's band buffer of one plane holds, its 5-byte band header
// included.
inline constexpr int32_t kBandBufferBytes = 62464;

// Widest line the module takes, in pixels.
inline constexpr int kMaxLineWidth = 32767;

// Rows per band the module uses for a settings resolution value: 300 gives
// 8, 600 gives 16, anything else 1.
int bandHeightFor(int16_t resolution);

// The resolution value for a page printed at `verticalDpi`: the dpi itself
// when it is 300 or 600 and a band of the widest plane fits the band buffer
// even when its lines do not compress at all; otherwise 0, which gives
// one-row bands, so that very wide pages still fit.
int16_t fittingResolution(const ModeInfo& mode, int16_t width, unsigned verticalDpi);

// Settings of the mode: its codes, the line width, the resolution value as
// given and the alternate-sequence request.
JobSettings makeJobSettings(const ModeInfo& mode, int16_t lineWidth, int16_t resolution,
                            bool alternateSequence = false);

}  // namespace inkband::host
