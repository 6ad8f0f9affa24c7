#include "inkband/png_rows.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>

namespace inkband::tool {

namespace {

void onError(png_structp png, png_const_charp text) {
    auto* writer = static_cast<PngRowWriter*>(png_get_error_ptr(png));
    std::snprintf(writer->message, sizeof writer->message, "%s", text);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

png_structp pngOf(PngRowWriter& w) { return static_cast<png_structp>(w.png); }
png_infop infoOf(PngRowWriter& w) { return static_cast<png_infop>(w.info); }

bool failed(PngRowWriter& writer, std::string& error) {
    error = "cannot write " + writer.path + ": " + writer.message;
    pngAbandon(writer);
    return false;
}

}  // namespace

// Each function that calls into libpng sets its own jump target and holds
// nothing that needs destroying, so the long jump skips no destructor.
bool pngOpen(PngRowWriter& writer, const std::string& path, int width, int height,
             std::string& error) {
    writer.path = path;
    writer.file = std::fopen(path.c_str(), "wb");
    if (writer.file == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &writer, onError, onWarning);
    if (writer.png != nullptr) writer.info = png_create_info_struct(pngOf(writer));
    if (writer.info == nullptr) {
        std::snprintf(writer.message, sizeof writer.message, "out of memory");
        return failed(writer, error);
    }
    if (setjmp(png_jmpbuf(pngOf(writer)))) return failed(writer, error);
    png_init_io(pngOf(writer), writer.file);
    png_set_IHDR(pngOf(writer), infoOf(writer), static_cast<png_uint_32>(width),
                 static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Halftoned previews compress hardly better at higher levels, and
    // several times slower.
    png_set_compression_level(pngOf(writer), 1);
    png_write_info(pngOf(writer), infoOf(writer));
    return true;
}

bool pngWriteRow(PngRowWriter& writer, const uint8_t* rgb, std::string& error) {
    if (setjmp(png_jmpbuf(pngOf(writer)))) return failed(writer, error);
    png_write_row(pngOf(writer), rgb);
    return true;
}

bool pngFinish(PngRowWriter& writer, std::string& error) {
    if (setjmp(png_jmpbuf(pngOf(writer)))) return failed(writer, error);
    png_write_end(pngOf(writer), nullptr);
    png_structp png = pngOf(writer);
    png_infop info = infoOf(writer);
    png_destroy_write_struct(&png, &info);
    writer.png = writer.info = nullptr;
    const bool closed = std::fclose(writer.file) == 0;
    writer.file = nullptr;
    if (!closed) error = "cannot write " + writer.path + ": " + std::strerror(errno);
    return closed;
}

void pngAbandon(PngRowWriter& writer) {
    if (writer.png != nullptr) {
        png_structp png = pngOf(writer);
        png_infop info = infoOf(writer);
        png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    }
    writer.png = writer.info = nullptr;
    if (writer.file != nullptr) std::fclose(writer.file);
    writer.file = nullptr;
}

}  // namespace inkband::tool
