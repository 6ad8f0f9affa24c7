// The PNM/PAM reader: P4, P5 and P6 headers of whitespace-separated
// numbers with # comments, the P7 header of TOKEN value lines, and the
// binary rasters behind them.  Samples wider than 8 bits are big-endian;
// every sample is scaled to 0..255, and alpha composited onto white.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "inkband/image_input.h"

namespace inkband::tool {

namespace {

struct Cursor {
    const uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    bool atEnd() const { return at >= size; }
    static bool isSpace(uint8_t c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    // Whitespace and # comments (to the end of their line).
    void skipBlanks() {
        while (!atEnd()) {
            if (data[at] == '#') {
                while (!atEnd() && data[at] != '\n') ++at;
            } else if (isSpace(data[at])) {
                ++at;
            } else {
                break;
            }
        }
    }
    // A decimal number of at most nine digits.
    bool number(int64_t& value) {
        skipBlanks();
        int digits = 0;
        value = 0;
        while (!atEnd() && data[at] >= '0' && data[at] <= '9' && digits < 10) {
            value = value * 10 + (data[at] - '0');
            ++at;
            ++digits;
        }
        return digits > 0 && digits < 10;
    }
    // One header line of P7, without its line end; comments are skipped.
    bool line(std::string_view& text) {
        while (!atEnd()) {
            std::size_t end = at;
            while (end < size && data[end] != '\n') ++end;
            if (end == size) return false;
            text = std::string_view(reinterpret_cast<const char*>(data + at), end - at);
            at = end + 1;
            while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
                text.remove_suffix(1);
            while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
                text.remove_prefix(1);
            if (!text.empty() && text.front() != '#') return true;
        }
        return false;
    }
};

// What the header says about the raster.
struct RasterFormat {
    int64_t width = 0, height = 0, maxval = 0;
    int depth = 0;          // samples per pixel
    bool bitmap = false;    // P4: 1 bit per pixel, 1 = black
    bool hasAlpha = false;  // last sample is opacity
};

bool parseP7Header(Cursor& in, RasterFormat& f, std::string& error) {
    std::string tuple;
    std::string_view text;
    bool ended = false;
    int64_t depth = 0;
    while (in.line(text)) {
        if (text == "ENDHDR") {
            ended = true;
            break;
        }
        const std::size_t space = text.find_first_of(" \t");
        const std::string_view key = text.substr(0, space);
        std::string_view value = space == std::string_view::npos ? "" : text.substr(space + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        if (key == "TUPLTYPE") {
            tuple = std::string(value);
            continue;
        }
        int64_t* target = key == "WIDTH"    ? &f.width
                          : key == "HEIGHT" ? &f.height
                          : key == "DEPTH"  ? &depth
                          : key == "MAXVAL" ? &f.maxval
                                            : nullptr;
        if (target == nullptr) {
            error = "PAM header line \"" + std::string(text.substr(0, 40)) + "\" not understood";
            return false;
        }
        Cursor number{reinterpret_cast<const uint8_t*>(value.data()), value.size()};
        if (!number.number(*target)) {
            error = "PAM header: " + std::string(key) + " is not a number";
            return false;
        }
    }
    if (!ended) {
        error = "PAM header without ENDHDR";
        return false;
    }
    if (depth < 1 || depth > 4) {
        error = "PAM depth " + std::to_string(depth) + " (1 to 4 samples per pixel)";
        return false;
    }
    f.depth = static_cast<int>(depth);
    f.hasAlpha = depth == 2 || depth == 4;
    if (!tuple.empty()) {
        static const std::pair<const char*, int> kTuples[] = {
            {"BLACKANDWHITE", 1},       {"GRAYSCALE", 1},       {"RGB", 3},
            {"BLACKANDWHITE_ALPHA", 2}, {"GRAYSCALE_ALPHA", 2}, {"RGB_ALPHA", 4},
        };
        const auto* known = std::find_if(std::begin(kTuples), std::end(kTuples),
                                         [&](const auto& t) { return tuple == t.first; });
        if (known == std::end(kTuples)) {
            error = "PAM tuple type " + tuple.substr(0, 40) + " is not supported";
            return false;
        }
        if (known->second != f.depth) {
            error = "PAM tuple type " + tuple + " with depth " + std::to_string(f.depth);
            return false;
        }
    }
    return true;
}

bool parseHeader(Cursor& in, RasterFormat& f, std::string& error) {
    if (in.size < 2 || in.data[0] != 'P') {
        error = "not a PNM file";
        return false;
    }
    const uint8_t kind = in.data[1];
    in.at = 2;
    if (kind == '7') {
        if (!parseP7Header(in, f, error)) return false;
    } else if (kind == '4' || kind == '5' || kind == '6') {
        f.bitmap = kind == '4';
        f.depth = kind == '6' ? 3 : 1;
        f.maxval = 1;
        if (!in.number(f.width) || !in.number(f.height) || (!f.bitmap && !in.number(f.maxval))) {
            error = "PNM header is incomplete";
            return false;
        }
        // Exactly one whitespace byte separates the header from the raster.
        if (in.atEnd() || !Cursor::isSpace(in.data[in.at])) {
            error = "PNM header does not end in whitespace";
            return false;
        }
        ++in.at;
    } else {
        error = "PNM kind P" + std::string(1, static_cast<char>(kind)) +
                " is not supported (P4, P5, P6, P7)";
        return false;
    }
    if (f.width < 1 || f.height < 1 || f.width * f.height > kMaxImagePixels) {
        error = "picture of " + std::to_string(f.width) + " x " + std::to_string(f.height) +
                " pixels is empty or too large";
        return false;
    }
    if (f.maxval < 1 || f.maxval > 65535) {
        error = "maximum sample value " + std::to_string(f.maxval) + " (1 to 65535)";
        return false;
    }
    return true;
}

// Scales a sample to 0..255, clamping values above maxval.
uint8_t scaled(uint32_t v, uint32_t maxval) {
    if (v >= maxval) return 255;
    return static_cast<uint8_t>((v * 255 + maxval / 2) / maxval);
}

}  // namespace

bool decodePnm(const uint8_t* data, std::size_t size, RgbImage& image, std::string& error) {
    Cursor in{data, size};
    RasterFormat f;
    if (!parseHeader(in, f, error)) return false;

    const std::size_t width = static_cast<std::size_t>(f.width);
    const std::size_t height = static_cast<std::size_t>(f.height);
    const std::size_t sampleBytes = f.maxval > 255 ? 2 : 1;
    const std::size_t rowBytes = f.bitmap ? (width + 7) / 8 : width * f.depth * sampleBytes;
    if (size - in.at < rowBytes * height) {
        error = "raster ends after " + std::to_string((size - in.at) / rowBytes) + " of " +
                std::to_string(height) + " rows";
        return false;
    }

    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.rgb.assign(width * height * 3, 0);
    const uint32_t maxval = static_cast<uint32_t>(f.maxval);
    for (std::size_t y = 0; y < height; ++y) {
        const uint8_t* row = data + in.at + y * rowBytes;
        uint8_t* out = &image.rgb[y * width * 3];
        for (std::size_t x = 0; x < width; ++x, out += 3) {
            if (f.bitmap) {
                const uint8_t v = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;
                out[0] = out[1] = out[2] = v;
                continue;
            }
            uint8_t s[4] = {0, 0, 0, 0};
            for (int c = 0; c < f.depth; ++c) {
                const uint8_t* p = row + (x * f.depth + c) * sampleBytes;
                const uint32_t raw = sampleBytes == 2 ? (p[0] << 8 | p[1]) : p[0];
                s[c] = scaled(raw, maxval);
            }
            const int colours = f.hasAlpha ? f.depth - 1 : f.depth;
            for (int c = 0; c < 3; ++c) out[c] = s[colours == 3 ? c : 0];
            if (f.hasAlpha) {
                const uint32_t a = s[f.depth - 1];
                for (int c = 0; c < 3; ++c)
                    out[c] = static_cast<uint8_t>((out[c] * a + 255 * (255 - a) + 127) / 255);
            }
        }
    }
    return true;
}

}  // namespace inkband::tool
