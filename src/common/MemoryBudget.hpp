#pragma once

#include <cstddef>
#include <cstdint>

// A pair whose matrices would not fit in memory is abandoned instead of
// letting the kernel's OOM killer end the whole run. Large allocations ask
// requireMemory() first; it throws OutOfMemory with the bytes that were asked.
struct OutOfMemory {
    std::uint64_t bytesNeeded;
};

// Bytes the system can still hand out without swapping (MemAvailable), or
// UINT64_MAX when that cannot be read. A limit set with setMemoryLimitForTesting
// takes precedence.
std::uint64_t availableMemory();

// Bytes of memory that are free right now, without reclaiming caches (MemFree),
// or 0 when that cannot be read.
std::uint64_t freeMemory();

// Throws OutOfMemory{bytes} when bytes exceed availableMemory().
void requireMemory(std::uint64_t bytes);

// Makes availableMemory() return `bytes` (0 restores the real reading).
void setMemoryLimitForTesting(std::uint64_t bytes);
