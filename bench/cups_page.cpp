#include "cups_page.h"

#include <cstdio>
#include <cstring>

namespace inkband::bench {

namespace {

constexpr std::size_t kSyncSize = 4;
constexpr std::size_t kHeaderSize = 1796;  // cups_page_header2_t
// Byte offsets of the 32-bit header fields, counted from the header's start.
constexpr std::size_t kWidthAt = 372;
constexpr std::size_t kHeightAt = 376;
constexpr std::size_t kBitsPerColorAt = 384;
constexpr std::size_t kBytesPerLineAt = 392;
constexpr std::size_t kColorOrderAt = 396;
constexpr std::size_t kColorSpaceAt = 400;

uint32_t field(const uint8_t* header, std::size_t at, bool bigEndian) {
    const uint8_t* p = header + at;
    if (bigEndian)
        return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

}  // namespace

bool loadCupsPage(const std::string& path, CupsPage* page, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = path + ": cannot open (run bench/render_pages.sh)";
        return false;
    }
    uint8_t head[kSyncSize + kHeaderSize];
    bool ok = std::fread(head, 1, sizeof head, file) == sizeof head;
    // The sync word is the number 0x52615333 ("RaS3") in the writer's byte order.
    const bool bigEndian = ok && std::memcmp(head, "RaS3", 4) == 0;
    const bool littleEndian = ok && std::memcmp(head, "3SaR", 4) == 0;
    if (!bigEndian && !littleEndian) {
        std::fclose(file);
        *error = path + ": not an uncompressed (version 3) CUPS raster file";
        return false;
    }
    const uint8_t* header = head + kSyncSize;
    page->width = field(header, kWidthAt, bigEndian);
    page->height = field(header, kHeightAt, bigEndian);
    page->bitsPerColor = field(header, kBitsPerColorAt, bigEndian);
    page->bytesPerLine = field(header, kBytesPerLineAt, bigEndian);
    page->colorOrder = field(header, kColorOrderAt, bigEndian);
    page->colorSpace = field(header, kColorSpaceAt, bigEndian);
    const std::size_t size = std::size_t{page->height} * page->bytesPerLine;
    page->raster.assign(size, 0);
    ok = std::fread(page->raster.data(), 1, size, file) == size;
    std::fclose(file);
    if (!ok) *error = path + ": raster data cut short";
    return ok;
}

}  // namespace inkband::bench
