#include "test_page_filter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/job_settings.h"
#include "host/test_page.h"
#include "page_feed.h"
#include "raster_output.h"

namespace inkband::papp {

namespace {

// The whole content of the test page's file.
constexpr char kTestPageMagic[] = "inkband test page\n";
constexpr std::size_t kTestPageMagicLength = sizeof kTestPageMagic - 1;

// True when the file holds the test page's magic line.
bool isTestPageFile(const char* filename) {
    if (filename == nullptr) return false;
    char head[kTestPageMagicLength] = {};
    const int fd = ::open(filename, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    return got == static_cast<ssize_t>(kTestPageMagicLength) &&
           std::memcmp(head, kTestPageMagic, kTestPageMagicLength) == 0;
}

}  // namespace

const char* writeTestPageFile(pappl_printer_t* printer, char* buffer, std::size_t size) {
    const int fd = papplPrinterOpenFile(printer, buffer, size, nullptr, "testpage", "itp", "w");
    if (fd < 0) {
        papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR, "Unable to write the test page's file.");
        return nullptr;
    }
    const bool written = ::write(fd, kTestPageMagic, kTestPageMagicLength) ==
                         static_cast<ssize_t>(kTestPageMagicLength);
    ::close(fd);
    return written ? buffer : nullptr;
}

const char* testPageMimeType(const unsigned char* header, std::size_t size, void* context) {
    (void)context;
    if (size >= kTestPageMagicLength &&
        std::memcmp(header, kTestPageMagic, kTestPageMagicLength) == 0)
        return kTestPageType;
    return nullptr;
}

bool printTestPage(pappl_job_t* job, pappl_device_t* device, void* context) {
    (void)context;
    if (!isTestPageFile(papplJobGetFilename(job))) {
        failJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                "The document is in a format the printer does not read (it reads PDF, JPEG, "
                "PNG, PWG raster and Apple raster).");
        return false;
    }
    pappl_pr_options_t* options = papplJobCreatePrintOptions(job, 1, true);
    if (options == nullptr) return false;
    // The picture is RGB whatever the job's colour mode: the black-only mode
    // prints its darkness.
    cups_page_header2_t& h = options->header;
    h.cupsColorSpace = CUPS_CSPACE_SRGB;
    h.cupsBitsPerColor = 8;
    h.cupsBitsPerPixel = 24;
    h.cupsNumColors = 3;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsBytesPerLine = h.cupsWidth * 3;
    const ContentArea area = contentArea(*options, true);
    const int copies = std::max(1, options->copies);
    papplJobSetImpressions(job, copies);

    bool ok = startRasterJob(job, options, device);
    if (ok) {
        // A page wider than the module takes is refused by startRasterPage
        // before anything is drawn.
        host::RgbImage picture;
        if (h.cupsWidth <= static_cast<unsigned>(host::kMaxLineWidth))
            picture = host::makeTestPage(static_cast<int>(area.width));
        const unsigned rows = std::min(area.height, static_cast<unsigned>(picture.height));
        const RowSource source = [&picture, rows](unsigned row, uint8_t* pixels) {
            const std::size_t bytes = std::size_t{3} * static_cast<unsigned>(picture.width);
            if (row < rows)
                std::memcpy(pixels, picture.pixel(0, static_cast<int>(row)), bytes);
            else
                std::memset(pixels, 255, bytes);
            return true;
        };
        std::vector<uint8_t> line;
        for (int copy = 1; copy <= copies && ok && !papplJobIsCanceled(job); ++copy) {
            const PageResult result =
                feedPage(job, options, device, static_cast<unsigned>(copy), area, source, line);
            ok = result.printed;
            if (ok) papplJobSetImpressionsCompleted(job, 1);
        }
        ok = endRasterJob(job, options, device) && ok;
    }
    papplJobDeletePrintOptions(options);
    return ok;
}

}  // namespace inkband::papp
