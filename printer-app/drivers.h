// The printer application's drivers: one per print mode of the host
// library's mode table (host/print_modes.h), named by the mode's tool name
// ("cmyk-4bit") and described by its ColorModel name and planes.  Every
// driver prints at 300 and 600 dpi on A4, Letter, Legal and A5 with
// margins, in colour (its own mode) and in monochrome (the black-only
// mode; the black-only driver prints monochrome alone), at draft, normal
// and high quality, portrait by default; it reports one ink supply per ink
// of its mode, levels unknown, and prints the host library's test page.
#pragma once

#include <pappl/pappl.h>

#include <span>

namespace inkband::papp {

// Every driver, in the order of the mode table.
std::span<pappl_pr_driver_t> drivers();

// pappl_pr_driver_cb_t: fills the driver data of the named driver.
bool fillDriverData(pappl_system_t* system, const char* driverName, const char* deviceUri,
                    const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attrs,
                    void* context);

// pappl_pr_create_cb_t: sets a new printer's ink supplies.
void printerCreated(pappl_printer_t* printer, void* context);

}  // namespace inkband::papp
