#include "printer_turns.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace inkband::papp {

namespace {

struct PrinterTurns {
    std::mutex mutex;
    std::condition_variable released;
    std::vector<pappl_printer_t*> busy;  // printers a job prints on
};

PrinterTurns& turns() {
    static PrinterTurns table;
    return table;
}

}  // namespace

bool takePrinterTurn(pappl_job_t* job) {
    pappl_printer_t* printer = papplJobGetPrinter(job);
    PrinterTurns& t = turns();
    std::unique_lock<std::mutex> lock(t.mutex);
    bool waited = false;
    while (std::find(t.busy.begin(), t.busy.end(), printer) != t.busy.end()) {
        waited = true;
        t.released.wait(lock);
    }
    t.busy.push_back(printer);
    return waited;
}

void givePrinterTurn(pappl_job_t* job) {
    pappl_printer_t* printer = papplJobGetPrinter(job);
    PrinterTurns& t = turns();
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        const auto it = std::find(t.busy.begin(), t.busy.end(), printer);
        if (it != t.busy.end()) t.busy.erase(it);
    }
    t.released.notify_all();
}

}  // namespace inkband::papp
