#include "ghostscript_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace inkband::papp {

namespace {

// An error line without Ghostscript's decoration ("   **** Error: ...").
std::string errorText(const std::string& line) {
    std::size_t start = line.find_first_not_of(" *");
    if (start == std::string::npos) start = line.size();
    std::size_t end = line.find_last_not_of(" .\r");
    return end == std::string::npos || end < start ? std::string()
                                                   : line.substr(start, end + 1 - start);
}

// Forwards the child's standard error to the job's log, one line at a time.
void forwardErrors(int fd, pappl_job_t* job, std::string* lastError) {
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        pending.append(buffer, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line.empty()) continue;
            // The raster device's progress lines start with "INFO:".
            const bool info = line.rfind("INFO:", 0) == 0;
            papplLogJob(job, info ? PAPPL_LOGLEVEL_DEBUG : PAPPL_LOGLEVEL_WARN, "gs: %s",
                        line.c_str());
            if (!info && line.find("rror") != std::string::npos) *lastError = errorText(line);
        }
    }
    if (!pending.empty()) {
        papplLogJob(job, PAPPL_LOGLEVEL_WARN, "gs: %s", pending.c_str());
        if (pending.find("rror") != std::string::npos) *lastError = errorText(pending);
    }
    ::close(fd);
}

}  // namespace

std::vector<std::string> ghostscriptArguments(const std::vector<std::string>& options,
                                              const std::string& postscript,
                                              const std::string& file) {
    std::vector<std::string> arguments = {
        "gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sstdout=%stderr", "-sDEVICE=pwgraster"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("-sOutputFile=-");
    if (!postscript.empty()) {
        arguments.push_back("-c");
        arguments.push_back(postscript);
    }
    arguments.push_back("-f");
    arguments.push_back(file);
    return arguments;
}

bool startGhostscript(GhostscriptProcess& process, pappl_job_t* job,
                      const std::vector<std::string>& arguments, std::string& error) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(out[0]);
        ::close(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int spawned =
        posix_spawnp(&process.pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned != 0) {
        error = std::string("cannot start Ghostscript (gs): ") + std::strerror(spawned);
        ::close(out[0]);
        ::close(err[0]);
        process.pid = -1;
        return false;
    }
    process.raster = out[0];
    process.errorForwarder = std::thread(forwardErrors, err[0], job, &process.lastError);
    return true;
}

int finishGhostscript(GhostscriptProcess& process, bool kill) {
    if (process.pid > 0 && kill) ::kill(process.pid, SIGTERM);
    if (process.raster >= 0) ::close(process.raster);
    process.raster = -1;
    if (process.pid > 0) {
        pid_t done = 0;
        for (int waited = 0; kill && waited < 100; ++waited) {
            done = ::waitpid(process.pid, &process.status, WNOHANG);
            if (done != 0) break;
            ::usleep(10000);
        }
        if (done == 0) {
            if (kill) ::kill(process.pid, SIGKILL);
            while ((done = ::waitpid(process.pid, &process.status, 0)) < 0 && errno == EINTR) {
            }
        }
        process.pid = -1;
    }
    if (process.errorForwarder.joinable()) process.errorForwarder.join();
    return WIFEXITED(process.status) ? WEXITSTATUS(process.status) : -1;
}

}  // namespace inkband::papp
