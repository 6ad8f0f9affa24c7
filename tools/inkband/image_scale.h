// Resampling a picture to the page's pixel grid.
#pragma once

#include "inkband/image_input.h"

namespace inkband::tool {

// The picture resampled to width x height: each axis is averaged over the
// source pixels an output pixel covers when it shrinks, and interpolated
// linearly between the nearest source pixels when it grows.
RgbImage scaleImage(const RgbImage& source, int width, int height);

// The height that keeps the picture's aspect ratio at the given width (at
// least 1).
int scaledHeight(const RgbImage& source, int width);

}  // namespace inkband::tool
