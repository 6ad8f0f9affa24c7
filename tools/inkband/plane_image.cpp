#include "inkband/plane_image.h"

#include <cstdio>
#include <filesystem>

namespace inkband::tool {

bool writePgm(const std::string& path, const PlaneImage& plane, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + path;
        return false;
    }
    std::fprintf(file, "P5\n%d %d\n%d\n", plane.width, plane.height, plane.maxValue);
    const bool ok =
        std::fwrite(plane.levels.data(), 1, plane.levels.size(), file) == plane.levels.size() &&
        std::fclose(file) == 0;
    if (!ok) error = "cannot write " + path;
    return ok;
}

std::string planeFileName(int index, uint8_t letter) {
    std::string name =
        std::to_string(index) + "-" + std::string(1, static_cast<char>(letter & 0x7F));
    if (letter & 0x80) name += '2';
    return name + ".pgm";
}

bool makeDirectory(const std::string& path, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) error = "cannot create directory " + path + ": " + ec.message();
    return !ec;
}

}  // namespace inkband::tool
