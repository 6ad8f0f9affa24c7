// The one heap layer: every block the module uses comes from heapAllocate
// (zero-filled) and goes back through heapRelease / releaseSlot.
#pragma once

#include <cstddef>

namespace inkband {

// A zero-filled block of `size` bytes, or null when it cannot be had.
// On Windows this is GlobalAlloc(GMEM_ZEROINIT, size); elsewhere calloc.
void* heapAllocate(std::size_t size);

// Returns a block from heapAllocate; null is ignored.
void heapRelease(void* block);

// Frees the block held in *slot and clears the slot.  A null slot address or
// a slot that holds null is left alone.
template <typename T>
inline void releaseSlot(T** slot) {
    if (slot == nullptr || *slot == nullptr) return;
    heapRelease(*slot);
    *slot = nullptr;
}

// Allocates a zero-filled T (plain records only) or null.
template <typename T>
inline T* heapNew() {
    return static_cast<T*>(heapAllocate(sizeof(T)));
}

// Test hook, compiled in only where INKBAND_HEAP_HOOK is defined (the static
// library the tests and benchmarks link; the shipped libraries carry no
// hook and no mutable state).  Counters are per thread, so tests on several
// threads do not disturb each other.
struct HeapCounters {
    long allocations;  // successful allocations so far
    long releases;     // blocks released so far
    long liveBlocks;   // allocations - releases
    long liveBytes;    // bytes in live blocks
    long peakBytes;    // highest liveBytes seen
};

// True when this build carries the hook.
bool heapHookAvailable();
// Makes the nth allocation from now (1 = the next one) fail; 0 disarms.
void heapFailNth(long nth);
// Counters of this thread.
HeapCounters heapCounters();
// Sets this thread's counters back to zero (live blocks included) and
// disarms any pending failure.
void heapResetCounters();

}  // namespace inkband
