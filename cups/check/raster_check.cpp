// inkband_raster_check RASTER STREAM
//
// Checks a stream written by rastertoinkband against the CUPS raster it was
// given: the stream must decode without error, hold one page per raster
// page with the band height the filter uses, and carry on every output plane
// exactly the levels that the mode's documented level scaling (and, in the
// ten-plane modes, the level split) gives for each raster pixel.  Prints one
// line per page; exit status 0 when everything matches, 1 otherwise.
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoder/stream_decoder.h"
#include "job_settings.h"
#include "print_modes.h"
#include "raster_input.h"
#include "reference_planes.h"

using namespace inkband;

namespace {

struct Mismatch {
    int count = 0;
    void report(int page, const check::OutputPlane& plane, unsigned y, unsigned p,
                unsigned expected, unsigned got) {
        if (++count <= 10)
            std::printf("page %d plane 0x%02X line %u pixel %u: expected level %u, stream has %u\n",
                        page, plane.letter, y, p, expected, got);
    }
};

const filter::PrintMode* modeFor(const cups_page_header2_t& header) {
    if (header.cupsInteger[0] != 0) return filter::findPrintMode(header.cupsInteger[0]);
    return filter::defaultPrintMode(static_cast<unsigned>(header.cupsColorSpace),
                                    header.cupsBitsPerColor);
}

// Compares one page; returns the number of differences found.
int checkPage(int number, cups_raster_t* raster, const cups_page_header2_t& header,
              const decode::Page* page) {
    const filter::PrintMode* mode = modeFor(header);
    if (mode == nullptr) {
        std::printf("page %d: no print mode for this header\n", number);
        return 1;
    }
    const filter::RasterFormat format = filter::rasterFormatOf(header);
    const char* channelLetters = filter::rasterChannels(format.colorSpace);
    const unsigned channels =
        channelLetters ? static_cast<unsigned>(std::strlen(channelLetters)) : 0;
    if (channels == 0 || page == nullptr) {
        std::printf("page %d: %s\n", number,
                    page == nullptr ? "missing from the stream" : "unsupported colour space");
        return 1;
    }
    int problems = 0;
    const auto width16 = static_cast<int16_t>(format.width);
    const int bandHeight =
        filter::bandHeightFor(filter::settingsResolution(*mode, width16, header.HWResolution[1]));
    if (page->bandHeight != bandHeight) {
        std::printf("page %d: band height %d, expected %d\n", number, page->bandHeight, bandHeight);
        ++problems;
    }

    const std::vector<check::OutputPlane> planes = check::outputPlanes(*mode, channelLetters);
    for (const auto& [letter, data] : page->planes) {
        bool known = false;
        for (const auto& plane : planes) known = known || plane.letter == letter;
        if (!known && !data.lines.empty()) {
            std::printf("page %d: unexpected plane 0x%02X\n", number, letter);
            ++problems;
        }
    }

    static const std::vector<uint8_t> kNone;
    std::vector<uint8_t> line(header.cupsBytesPerLine);
    Mismatch mismatch;
    std::size_t linesWithData = 0;
    for (unsigned y = 0; y < header.cupsHeight; ++y) {
        if (cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine) !=
            header.cupsBytesPerLine) {
            std::printf("page %d: raster ends at line %u\n", number, y);
            return problems + 1;
        }
        bool any = false;
        for (const auto& plane : planes) {
            auto found = page->planes.find(plane.letter);
            const std::vector<uint8_t>& bytes =
                found != page->planes.end() ? found->second.line(y) : kNone;
            any = any || !bytes.empty();
            const unsigned end = std::max(format.width, check::decodedPixels(bytes.size(), plane));
            for (unsigned p = 0; p < end; ++p) {
                unsigned expected = 0;
                if (p < format.width && plane.channel >= 0) {
                    const unsigned v = check::rasterLevel(line.data(), format, channels,
                                                          static_cast<unsigned>(plane.channel), p);
                    expected = check::expectedLevel(plane, v, format.bitsPerColor);
                }
                const unsigned got = check::decodedLevel(bytes, plane, p);
                if (got != expected) mismatch.report(number, plane, y, p, expected, got);
            }
        }
        if (any) ++linesWithData;
    }
    for (const auto& [letter, data] : page->planes)
        if (!data.lines.empty() && data.lines.rbegin()->first >= header.cupsHeight) {
            std::printf("page %d: plane 0x%02X has line %lld below the page\n", number, letter,
                        static_cast<long long>(data.lines.rbegin()->first));
            ++problems;
        }
    problems += mismatch.count;
    std::printf(
        "page %d: %ux%u, %u bits, order %u, mode %s, %zu output planes, %d-row bands, "
        "%zu lines with data: %s\n",
        number, format.width, format.height, format.bitsPerColor, format.colorOrder, mode->name,
        planes.size(), page->bandHeight, linesWithData, problems == 0 ? "ok" : "MISMATCH");
    return problems;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s RASTER STREAM\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
    const std::vector<uint8_t> stream((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
    const decode::StreamResult decoded = decode::decodeStream(stream);
    if (!decoded.status) {
        std::printf("stream does not decode: %s\n", decoded.status.describe().c_str());
        return 1;
    }

    const int fd = open(argv[1], O_RDONLY);
    cups_raster_t* raster = fd >= 0 ? cupsRasterOpen(fd, CUPS_RASTER_READ) : nullptr;
    if (raster == nullptr) {
        std::fprintf(stderr, "cannot read raster %s\n", argv[1]);
        return 2;
    }
    int problems = 0;
    int pages = 0;
    cups_page_header2_t header;
    while (cupsRasterReadHeader2(raster, &header)) {
        const decode::Page* page = static_cast<std::size_t>(pages) < decoded.pages.size()
                                       ? &decoded.pages[pages]
                                       : nullptr;
        problems += checkPage(++pages, raster, header, page);
    }
    cupsRasterClose(raster);
    close(fd);
    if (decoded.pages.size() != static_cast<std::size_t>(pages)) {
        std::printf("raster has %d pages, stream %zu\n", pages, decoded.pages.size());
        ++problems;
    }
    if (pages == 0) {
        std::printf("raster has no pages\n");
        ++problems;
    }
    std::printf("%s: %d page(s), %zu stream bytes: %s\n", argv[2], pages, stream.size(),
                problems == 0 ? "ok" : "FAILED");
    return problems == 0 ? 0 : 1;
}
