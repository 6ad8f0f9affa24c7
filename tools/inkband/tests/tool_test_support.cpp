#include "tool_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "host/job_settings.h"
#include "host/test_page.h"
#include "inkband/job_runner.h"
#include "inkband/png_preview.h"
#include "inkband/png_rows.h"

namespace tooltest {

using namespace inkband::tool;

HostRaster testPageRaster(const ModeInfo& mode, int width) {
    return halftoneImage(inkband::host::makeTestPage(width), mode, LineSettings{});
}

std::vector<uint8_t> printToMemory(const HostRaster& raster, int resolution, int pages) {
    JobOptions options;
    options.settings = inkband::host::makeJobSettings(
        *raster.mode, static_cast<int16_t>(raster.width), static_cast<int16_t>(resolution));
    options.pages = pages;
    std::vector<uint8_t> stream;
    JobStats stats;
    std::string error;
    const bool ok = runJob(
        raster, options,
        [&stream](const uint8_t* data, std::size_t length) {
            stream.insert(stream.end(), data, data + length);
            return true;
        },
        stats, error);
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(static_cast<int64_t>(stream.size()), stats.outputBytes);
    return stream;
}

int runTool(const std::string& arguments, std::string* output) {
    const std::string command = std::string(INKBAND_TOOL_PATH) + " " + arguments + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        if (output != nullptr) output->append(buffer, got);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string workDir() {
    const std::string dir = INKBAND_TOOL_TEST_DIR;
    std::filesystem::create_directories(dir);
    return dir;
}

bool writeBytes(const std::string& path, const uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

bool writePng(const std::string& path, const RgbImage& image, std::string& error) {
    PngRowWriter png;
    if (!pngOpen(png, path, image.width, image.height, error)) return false;
    for (int y = 0; y < image.height; ++y)
        if (!pngWriteRow(png, image.pixel(0, y), error)) return false;
    return pngFinish(png, error);
}

RgbImage previewImage(const uint8_t* data, std::size_t size, const inkband::decode::Page& page,
                      const ModeInfo& mode, int width, int height, std::size_t thumbnailMemory,
                      RebuildCounts* counts) {
    const PreviewLayout l = previewLayout(width, height, static_cast<int>(mode.wires.size()));
    RgbImage image;
    image.width = l.width;
    image.height = l.height;
    RebuildCounts found;
    std::string error;
    const bool drawn = drawPreview(
        data, size, page, mode, width, height,
        [&](const uint8_t* rgb) {
            image.rgb.insert(image.rgb.end(), rgb, rgb + l.width * 3);
            return true;
        },
        found, error, {}, thumbnailMemory);
    EXPECT_TRUE(drawn) << error;
    EXPECT_EQ(image.rgb.size(), static_cast<std::size_t>(l.width) * l.height * 3) << mode.name;
    if (counts != nullptr) *counts = found;
    return image;
}

}  // namespace tooltest
