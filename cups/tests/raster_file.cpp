#include "raster_file.h"

#include <cstdio>
#include <cstring>

namespace rastertest {

unsigned channelsOf(unsigned colorSpace) {
    if (colorSpace == CUPS_CSPACE_CMYK) return 4;
    if (colorSpace == CUPS_CSPACE_RGB || colorSpace == CUPS_CSPACE_CMY ||
        colorSpace == CUPS_CSPACE_SRGB)
        return 3;
    return 1;
}

cups_page_header2_t headerOf(const TestPage& page) {
    cups_page_header2_t header;
    std::memset(&header, 0, sizeof header);
    const unsigned channels = channelsOf(page.colorSpace);
    header.HWResolution[0] = header.HWResolution[1] = page.dpi;
    header.cupsWidth = page.width;
    header.cupsHeight = page.height;
    header.cupsMediaType = 0;
    header.cupsBitsPerColor = page.bits;
    header.cupsColorOrder = static_cast<cups_order_t>(page.order);
    header.cupsColorSpace = static_cast<cups_cspace_t>(page.colorSpace);
    if (page.order == 1 || channels == 1) {
        header.cupsBitsPerPixel = page.bits;
        header.cupsBytesPerLine = (page.width * page.bits + 7) / 8 * channels;
    } else {
        header.cupsBitsPerPixel = page.bits * channels;
        header.cupsBytesPerLine = (page.width * page.bits * channels + 7) / 8;
    }
    header.cupsNumColors = channels;
    header.cupsInteger[0] = page.modeId;
    header.cupsInteger[1] = page.quality;
    header.cupsInteger[2] = page.inkLimit;
    header.PageSize[0] = page.width * 72 / page.dpi;
    header.PageSize[1] = page.height * 72 / page.dpi;
    return header;
}

std::vector<uint8_t> rasterLine(const TestPage& page, unsigned y) {
    const cups_page_header2_t header = headerOf(page);
    const unsigned channels = channelsOf(page.colorSpace);
    const bool banded = page.order == 1 || channels == 1;
    const std::size_t channelBytes = (page.width * page.bits + 7) / 8;
    std::vector<uint8_t> line(header.cupsBytesPerLine, 0);
    for (unsigned c = 0; c < channels; ++c)
        for (unsigned x = 0; x < page.width; ++x) {
            const unsigned v = page.level(c, x, y) & ((1u << page.bits) - 1);
            const std::size_t bit = banded ? c * channelBytes * 8 + std::size_t{x} * page.bits
                                           : (std::size_t{x} * channels + c) * page.bits;
            line[bit / 8] |= static_cast<uint8_t>(v << (8 - page.bits - bit % 8));
        }
    return line;
}

std::vector<uint8_t> rasterStart(const TestPage& page) {
    std::vector<uint8_t> bytes(4 + sizeof(cups_page_header2_t));
    const uint32_t sync = CUPS_RASTER_SYNC;  // "RaS3": uncompressed, native byte order
    std::memcpy(bytes.data(), &sync, 4);
    const cups_page_header2_t header = headerOf(page);
    std::memcpy(bytes.data() + 4, &header, sizeof header);
    return bytes;
}

std::vector<uint8_t> rasterStream(const std::vector<TestPage>& pages) {
    std::vector<uint8_t> bytes;
    for (const TestPage& page : pages) {
        std::vector<uint8_t> start = rasterStart(page);
        // The sync word opens the stream only.
        bytes.insert(bytes.end(), start.begin() + (bytes.empty() ? 0 : 4), start.end());
        for (unsigned y = 0; y < page.height; ++y) {
            const std::vector<uint8_t> line = rasterLine(page, y);
            bytes.insert(bytes.end(), line.begin(), line.end());
        }
    }
    return bytes;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    // An empty file gets no fwrite: an empty vector's data() may be null.
    const bool ok =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace rastertest
