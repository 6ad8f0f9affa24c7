// libFuzzer entry point: the input is a session script (session_script.h)
// that chooses the settings, the order of the entry-point calls, their
// arguments, the plane bytes and the allocations that fail; the runner
// checks every call and every job's stream (session_runner.h).
#include <cstddef>
#include <cstdint>

#include "session_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsession::runSession(data, size);
    return 0;
}
