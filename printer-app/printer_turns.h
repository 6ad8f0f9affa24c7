// One job at a time per printer.  PAPPL 1.3.1 can start two jobs on one
// printer at once (two threads look for pending jobs before either has
// marked its job as processing); both then write to the printer's one
// device, and the first to finish closes it under the other.  A job takes
// its printer's turn when its raster output starts and gives it back when
// its output ends; a job that had to wait opens a device of its own, since
// the one PAPPL gave it may be closed by the job it waited for (and so does
// every job on a file:// directory: raster_output.cpp).
#pragma once

#include <pappl/pappl.h>

namespace inkband::papp {

// Waits until no other job prints on the job's printer, then takes the
// printer.  True when the job had to wait.
bool takePrinterTurn(pappl_job_t* job);

// Gives the printer back to the next job.
void givePrinterTurn(pappl_job_t* job);

}  // namespace inkband::papp
