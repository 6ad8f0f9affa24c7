// The picture readers: what each PNM/PAM variant decodes to, and that
// damaged files of every kind are refused without a crash.
#include "inkband/image_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_test_support.h"

using namespace inkband::tool;

namespace {

std::vector<uint8_t> bytes(const std::string& header, std::vector<uint8_t> raster = {}) {
    std::vector<uint8_t> out(header.begin(), header.end());
    out.insert(out.end(), raster.begin(), raster.end());
    return out;
}

std::vector<uint8_t> rgbOf(const std::vector<uint8_t>& file) {
    RgbImage image;
    std::string error;
    EXPECT_TRUE(decodePnm(file.data(), file.size(), image, error)) << error;
    return image.rgb;
}

}  // namespace

TEST(ImageInput, DecodesEveryPnmKindToRgb) {
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<uint8_t> rgb;
    };
    const Case cases[] = {
        {"P6 with a comment",
         bytes("P6\n# made by hand\n2 1\n255\n", {1, 2, 3, 250, 251, 252}),
         {1, 2, 3, 250, 251, 252}},
        {"P6 at maxval 15", bytes("P6 1 1 15\n", {15, 0, 5}), {255, 0, 85}},
        {"P6 16-bit, big-endian",
         bytes("P6 1 1 65535\n", {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00}),
         {255, 128, 0}},
        {"P5 grey", bytes("P5 2 1 255\n", {0, 200}), {0, 0, 0, 200, 200, 200}},
        {"P4: 1 is black, rows padded",
         bytes("P4 3 2\n", {0xA0, 0x40}),
         {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255}},
        {"P7 RGB",
         bytes("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n", {9, 8, 7}),
         {9, 8, 7}},
        {"P7 grey with alpha on white",
         bytes(
             "P7\n# c\nWIDTH 2\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n",
             {0, 0, 0, 255}),
         {255, 255, 255, 0, 0, 0}},
        {"P7 without tuple type",
         bytes("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nENDHDR\n", {0, 0, 0, 128}),
         {127, 127, 127}},
        {"P7 black and white",
         bytes("P7\nWIDTH 2\nHEIGHT 1\nDEPTH 1\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE\nENDHDR\n",
               {0, 1}),
         {0, 0, 0, 255, 255, 255}},
    };
    for (const Case& c : cases) EXPECT_EQ(rgbOf(c.file), c.rgb) << c.what;
}

TEST(ImageInput, RefusesDamagedHeaders) {
    const char* headers[] = {
        "P6\n0 5\n255\n",              // no pixels
        "P6\n5\n",                     // no height
        "P6 1 1 0\n",                  // maxval 0
        "P6 1 1 65536\n",              // maxval too large
        "P6 99999999 99999999 255\n",  // too large
        "P6 1 1 255",                  // no whitespace after the header
        "P3 1 1 255\n",                // a kind that is not read
        "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 5\nMAXVAL 255\nENDHDR\n",
        "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
        "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\n",  // no ENDHDR
        "P7\nWIDTH x\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nENDHDR\n",
        "P7\nCOLOUR 1\nENDHDR\n",
        "P6 2 2 255\n\x01\x02\x03",  // raster ends early
    };
    for (const char* h : headers) {
        const std::vector<uint8_t> file = bytes(h);
        RgbImage image;
        std::string error;
        EXPECT_FALSE(decodePnm(file.data(), file.size(), image, error)) << h;
        EXPECT_FALSE(error.empty()) << h;
    }
}

// Every cut of a valid file is refused (the whole file is read), with no
// read past the data; also for PNG through libpng.
TEST(ImageInput, EveryTruncationIsRefused) {
    std::vector<uint8_t> raster;
    for (int i = 0; i < 4 * 3 * 3; ++i) raster.push_back(static_cast<uint8_t>(i * 11));
    const std::vector<uint8_t> files[] = {
        bytes("P6\n# c\n4 3\n255\n", raster),
        bytes("P7\nWIDTH 4\nHEIGHT 3\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n", raster),
        bytes("P4 20 3\n", {1, 2, 3, 4, 5, 6, 7, 8, 9}),
    };
    for (const auto& file : files) {
        for (std::size_t cut = 0; cut < file.size(); ++cut) {
            std::vector<uint8_t> part(file.begin(), file.begin() + static_cast<long>(cut));
            RgbImage image;
            std::string error;
            EXPECT_FALSE(decodePnm(part.data(), part.size(), image, error)) << "cut at " << cut;
        }
        RgbImage image;
        std::string error;
        EXPECT_TRUE(decodePnm(file.data(), file.size(), image, error)) << error;
    }

    RgbImage picture;
    picture.width = 7;
    picture.height = 5;
    for (int i = 0; i < 7 * 5 * 3; ++i) picture.rgb.push_back(static_cast<uint8_t>(i * 13));
    const std::string path = tooltest::workDir() + "/truncation.png";
    std::string error;
    ASSERT_TRUE(tooltest::writePng(path, picture, error)) << error;
    RgbImage whole;
    ASSERT_TRUE(loadImage(path, whole, error)) << error;
    EXPECT_EQ(whole.rgb, picture.rgb);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<uint8_t> png(4096);
    png.resize(std::fread(png.data(), 1, png.size(), f));
    std::fclose(f);
    for (std::size_t cut = 0; cut + 12 < png.size(); ++cut) {  // the last 12 bytes are IEND
        RgbImage image;
        EXPECT_FALSE(decodePng(png.data(), cut, image, error)) << "cut at " << cut;
    }
}

TEST(ImageInput, TheToolRefusesAPictureItCannotRead) {
    const std::string dir = tooltest::workDir();
    const uint8_t junk[] = {'P', '6', ' ', '4', ' ', '4', ' ', '2', '5', '5', '\n', 1, 2};
    ASSERT_TRUE(tooltest::writeBytes(dir + "/junk.ppm", junk, sizeof junk));
    EXPECT_EQ(tooltest::runTool("print " + dir + "/junk.ppm -o " + dir + "/junk.prn -q"), 2);
    EXPECT_EQ(tooltest::runTool("print " + dir + "/missing.png -o " + dir + "/junk.prn -q"), 2);
}
