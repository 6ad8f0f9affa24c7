// Writes a test picture in one of the formats the tool reads, for the
// tool's tests:  make_test_image OUT KIND WIDTH HEIGHT
//   KIND: ppm, ppm16, pam, png (the same RGB picture in each), pgm, pbm,
//         pam-alpha, png-alpha, noise (a P6 of random bytes)
// The picture has blank rows, smooth ramps, a noisy patch, solid blocks and
// thin lines, so that printed in any mode it gives blank, skipped and data
// bands of every selection.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width, height;
    std::vector<uint8_t> rgb;
};

Picture makePicture(int width, int height) {
    Picture p{width, height,
              std::vector<uint8_t>(static_cast<std::size_t>(width) * height * 3, 255)};
    std::mt19937 rng(12345);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = &p.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            const int band = y * 8 / height;  // eight horizontal areas
            const int t = width > 1 ? x * 255 / (width - 1) : 255;
            switch (band) {
                case 0:  // blank
                    break;
                case 1:  // ramps of cyan, magenta, yellow
                    px[y % 3] = static_cast<uint8_t>(255 - t);
                    break;
                case 2:  // grey ramp
                    px[0] = px[1] = px[2] = static_cast<uint8_t>(255 - t);
                    break;
                case 3:  // blank
                    break;
                case 4:  // noise in the middle half
                    if (x > width / 4 && x < 3 * width / 4)
                        for (int c = 0; c < 3; ++c) px[c] = static_cast<uint8_t>(rng());
                    break;
                case 5:  // black lines and solid blocks
                    if (x % 7 == 0 || y % 5 == 0) px[0] = px[1] = px[2] = 0;
                    if (x > width / 2) {
                        px[0] = static_cast<uint8_t>(x * 37);
                        px[1] = static_cast<uint8_t>(y * 53);
                    }
                    break;
                case 6:  // light grey text-like cells
                    if ((x / 3 + y / 3) % 4 == 0) px[0] = px[1] = px[2] = 190;
                    break;
                default:  // a dark rule and blank below
                    if (y == height - 2) px[0] = px[1] = px[2] = 20;
                    break;
            }
        }
    return p;
}

bool writeFile(const std::string& path, const std::string& header,
               const std::vector<uint8_t>& body) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
              std::fwrite(body.data(), 1, body.size(), f) == body.size();
    return std::fclose(f) == 0 && ok;
}

bool writePng(const std::string& path, const Picture& p, bool alpha) {
    std::vector<uint8_t> pixels;
    for (std::size_t i = 0; i < p.rgb.size(); i += 3) {
        pixels.insert(pixels.end(), &p.rgb[i], &p.rgb[i] + 3);
        if (alpha) pixels.push_back(static_cast<uint8_t>(i * 7));
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(p.width);
    png.height = static_cast<png_uint_32>(p.height);
    png.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_test_image OUT KIND WIDTH HEIGHT\n");
        return 2;
    }
    const std::string out = argv[1], kind = argv[2];
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    const Picture p = makePicture(width, height);
    const std::string size = std::to_string(width) + " " + std::to_string(height);
    bool ok = false;
    if (kind == "ppm") {
        ok = writeFile(out, "P6\n# test picture\n" + size + "\n255\n", p.rgb);
    } else if (kind == "ppm16") {
        std::vector<uint8_t> wide;
        for (uint8_t v : p.rgb) wide.insert(wide.end(), {v, v});  // v * 257, big-endian
        ok = writeFile(out, "P6 " + size + " 65535\n", wide);
    } else if (kind == "pam" || kind == "pam-alpha") {
        const bool alpha = kind == "pam-alpha";
        std::vector<uint8_t> body;
        for (std::size_t i = 0; i < p.rgb.size(); i += 3) {
            body.insert(body.end(), &p.rgb[i], &p.rgb[i] + 3);
            if (alpha) body.push_back(static_cast<uint8_t>(i * 7));
        }
        ok = writeFile(out,
                       "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                           "\nDEPTH " + (alpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " +
                           (alpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n",
                       body);
    } else if (kind == "png" || kind == "png-alpha") {
        ok = writePng(out, p, kind == "png-alpha");
    } else if (kind == "pgm") {
        std::vector<uint8_t> grey;
        for (std::size_t i = 0; i < p.rgb.size(); i += 3) grey.push_back(p.rgb[i + 1]);
        ok = writeFile(out, "P5\n" + size + "\n255\n", grey);
    } else if (kind == "pbm") {
        const int rowBytes = (width + 7) / 8;
        std::vector<uint8_t> bits(static_cast<std::size_t>(rowBytes) * height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (p.rgb[(static_cast<std::size_t>(y) * width + x) * 3 + 1] < 128)
                    bits[static_cast<std::size_t>(y) * rowBytes + x / 8] |=
                        static_cast<uint8_t>(0x80 >> (x % 8));
        ok = writeFile(out, "P4\n" + size + "\n", bits);
    } else if (kind == "noise") {
        std::mt19937 rng(99);
        std::vector<uint8_t> body(p.rgb.size());
        for (uint8_t& b : body) b = static_cast<uint8_t>(rng());
        ok = writeFile(out, "P6\n" + size + "\n255\n", body);
    } else {
        std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
        return 2;
    }
    if (!ok) std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return ok ? 0 : 1;
}
