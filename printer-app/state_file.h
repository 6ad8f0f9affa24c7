// The state file (printers, settings and jobs) and when it is written.
//
// PAPPL 1.3.1 writes the state with papplSystemSaveState, which holds the
// system's lock while it waits for each printer's lock.  A Print-Job of PWG
// or Apple raster that finds its printer busy is refused and aborted in
// _papplJobCopyDocumentData, which holds the printer's lock while it waits
// for the system's.  When the two meet, both wait for ever, and every job
// and client of that printer waits behind them.  PAPPL calls the save
// callback from its main loop after every change, and every job that is
// created or ends is a change, so under load the two meet often.
//
// A Print-Job is refused as busy only while its printer has a job, so the
// application saves the state only when no printer has one (and when the
// server stops).  A save put off is made by the first call after the
// printers have emptied, and a timer tries again in case no change follows.
// What is left to PAPPL: a refusal whose document is still being read when
// the last job ends, and its own job cleaning and Get-Printer-Attributes,
// which take the two locks in the save's order too.
#pragma once

#include <pappl/pappl.h>

#include <string>

namespace inkband::papp {

// PAPPL's own choice of state file when none is given (as its default
// server does): $SNAP_COMMON, /var/lib for root, $XDG_CONFIG_HOME,
// ~/.config, or else the temporary directory.
std::string defaultStateFile(const char* appName);

// Loads the state from `path` and has it saved there while the system
// runs, as above.  `path` must outlive the system.
void keepStateFile(pappl_system_t* system, const char* path);

}  // namespace inkband::papp
