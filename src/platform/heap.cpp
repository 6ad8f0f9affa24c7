#include "platform/heap.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdlib>
#endif

#if defined(INKBAND_HEAP_HOOK)
#include <unordered_map>
#endif

namespace inkband {

#if defined(INKBAND_HEAP_HOOK)
namespace {
struct HookState {
    HeapCounters counters{};
    long failCountdown = 0;                        // 0: no failure armed
    std::unordered_map<void*, std::size_t> sizes;  // live block -> size
};
thread_local HookState hook;
}  // namespace

bool heapHookAvailable() { return true; }
void heapFailNth(long nth) { hook.failCountdown = nth > 0 ? nth : 0; }
HeapCounters heapCounters() { return hook.counters; }
void heapResetCounters() {
    hook.counters = HeapCounters{};
    hook.failCountdown = 0;
    hook.sizes.clear();
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
#if defined(_WIN32)
    void* block = reinterpret_cast<void*>(GlobalAlloc(GMEM_ZEROINIT, size));
#else
    void* block = std::calloc(1, size);
#endif
#if defined(INKBAND_HEAP_HOOK)
    if (block != nullptr) {
        hook.sizes[block] = size;
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
    auto it = hook.sizes.find(block);
    if (it != hook.sizes.end()) {
        hook.counters.liveBytes -= static_cast<long>(it->second);
        hook.sizes.erase(it);
    }
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
