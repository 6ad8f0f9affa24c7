#include "drivers.h"

#include <cstring>
#include <string>
#include <vector>

#include "host/print_modes.h"
#include "raster_output.h"
#include "test_page_filter.h"

namespace inkband::papp {

namespace {

constexpr const char* kMedia[] = {"iso_a4_210x297mm", "na_letter_8.5x11in", "na_legal_8.5x14in",
                                  "iso_a5_148x210mm"};
constexpr const char* kDefaultMedia = "iso_a4_210x297mm";
constexpr int kResolutions[] = {300, 600};
// Margins in hundredths of millimetres.
constexpr int kSideMargin = 300;
constexpr int kTopBottomMargin = 500;

struct InkSupply {
    host::Ink ink;
    pappl_supply_color_t color;
    const char* description;
};
constexpr InkSupply kInkSupplies[] = {
    {host::Ink::Cyan, PAPPL_SUPPLY_COLOR_CYAN, "Cyan ink"},
    {host::Ink::Magenta, PAPPL_SUPPLY_COLOR_MAGENTA, "Magenta ink"},
    {host::Ink::Yellow, PAPPL_SUPPLY_COLOR_YELLOW, "Yellow ink"},
    {host::Ink::Black, PAPPL_SUPPLY_COLOR_BLACK, "Black ink"},
    {host::Ink::LightBlack, PAPPL_SUPPLY_COLOR_GRAY, "Light black ink"},
    {host::Ink::H, PAPPL_SUPPLY_COLOR_BLACK, "H ink"},
};

struct DriverTable {
    std::vector<std::string> descriptions;
    std::vector<pappl_pr_driver_t> drivers;
};

DriverTable makeDriverTable() {
    DriverTable table;
    for (const host::ModeInfo& mode : host::allModes())
        table.descriptions.push_back(std::string("inkband ") + mode.ppdName + ": " + mode.summary);
    for (std::size_t i = 0; i < host::allModes().size(); ++i)
        table.drivers.push_back(
            {host::allModes()[i].name, table.descriptions[i].c_str(), nullptr, nullptr});
    return table;
}

DriverTable& driverTable() {
    static DriverTable table = makeDriverTable();
    return table;
}

pappl_media_col_t mediaCol(const char* name, const char* source) {
    pappl_media_col_t media = {};
    const pwg_media_t* pwg = pwgMediaForPWG(name);
    papplCopyString(media.size_name, name, sizeof media.size_name);
    if (pwg != nullptr) {
        media.size_width = pwg->width;
        media.size_length = pwg->length;
    }
    media.left_margin = media.right_margin = kSideMargin;
    media.top_margin = media.bottom_margin = kTopBottomMargin;
    papplCopyString(media.source, source, sizeof media.source);
    papplCopyString(media.type, "stationery", sizeof media.type);
    return media;
}

// Identify-Printer: the printer has no panel; the message goes to its log.
void identifyPrinter(pappl_printer_t* printer, pappl_identify_actions_t actions,
                     const char* message) {
    (void)actions;
    papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO, "Identify-Printer: %s",
                    message != nullptr && *message != '\0' ? message : "(no message)");
}

// Attributes IPP Everywhere asks for that PAPPL 1.3.1 leaves to the
// driver: one rendering, one-sided sheets, no preferred-attributes.
ipp_t* driverAttributes() {
    ipp_t* attrs = ippNew();
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
                 "print-rendering-intent-default", nullptr, "auto");
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
                 "print-rendering-intent-supported", nullptr, "auto");
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_CONST_TAG(IPP_TAG_KEYWORD),
                 "pwg-raster-document-sheet-back", nullptr, "normal");
    ippAddBoolean(attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
    return attrs;
}

}  // namespace

std::span<pappl_pr_driver_t> drivers() { return driverTable().drivers; }

bool fillDriverData(pappl_system_t* system, const char* driverName, const char* deviceUri,
                    const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attrs,
                    void* context) {
    (void)deviceUri;
    (void)deviceId;
    (void)context;
    const host::ModeInfo* mode = driverName != nullptr ? host::findMode(driverName) : nullptr;
    if (mode == nullptr || std::strcmp(mode->name, driverName) != 0) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "No driver is named \"%s\".",
                 driverName ? driverName : "");
        return false;
    }
    const bool colour = !host::isBlackOnly(*mode);

    data->rstartjob_cb = startRasterJob;
    data->rstartpage_cb = startRasterPage;
    data->rwriteline_cb = writeRasterLine;
    data->rendpage_cb = endRasterPage;
    data->rendjob_cb = endRasterJob;
    data->testpage_cb = writeTestPageFile;
    // PAPPL 1.3.1 compares every job's format with the driver's own
    // (strcmp) when no filter takes it: without one, a job in a format
    // nobody reads crashes the server.  The test page's type is the
    // drivers' own format; its filter ends any other data with a message.
    data->format = kTestPageType;
    data->identify_cb = identifyPrinter;
    data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    *attrs = driverAttributes();

    snprintf(data->make_and_model, sizeof data->make_and_model, "inkband %s", mode->ppdName);
    data->kind = PAPPL_KIND_DOCUMENT | PAPPL_KIND_PHOTO;
    data->ppm = 10;
    data->ppm_color = colour ? 5 : 0;
    data->has_supplies = true;
    data->orient_default = IPP_ORIENT_PORTRAIT;
    data->quality_default = IPP_QUALITY_NORMAL;
    data->scaling_default = PAPPL_SCALING_AUTO;
    data->content_default = PAPPL_CONTENT_AUTO;
    // 8-bit grey and sRGB lines only: the host library halftones them to
    // each plane's levels.
    data->raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8 | PAPPL_PWG_RASTER_TYPE_SRGB_8;
    data->color_supported =
        colour ? PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME
               : PAPPL_COLOR_MODE_MONOCHROME;
    data->color_default = colour ? PAPPL_COLOR_MODE_COLOR : PAPPL_COLOR_MODE_MONOCHROME;
    data->sides_supported = PAPPL_SIDES_ONE_SIDED;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    data->duplex = PAPPL_DUPLEX_NONE;

    data->num_resolution = 0;
    for (int dpi : kResolutions) {
        data->x_resolution[data->num_resolution] = dpi;
        data->y_resolution[data->num_resolution++] = dpi;
    }
    data->x_default = data->y_default = kResolutions[0];

    data->left_right = kSideMargin;
    data->bottom_top = kTopBottomMargin;
    data->num_media = 0;
    for (const char* name : kMedia) data->media[data->num_media++] = name;
    data->num_source = 1;
    data->source[0] = "main";
    data->num_type = 1;
    data->type[0] = "stationery";
    data->media_ready[0] = mediaCol(kDefaultMedia, data->source[0]);
    data->media_default = data->media_ready[0];
    return true;
}

void printerCreated(pappl_printer_t* printer, void* context) {
    (void)context;
    const host::ModeInfo* mode = host::findMode(papplPrinterGetDriverName(printer));
    if (mode == nullptr) return;
    bool present[host::kInkCount] = {};
    for (const host::SourcePlane& plane : mode->sources)
        present[static_cast<int>(plane.ink)] = true;
    pappl_supply_t supplies[host::kInkCount] = {};
    int count = 0;
    for (const InkSupply& ink : kInkSupplies) {
        if (!present[static_cast<int>(ink.ink)]) continue;
        pappl_supply_t& supply = supplies[count++];
        supply.color = ink.color;
        papplCopyString(supply.description, ink.description, sizeof supply.description);
        supply.is_consumed = true;
        supply.level = -1;  // the printer does not report its ink levels
        supply.type = PAPPL_SUPPLY_TYPE_INK;
    }
    papplPrinterSetSupplies(printer, count, supplies);
}

}  // namespace inkband::papp
