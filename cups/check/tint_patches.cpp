#include "tint_patches.h"

#include <fstream>
#include <sstream>

namespace inkband::check {

PatchKind patchKindOf(const std::string& name) {
    return name.rfind("text", 0) == 0 ? PatchKind::Text : PatchKind::Tint;
}

bool readPatches(const std::string& path, std::vector<Patch>& patches, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#') continue;
        std::istringstream fields(line);
        Patch patch;
        std::string rest;
        if (!(fields >> patch.name >> patch.percent >> patch.x >> patch.y >> patch.w >> patch.h) ||
            (fields >> rest) || patch.w <= 0 || patch.h <= 0) {
            error = path + ":" + std::to_string(number) + ": expected \"name percent x y w h\"";
            return false;
        }
        patch.kind = patchKindOf(patch.name);
        patches.push_back(patch);
    }
    return true;
}

}  // namespace inkband::check
