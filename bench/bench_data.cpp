#include "bench_data.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace inkband::bench {

std::string pagesFolder() {
    const char* folder = std::getenv("INKBAND_BENCH_PAGES");
    if (folder != nullptr && *folder != '\0') return folder;
    return INKBAND_BENCH_PAGES_DIR;
}

const CupsPage& benchPage(const std::string& name) {
    static std::map<std::string, CupsPage> pages;
    auto found = pages.find(name);
    if (found != pages.end()) return found->second;
    CupsPage page;
    std::string error;
    if (!loadCupsPage(pagesFolder() + "/" + name + ".ras", &page, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(2);
    }
    if (page.bitsPerColor != 2 || page.colorOrder != 1 || page.colorSpace != 6) {
        std::fprintf(stderr, "%s: expected banded 2-bit CMYK\n", name.c_str());
        std::exit(2);
    }
    return pages.emplace(name, std::move(page)).first->second;
}

}  // namespace inkband::bench
