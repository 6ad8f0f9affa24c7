// Ghostscript as a child process that renders a document into PWG raster
// on a pipe: its standard output is the raster, its standard error goes,
// line by line, to the job's log (a thread forwards it, so that the child
// never blocks on a full pipe), its standard input is /dev/null.
#pragma once

#include <pappl/pappl.h>
#include <sys/types.h>

#include <string>
#include <thread>
#include <vector>

namespace inkband::papp {

struct GhostscriptProcess {
    pid_t pid = -1;
    int raster = -1;  // read end of the child's standard output
    std::thread errorForwarder;
    std::string lastError;  // the last error line the child wrote on standard error
    int status = 0;         // waitpid status once finished
};

// The command line: gs rendering `file` with `options` (device and page
// options, each "-d..." or "-s...") to standard output, after running
// `postscript` (none when empty).
std::vector<std::string> ghostscriptArguments(const std::vector<std::string>& options,
                                              const std::string& postscript,
                                              const std::string& file);

// Starts gs with these arguments.  False (and an error text) when it
// cannot be started.
bool startGhostscript(GhostscriptProcess& process, pappl_job_t* job,
                      const std::vector<std::string>& arguments, std::string& error);

// Closes the raster pipe and waits for the child; with `kill`, ends it
// first (SIGTERM, then SIGKILL when it has not gone within a second).
// Returns the child's exit status, or -1 when it did not exit normally.
int finishGhostscript(GhostscriptProcess& process, bool kill);

}  // namespace inkband::papp
