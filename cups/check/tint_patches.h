// The patches of a test page that the checker judges by how dark they
// print, read from a text file, one patch a line:
//
//     name percent x y w h
//
// x y w h: the patch's box in points (1/72 inch) from the lower left corner
// of the page, x to the right, y up, as PostScript and PDF place it (raster
// that covers only the imageable area, as cupsfilter's gstoraster makes it,
// starts at the area's corner, cupsImagingBBox).  Every patch lies on the
// first page of the raster.  `name` sorts it:
//
//   text...   (text-grey, text-rgb) a box holding black text: every pixel
//             the raster holds at full black must print at darkness >= 0.95
//   anything  else (C, M, Y, K, grey, ramp-C, hue-rgb) a tint patch: it must
//             print where its raster has ink, and the patches of the same
//             name form a bar in which each step (by percent) must print
//             darker than the one before where its raster is darker
//
// `percent` is the patch's tint (100 for text).  Lines starting with '#' and
// blank lines are skipped.  The colour test page's script writes this file
// beside the page (tints.txt).
#pragma once

#include <string>
#include <vector>

namespace inkband::check {

enum class PatchKind { Tint, Text };

struct Patch {
    std::string name;
    PatchKind kind = PatchKind::Tint;
    double percent = 0;
    double x = 0, y = 0, w = 0, h = 0;  // points from the page's lower left corner
};

// Reads the file; false with a message naming the line that does not parse.
bool readPatches(const std::string& path, std::vector<Patch>& patches, std::string& error);

// The kind of a patch of this name.
PatchKind patchKindOf(const std::string& name);

}  // namespace inkband::check
