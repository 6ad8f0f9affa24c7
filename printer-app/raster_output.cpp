#include "raster_output.h"

#include <sys/stat.h>

#include <cstring>

#include "host/job_settings.h"
#include "printer_turns.h"

namespace inkband::papp {

namespace {

struct RasterKind {
    cups_cspace_t colorSpace;
    host::PixelFormat format;
    bool invert;
};
// sGray and the other white-based greys are inverted into black amounts.
constexpr RasterKind kRasterKinds[] = {
    {CUPS_CSPACE_SW, host::PixelFormat::Grey, true},
    {CUPS_CSPACE_W, host::PixelFormat::Grey, true},
    {CUPS_CSPACE_K, host::PixelFormat::Grey, false},
    {CUPS_CSPACE_SRGB, host::PixelFormat::Rgb, false},
    {CUPS_CSPACE_RGB, host::PixelFormat::Rgb, false},
    {CUPS_CSPACE_ADOBERGB, host::PixelFormat::Rgb, false},
    {CUPS_CSPACE_CMYK, host::PixelFormat::Cmyk, false},
};

RasterJob* rasterJob(pappl_job_t* job) { return static_cast<RasterJob*>(papplJobGetData(job)); }

// A file:// device on a directory, where PAPPL opens a file named after the
// job (and an ?ext= query names its extension).
bool filePerJob(const char* uri) {
    char scheme[32], userpass[256], host[256], resource[1024];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof(scheme), userpass,
                        sizeof(userpass), host, sizeof(host), &port, resource,
                        sizeof(resource)) < HTTP_URI_STATUS_OK ||
        std::strcmp(scheme, "file") != 0)
        return false;
    if (char* query = std::strchr(resource, '?')) *query = '\0';
    struct stat info = {};
    return ::stat(resource, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

void failJob(pappl_job_t* job, pappl_jreason_t reason, const std::string& message) {
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", message.c_str());
    papplJobSetMessage(job, "%s", message.c_str());
    if (reason != PAPPL_JREASON_NONE) papplJobSetReasons(job, reason, PAPPL_JREASON_NONE);
}

std::string pixelFormatOf(const cups_page_header2_t& header, host::PixelFormat& format,
                          bool& invert) {
    const RasterKind* kind = nullptr;
    for (const RasterKind& k : kRasterKinds)
        if (k.colorSpace == header.cupsColorSpace) kind = &k;
    if (kind == nullptr)
        return "colour space " + std::to_string(header.cupsColorSpace) +
               " is not printed (grey, RGB or CMYK)";
    if (header.cupsBitsPerColor != 8)
        return std::to_string(header.cupsBitsPerColor) +
               "-bit raster is not printed (8 bits per colour)";
    const unsigned channels = static_cast<unsigned>(host::bytesPerPixel(kind->format));
    if (header.cupsBitsPerPixel != 8 * channels ||
        (channels > 1 && header.cupsColorOrder != CUPS_ORDER_CHUNKED))
        return "only chunky raster of 8 bits per colour is printed";
    if (header.cupsWidth == 0 || header.cupsWidth > static_cast<unsigned>(host::kMaxLineWidth))
        return "a page " + std::to_string(header.cupsWidth) +
               " pixels wide cannot be printed (1 to " + std::to_string(host::kMaxLineWidth) + ")";
    if (header.cupsBytesPerLine != header.cupsWidth * channels)
        return "the raster's bytes per line do not match its width";
    format = kind->format;
    invert = kind->invert;
    return {};
}

const host::ModeInfo* jobMode(const char* driverName, pappl_color_mode_t colorMode) {
    const host::ModeInfo* mode = driverName != nullptr ? host::findMode(driverName) : nullptr;
    if (mode == nullptr) return nullptr;
    if (colorMode == PAPPL_COLOR_MODE_MONOCHROME || colorMode == PAPPL_COLOR_MODE_BI_LEVEL ||
        colorMode == PAPPL_COLOR_MODE_AUTO_MONOCHROME ||
        colorMode == PAPPL_COLOR_MODE_PROCESS_MONOCHROME)
        for (const host::ModeInfo& m : host::allModes())
            if (host::isBlackOnly(m)) return &m;
    return mode;
}

host::Quality jobQuality(ipp_quality_t quality) {
    if (quality == IPP_QUALITY_DRAFT) return host::Quality::Draft;
    if (quality == IPP_QUALITY_HIGH) return host::Quality::High;
    return host::Quality::Normal;
}

bool startRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
    const char* driver = papplPrinterGetDriverName(papplJobGetPrinter(job));
    const host::ModeInfo* mode = jobMode(driver, options->print_color_mode);
    if (mode == nullptr) {
        failJob(job, PAPPL_JREASON_ABORTED_BY_SYSTEM,
                std::string("The driver \"") + (driver ? driver : "") + "\" names no print mode.");
        return false;
    }
    pappl_device_t* output = device;
    pappl_printer_t* printer = papplJobGetPrinter(job);
    const bool waited = takePrinterTurn(job);
    // The device PAPPL handed over belongs, after a wait, to the job waited
    // for, which closes it when it ends; and on a directory it is the file
    // of the job whose start opened it, not always this one when two
    // start at once.
    const bool ownDevice = waited || filePerJob(papplPrinterGetDeviceURI(printer));
    if (ownDevice) {
        output = papplDeviceOpen(papplPrinterGetDeviceURI(printer), papplJobGetName(job),
                                 papplLogDevice, papplPrinterGetSystem(printer));
        if (output == nullptr) {
            givePrinterTurn(job);
            failJob(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, "Cannot open the printer's device.");
            return false;
        }
    }
    if (waited)
        papplLogJob(job, PAPPL_LOGLEVEL_WARN,
                    "Another job was printing on this printer: waited, and opened the device "
                    "anew.");
    auto* state = new RasterJob;
    state->job = job;
    state->device = output;
    state->ownDevice = ownDevice;
    state->mode = mode;
    state->line.quality = jobQuality(options->print_quality);
    state->session.sink = [output](const uint8_t* data, std::size_t length) {
        return papplDeviceWrite(output, data, length) == static_cast<ssize_t>(length);
    };
    papplJobSetData(job, state);
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Printing in mode %s (%s), %s quality", mode->name,
                mode->ppdName, host::qualityName(state->line.quality));
    return true;
}

bool startRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned page) {
    (void)device;
    RasterJob* state = rasterJob(job);
    if (state == nullptr || state->failed) return false;
    const cups_page_header2_t& header = options->header;
    std::string error = pixelFormatOf(header, state->format, state->invert);
    if (error.empty())
        error = host::startPlaneLines(state->planes, *state->mode, state->format,
                                      static_cast<int>(header.cupsWidth), state->line);
    if (!error.empty()) {
        state->failed = true;
        failJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                "Page " + std::to_string(page) + " refused: " + error + ".");
        return false;
    }
    state->width = header.cupsWidth;
    state->bytesPerLine = header.cupsBytesPerLine;
    if (state->invert) state->inverted.assign(state->width, 0);

    const auto width = static_cast<int16_t>(header.cupsWidth);
    const JobSettings settings = host::makeJobSettings(
        *state->mode, width, host::fittingResolution(*state->mode, width, header.HWResolution[1]));
    papplLogJob(job, PAPPL_LOGLEVEL_DEBUG, "Page %u: %ux%u pixels at %ux%u dpi, %d-row bands", page,
                header.cupsWidth, header.cupsHeight, header.HWResolution[0], header.HWResolution[1],
                host::bandHeightFor(settings.resolution));
    error = host::beginPage(state->session, settings);
    if (!error.empty()) {
        state->failed = true;
        failJob(job, PAPPL_JREASON_ABORTED_BY_SYSTEM,
                "Page " + std::to_string(page) + ": " + error + ".");
        return false;
    }
    return true;
}

bool writeRasterLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned y, const unsigned char* line) {
    (void)options;
    (void)device;
    RasterJob* state = rasterJob(job);
    // PAPPL's own raster path does not stop at a false return; a failed
    // page ignores its remaining lines and fails at its end.
    if (state == nullptr || state->failed || !state->session.pageOpen) return false;
    const uint8_t* pixels = line;
    if (state->invert) {
        for (unsigned x = 0; x < state->width; ++x)
            state->inverted[x] = static_cast<uint8_t>(255 - line[x]);
        pixels = state->inverted.data();
    }
    RasterLine out = {};
    // Lines without ink are left out: the module prints them blank.
    if (!host::makeRasterLine(state->planes, pixels, static_cast<int32_t>(y), out)) return true;
    const std::string error = host::sendLine(state->session, out);
    if (error.empty()) return true;
    state->failed = true;
    failJob(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, "Line " + std::to_string(y) + ": " + error + ".");
    return false;
}

bool endRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                   unsigned page) {
    (void)options;
    (void)device;
    RasterJob* state = rasterJob(job);
    if (state == nullptr) return false;
    // A page cut short (the job cancelled, or its data ended) is still
    // ended properly, so that the stream stops at a page boundary.
    if (state->session.pageOpen) {
        const std::string error = host::endPage(state->session);
        if (!error.empty()) {
            state->failed = true;
            failJob(job, PAPPL_JREASON_ABORTED_BY_SYSTEM,
                    "Page " + std::to_string(page) + ": " + error + ".");
        }
    }
    papplDeviceFlush(state->device);
    return !state->failed;
}

bool endRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
    (void)options;
    (void)device;
    RasterJob* state = rasterJob(job);
    if (state == nullptr) return false;
    if (state->session.pageOpen) host::endPage(state->session);
    const std::string error = host::endJob(state->session);
    if (!error.empty() && !state->failed) {
        state->failed = true;
        failJob(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, "Ending the job: " + error + ".");
    }
    papplDeviceFlush(state->device);
    if (state->ownDevice) papplDeviceClose(state->device);
    givePrinterTurn(job);
    const bool ok = !state->failed;
    papplJobSetData(job, nullptr);
    delete state;
    return ok;
}

}  // namespace inkband::papp
