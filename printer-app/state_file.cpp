#include "state_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace inkband::papp {

namespace {

// How often a save that was put off is tried again.
constexpr int kRetrySeconds = 10;

struct StateFile {
    const char* path = nullptr;
    bool owed = false;  // a change not yet written
};

// Only PAPPL's lock-free accessors here: papplSystemIteratePrinters holds
// the system's lock, under which waiting for a printer's lock is the very
// wait this file avoids.
void notePrinterJobs(pappl_printer_t* printer, void* data) {
    if (papplPrinterGetNumberOfActiveJobs(printer) > 0) *static_cast<bool*>(data) = true;
}

bool printersHaveJobs(pappl_system_t* system) {
    bool jobs = false;
    papplSystemIteratePrinters(system, notePrinterJobs, &jobs);
    return jobs;
}

// PAPPL's save callback: called from its main loop after changes, and once
// more when the server stops, a save always made.
bool saveWhenIdle(pappl_system_t* system, void* data) {
    StateFile& state = *static_cast<StateFile*>(data);
    if (papplSystemIsRunning(system) && printersHaveJobs(system)) {
        state.owed = true;
        return true;
    }
    state.owed = false;
    return papplSystemSaveState(system, state.path);
}

// A timer: a cancelled pending job, for one, empties a printer without a
// change that would call the save callback again.
bool retryOwedSave(pappl_system_t* system, void* data) {
    if (static_cast<StateFile*>(data)->owed) saveWhenIdle(system, data);
    return true;
}

}  // namespace

std::string defaultStateFile(const char* appName) {
    const auto usable = [](const std::string& dir) { return ::access(dir.c_str(), X_OK) == 0; };
    std::string dir;
    if (const char* snap = std::getenv("SNAP_COMMON")) {
        if (usable(snap)) dir = snap;
    } else if (getuid() == 0) {
        ::mkdir("/var/lib", 0755);
        if (usable("/var/lib")) dir = "/var/lib";
    } else if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) {
        if (usable(xdg)) dir = xdg;
    } else if (const char* home = std::getenv("HOME")) {
        dir = std::string(home) + "/.config";
        ::mkdir(dir.c_str(), 0700);
        if (!usable(dir)) dir.clear();
    }
    if (!dir.empty()) return dir + "/" + appName + ".state";
    return std::string(papplGetTempDir()) + "/" + appName + std::to_string(getuid()) + ".state";
}

void keepStateFile(pappl_system_t* system, const char* path) {
    static StateFile state;
    state.path = path;
    papplSystemLoadState(system, path);
    papplSystemSetSaveCallback(system, saveWhenIdle, &state);
    papplSystemAddTimerCallback(system, 0, kRetrySeconds, retryOwedSave, &state);
}

}  // namespace inkband::papp
