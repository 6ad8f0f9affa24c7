#include "platform/heap.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace inkband {

#if defined(INKBAND_HEAP_HOOK)
namespace {
// Per-thread counters.  Trivially destructible on purpose: a thread_local
// with a destructor crashes at thread exit under mingw-w64's winpthreads.
struct HookState {
    HeapCounters counters;
    long failCountdown;  // 0: no failure armed
};
thread_local HookState hook{};

// With the hook, every block carries its size in a 16-byte prefix (which
// keeps the caller's block 16-byte aligned), so releases can count bytes.
constexpr std::size_t kSizePrefix = 16;
}  // namespace

bool heapHookAvailable() { return true; }
void heapFailNth(long nth) { hook.failCountdown = nth > 0 ? nth : 0; }
HeapCounters heapCounters() { return hook.counters; }
void heapResetCounters() {
    hook.counters = HeapCounters{};
    hook.failCountdown = 0;
}
#else
bool heapHookAvailable() { return false; }
void heapFailNth(long) {}
HeapCounters heapCounters() { return HeapCounters{}; }
void heapResetCounters() {}
#endif

void* heapAllocate(std::size_t size) {
#if defined(INKBAND_HEAP_HOOK)
    if (hook.failCountdown > 0 && --hook.failCountdown == 0) return nullptr;
#endif
    if (size == 0) size = 1;  // a real, releasable block even for nothing
#if defined(INKBAND_HEAP_HOOK)
    const std::size_t total = size + kSizePrefix;
#else
    const std::size_t total = size;
#endif
#if defined(_WIN32)
    void* block = reinterpret_cast<void*>(GlobalAlloc(GMEM_ZEROINIT, total));
#else
    void* block = std::calloc(1, total);
#endif
#if defined(INKBAND_HEAP_HOOK)
    if (block != nullptr) {
        *static_cast<std::size_t*>(block) = size;
        block = static_cast<unsigned char*>(block) + kSizePrefix;
        ++hook.counters.allocations;
        ++hook.counters.liveBlocks;
        hook.counters.liveBytes += static_cast<long>(size);
        if (hook.counters.liveBytes > hook.counters.peakBytes)
            hook.counters.peakBytes = hook.counters.liveBytes;
    }
#endif
    return block;
}

void heapRelease(void* block) {
    if (block == nullptr) return;
#if defined(INKBAND_HEAP_HOOK)
    block = static_cast<unsigned char*>(block) - kSizePrefix;
    hook.counters.liveBytes -= static_cast<long>(*static_cast<std::size_t*>(block));
    ++hook.counters.releases;
    --hook.counters.liveBlocks;
#endif
#if defined(_WIN32)
    GlobalFree(reinterpret_cast<HGLOBAL>(block));
#else
    std::free(block);
#endif
}

}  // namespace inkband
