// inkband-printer-app: an IPP Everywhere printer application on PAPPL
// whose printers print through the inkband module.
//
//     inkband-printer-app server -o listen-hostname=127.0.0.1 -o server-port=8631
//     inkband-printer-app add -d NAME -m cmyk-4bit -v file:///path/out.prn
//     inkband-printer-app submit -d NAME document.pdf
//
// papplMainloop gives the usual sub-commands (server, add, submit, jobs,
// status, shutdown, drivers ...).  The system is made here rather than by
// PAPPL's default so that the PDF and test-page filters are registered
// before any printer exists (a printer lists only the formats whose filters
// it finds at its creation), and so that the state can be kept in a file
// of the caller's choosing.  Server options (-o NAME=VALUE):
//
//   listen-hostname, server-port, server-hostname, private-server,
//   spool-directory, log-file, log-level (error, warn, info, debug),
//   admin-group, auth-service, server-options (no-tls, web-remote, ...)
//                                as in PAPPL's default server
//   state-file=PATH              where printers and settings are kept
//                                (default: PAPPL's own choice; saved as
//                                state_file.h tells)
#include <pappl/pappl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "drivers.h"
#include "inkband/inkband.h"
#include "pdf_filter.h"
#include "state_file.h"
#include "test_page_filter.h"

namespace {

constexpr const char* kName = "inkband-printer-app";
constexpr const char* kFooterHtml = "inkband printer application " INKBAND_VERSION_STRING
                                    ": driverless printing through the inkband module.";

// The state file (-o state-file or PAPPL's default); it must outlive the
// system.
std::string gStateFile;

// server-options keywords: each sets or clears one system option.
struct ServerOption {
    const char* name;
    pappl_soptions_t option;
    bool set;
};
constexpr ServerOption kServerOptions[] = {
    {"dnssd-host", PAPPL_SOPTIONS_DNSSD_HOST, true},
    {"no-multi-queue", PAPPL_SOPTIONS_MULTI_QUEUE, false},
    {"raw-socket", PAPPL_SOPTIONS_RAW_SOCKET, true},
    {"no-web-interface", PAPPL_SOPTIONS_WEB_INTERFACE, false},
    {"web-log", PAPPL_SOPTIONS_WEB_LOG, true},
    {"web-network", PAPPL_SOPTIONS_WEB_NETWORK, true},
    {"web-remote", PAPPL_SOPTIONS_WEB_REMOTE, true},
    {"web-security", PAPPL_SOPTIONS_WEB_SECURITY, true},
    {"no-tls", PAPPL_SOPTIONS_NO_TLS, true},
};

pappl_soptions_t systemOptions(const char* list) {
    pappl_soptions_t options = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE;
    for (std::string rest = list != nullptr ? list : ""; !rest.empty();) {
        const std::size_t comma = rest.find(',');
        const std::string word = rest.substr(0, comma);
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
        if (word == "none") options = PAPPL_SOPTIONS_NONE;
        for (const ServerOption& o : kServerOptions)
            if (word == o.name) options = o.set ? options | o.option : options & ~o.option;
    }
    return options;
}

pappl_loglevel_t logLevel(const char* value) {
    if (value == nullptr) return PAPPL_LOGLEVEL_WARN;
    if (std::strcmp(value, "fatal") == 0) return PAPPL_LOGLEVEL_FATAL;
    if (std::strcmp(value, "error") == 0) return PAPPL_LOGLEVEL_ERROR;
    if (std::strcmp(value, "info") == 0) return PAPPL_LOGLEVEL_INFO;
    if (std::strcmp(value, "debug") == 0) return PAPPL_LOGLEVEL_DEBUG;
    return PAPPL_LOGLEVEL_WARN;
}

// The spool directory when none is given: PAPPL's default server's.
std::string defaultSpoolDirectory() {
    if (getuid() == 0) {
        ::mkdir("/var/spool", 0755);
        return std::string("/var/spool/") + kName;
    }
    if (const char* home = std::getenv("HOME")) {
        const std::string config = std::string(home) + "/.config";
        ::mkdir(config.c_str(), 0700);
        return config + "/" + kName + ".d";
    }
    return {};
}

pappl_system_t* makeSystem(int count, cups_option_t* options, void* context) {
    (void)context;
    const auto option = [count, options](const char* name) {
        return cupsGetOption(name, count, options);
    };
    int port = 0;
    if (const char* value = option("server-port")) {
        char* end = nullptr;
        const long parsed = std::strtol(value, &end, 10);
        if (*value == '\0' || *end != '\0' || parsed < 0 || parsed > 65535) {
            std::fprintf(stderr, "%s: bad server-port value \"%s\"\n", kName, value);
            return nullptr;
        }
        port = static_cast<int>(parsed);
    }
    std::string spool = option("spool-directory") ? option("spool-directory") : "";
    if (spool.empty()) spool = defaultSpoolDirectory();

    pappl_system_t* system =
        papplSystemCreate(systemOptions(option("server-options")), kName, port, "_print,_universal",
                          spool.empty() ? nullptr : spool.c_str(), option("log-file"),
                          logLevel(option("log-level")), option("auth-service"), false);
    if (system == nullptr) return nullptr;
    if (const char* group = option("admin-group")) papplSystemSetAdminGroup(system, group);
    if (const char* host = option("server-hostname")) papplSystemSetHostName(system, host);
    if (option("private-server") == nullptr)
        papplSystemAddListeners(system, option("listen-hostname"));

    // Without a footer PAPPL 1.3.1's web pages crash.
    papplSystemSetFooterHTML(system, kFooterHtml);

    // Filters first: a printer offers the formats it finds filters for when
    // it is created, and loading the state creates printers.
    using namespace inkband::papp;
    papplSystemAddMIMEFilter(system, "application/pdf", "image/pwg-raster", printPdf, nullptr);
    papplSystemAddMIMEFilter(system, kTestPageType, "image/pwg-raster", printTestPage, nullptr);
    // Data PAPPL cannot type stays application/octet-stream; without a
    // filter for it the job ends with PAPPL's bare "Job aborted.", with
    // this one with a message that says which formats the printer reads.
    papplSystemAddMIMEFilter(system, "application/octet-stream", "image/pwg-raster", printTestPage,
                             nullptr);
    papplSystemSetMIMECallback(system, testPageMimeType, nullptr);
    const auto list = drivers();
    papplSystemSetPrinterDrivers(system, static_cast<int>(list.size()), list.data(), nullptr,
                                 printerCreated, fillDriverData, nullptr);

    // Set here even for PAPPL's default file: PAPPL's own callback would
    // save at any time (state_file.h).
    const char* state = option("state-file");
    gStateFile = state != nullptr ? state : defaultStateFile(kName);
    keepStateFile(system, gStateFile.c_str());
    return system;
}

}  // namespace

int main(int argc, char* argv[]) {
    const auto list = inkband::papp::drivers();
    return papplMainloop(
        argc, argv, INKBAND_VERSION_STRING, kFooterHtml, static_cast<int>(list.size()), list.data(),
        nullptr, inkband::papp::fillDriverData, nullptr, nullptr, makeSystem, nullptr, nullptr);
}
