// Heap-allocation counting for the benchmark binary.
//
// alloc_counter.cpp replaces malloc, calloc, realloc and free for the whole process (operator
// new and giflib's allocations go through them) and forwards to glibc's allocator. While
// counting is switched on, every allocation is counted and attributed by its direct caller:
// giflib (the caller's address lies in the loaded libgif) or anywhere else, which in a tick is
// our own code or the C++/C runtime working for it. Single-threaded use only: the benchmark
// runs one thread.
#pragma once

#include <cstdint>

struct AllocCounts {
    std::uint64_t giflib = 0;  // called from inside libgif
    std::uint64_t other = 0;   // called from anywhere else
};

// Finds libgif's code in memory; call once at start-up, before any counting.
void locateGiflib();

// True when locateGiflib found the library (otherwise everything counts as other).
bool giflibLocated();

// Starts and stops counting; counts accumulate across switches until reset.
void countAllocations(bool on);
AllocCounts allocationCounts();
void resetAllocationCounts();
