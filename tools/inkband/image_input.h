// Pictures the tool prints: PNG (through libpng) and the PNM/PAM family
// (P4 bitmaps, P5 grey maps, P6 pixel maps, P7 arbitrary maps), all read
// into 8-bit RGB.  Transparency is composited onto white paper.  Every
// reader checks its input: a damaged or hostile file gives an error text,
// never a read outside the data or an unbounded allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/rgb_image.h"

namespace inkband::tool {

using host::RgbImage;

// Largest picture the readers accept, in pixels.
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

// Reads a PNG or PNM/PAM file, told apart by its first bytes.  False with
// a message in `error` for a file that cannot be read or decoded.
bool loadImage(const std::string& path, RgbImage& image, std::string& error);

// The PNM/PAM reader on bytes in memory (P4, P5, P6, P7; 8- and 16-bit
// samples; PAM tuple types GRAYSCALE, RGB, BLACKANDWHITE and their _ALPHA
// forms).  Only the first picture of a file is read.
bool decodePnm(const uint8_t* data, std::size_t size, RgbImage& image, std::string& error);

// The PNG reader on bytes in memory.
bool decodePng(const uint8_t* data, std::size_t size, RgbImage& image, std::string& error);

}  // namespace inkband::tool
