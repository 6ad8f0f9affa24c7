// The drivers' raster callbacks.  PAPPL (for PWG raster, Apple raster, JPEG
// and PNG) and the application's own filters (PDF, the test page) hand
// over a page line by line, 8-bit grey (sGray: 255 is white, or black:
// 255 is full black), RGB or CMYK.  Each line is separated into the inks
// of the job's print mode, halftoned to every plane's levels and packed by
// the host library (host/plane_lines.h), and handed to the module through
// an output session whose sink writes every piece straight to the device
// with papplDeviceWrite: no page is held anywhere.
//
// The print mode is the printer's driver's, or the black-only mode when the
// job asks for monochrome; the halftoning is the job's print-quality (draft
// and normal an ordered dither, high error diffusion).
#pragma once

#include <pappl/pappl.h>

#include <string>
#include <vector>

#include "host/output_session.h"
#include "host/plane_lines.h"

namespace inkband::papp {

// One job's state, kept as the PAPPL job's data from the job's start to
// its end.
struct RasterJob {
    pappl_job_t* job = nullptr;
    pappl_device_t* device = nullptr;  // where the pieces go
    bool ownDevice = false;            // opened for this job (printer_turns.h)
    const host::ModeInfo* mode = nullptr;
    host::LineSettings line;
    host::OutputSession session;
    host::PlaneLines planes;
    host::PixelFormat format = host::PixelFormat::Rgb;
    bool invert = false;            // white-based grey: 255 is white
    std::vector<uint8_t> inverted;  // the line turned into black amounts
    unsigned width = 0;
    unsigned bytesPerLine = 0;
    bool failed = false;  // a page could not be printed; the job ends
};

// The pixel format of a page header: 8-bit chunky grey, RGB or CMYK.
// Returns an empty string, or why the page cannot be printed.
std::string pixelFormatOf(const cups_page_header2_t& header, host::PixelFormat& format,
                          bool& invert);

// The print mode of a job on a printer: its driver's mode, or the
// black-only mode for monochrome.  Null when the driver names no mode.
const host::ModeInfo* jobMode(const char* driverName, pappl_color_mode_t colorMode);

// The halftoning quality of an IPP print-quality value.
host::Quality jobQuality(ipp_quality_t quality);

// The five callbacks of pappl_pr_driver_data_t.  Each returns false when
// the job cannot go on; the reason is in the job's log and its
// job-state-message.
bool startRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
bool startRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned page);
bool writeRasterLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned y, const unsigned char* line);
bool endRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                   unsigned page);
bool endRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

// Marks the job as failed with a message for its log and job-state-message.
void failJob(pappl_job_t* job, pappl_jreason_t reason, const std::string& message);

}  // namespace inkband::papp
