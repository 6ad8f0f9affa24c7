// The built-in test page, drawn in code at the page's pixel width: ramps of
// every ink, a colour field, fine lines, text-like detail in black, light
// grey and mid grey, solid areas, and blank stretches between them, with a
// black rule on the last two lines.  Printed in any mode it gives bands
// with colour data, black-only bands, light-black-only bands, blank bands
// skipped at the top and between the areas, and a last band with data.
// The inkband tool prints it when given no picture, the printer
// application as its test page, at the width of the job's page.
#pragma once

#include "host/rgb_image.h"

namespace inkband::host {

// The page's height for a width: its areas grow with the width, and the
// height is rounded up to a whole number of 16-line bands.
int testPageHeight(int width);

RgbImage makeTestPage(int width);

}  // namespace inkband::host
