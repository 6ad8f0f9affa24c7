#include "raster_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace inkband::filter {

namespace {

volatile sig_atomic_t stopFlag = 0;
sigset_t waitMask;  // the signal mask while waiting for input: SIGTERM open

void onStop(int) { stopFlag = 1; }

}  // namespace

void installStopHandler() {
    struct sigaction action = {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGTERM, &action, nullptr);
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

bool stopRequested() { return stopFlag != 0; }

ssize_t readRaster(void* context, unsigned char* buffer, size_t length) {
    auto& input = *static_cast<RasterInput*>(context);
    for (;;) {
        if (stopFlag != 0) return 0;
        pollfd wait = {input.fd, POLLIN, 0};
        if (ppoll(&wait, 1, nullptr, &waitMask) < 0) {
            if (errno == EINTR) continue;
            input.error = errno;
            return -1;
        }
        const ssize_t got = ::read(input.fd, buffer, length);
        if (got == 0) input.ended = true;
        if (got >= 0) {
            input.read += static_cast<uint64_t>(got);
            return got;
        }
        if (errno != EINTR && errno != EAGAIN) {
            input.error = errno;
            return -1;
        }
    }
}

}  // namespace inkband::filter
