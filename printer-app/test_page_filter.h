// The drivers' test page: the host library's test page (host/test_page.h),
// drawn at the width of the job's content area, in colour or in the
// black-only mode as the job asks.  The test-page callback writes a small
// file that names it; PAPPL types that file by the MIME callback below and
// hands the job to the filter, which draws the page at the job's own size
// and resolution.
#pragma once

#include <pappl/pappl.h>

#include <cstddef>

namespace inkband::papp {

// The MIME type of the test page's file.
inline constexpr const char* kTestPageType = "application/vnd.inkband-test-page";

// pappl_pr_testpage_cb_t: writes the file into the spool directory and
// returns its name in `buffer`, or null.
const char* writeTestPageFile(pappl_printer_t* printer, char* buffer, std::size_t size);

// pappl_mime_cb_t: kTestPageType for the test page's file, otherwise null.
const char* testPageMimeType(const unsigned char* header, std::size_t size, void* context);

// pappl_mime_filter_cb_t: prints the test page, once per copy.  Data of any
// other kind reaches this filter too (the test page's type is the drivers'
// own format, PAPPL's last resort for data it cannot type): that job ends
// with a message.
bool printTestPage(pappl_job_t* job, pappl_device_t* device, void* context);

}  // namespace inkband::papp
