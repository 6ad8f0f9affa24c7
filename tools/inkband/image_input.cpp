// PNG decoding through libpng's simplified API, and the dispatch between
// the PNG and PNM readers.
#include "inkband/image_input.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "inkband/file_read.h"

namespace inkband::tool {

bool decodePng(const uint8_t* data, std::size_t size, RgbImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) {
        error = std::string("PNG: ") + png.message;
        return false;
    }
    if (png.width == 0 || png.height == 0 ||
        static_cast<int64_t>(png.width) * png.height > kMaxImagePixels) {
        png_image_free(&png);
        error = "PNG: picture of " + std::to_string(png.width) + " x " +
                std::to_string(png.height) + " pixels is empty or too large";
        return false;
    }
    // 8-bit sRGB out; alpha is composited onto white paper.
    png.format = PNG_FORMAT_RGB;
    const png_color white = {255, 255, 255};
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, &white, image.rgb.data(), 0, nullptr)) {
        error = std::string("PNG: ") + png.message;
        png_image_free(&png);
        image = RgbImage{};
        return false;
    }
    return true;
}

bool loadImage(const std::string& path, RgbImage& image, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes, error)) return false;
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    bool ok;
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0)
        ok = decodePng(bytes.data(), bytes.size(), image, error);
    else if (bytes.size() >= 2 && bytes[0] == 'P')
        ok = decodePnm(bytes.data(), bytes.size(), image, error);
    else {
        error = "not a PNG, PNM or PAM file";
        ok = false;
    }
    if (!ok) error = path + ": " + error;
    return ok;
}

}  // namespace inkband::tool
