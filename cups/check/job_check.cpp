#include "job_check.h"

#include <fcntl.h>
#include <unistd.h>

#include "decoder/stream_decoder.h"

namespace inkband::check {

JobReport checkJob(cups_raster_t* raster, const std::vector<uint8_t>& stream,
                   const std::vector<Patch>& patches) {
    JobReport report;
    report.streamBytes = stream.size();
    const decode::StreamResult decoded = decode::decodeStream(stream);
    if (!decoded.status)
        report.faults.push_back("the stream does not decode: " + decoded.status.describe());
    const LineReader readLine = [raster](uint8_t* line, unsigned bytes) {
        return cupsRasterReadPixels(raster, line, bytes) == bytes;
    };
    cups_page_header2_t header;
    while (cupsRasterReadHeader2(raster, &header)) {
        const std::size_t index = report.pages.size();
        const decode::Page* page = index < decoded.pages.size() ? &decoded.pages[index] : nullptr;
        report.pages.push_back(checkPage(static_cast<int>(index) + 1, header, readLine, page,
                                         index == 0 ? &patches : nullptr));
    }
    if (report.pages.empty()) report.faults.push_back("the raster has no pages");
    if (decoded.pages.size() != report.pages.size())
        report.faults.push_back("the raster has " + std::to_string(report.pages.size()) +
                                " page(s), the stream " + std::to_string(decoded.pages.size()));
    return report;
}

JobReport checkRasterFile(const std::string& rasterPath, const std::vector<uint8_t>& stream,
                          const std::vector<Patch>& patches) {
    const int fd = open(rasterPath.c_str(), O_RDONLY | O_CLOEXEC);
    cups_raster_t* raster = fd >= 0 ? cupsRasterOpen(fd, CUPS_RASTER_READ) : nullptr;
    if (raster == nullptr) {
        if (fd >= 0) close(fd);
        JobReport report;
        report.faults.push_back("cannot read the raster " + rasterPath);
        return report;
    }
    JobReport report = checkJob(raster, stream, patches);
    cupsRasterClose(raster);
    close(fd);
    return report;
}

bool passed(const JobReport& report) {
    if (!report.faults.empty()) return false;
    for (const PageReport& page : report.pages)
        if (!page.faults.empty()) return false;
    return true;
}

std::string reportText(const JobReport& report) {
    std::string text;
    for (const PageReport& page : report.pages) text += pageText(page);
    for (const std::string& fault : report.faults) text += "FAULT: " + fault + "\n";
    text += std::to_string(report.pages.size()) + " page(s), " +
            std::to_string(report.streamBytes) +
            " stream bytes: " + (passed(report) ? "ok\n" : "FAILED\n");
    return text;
}

}  // namespace inkband::check
