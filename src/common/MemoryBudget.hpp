#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// A pair whose buffers would not fit in memory is abandoned instead of
// letting the kernel's OOM killer end the whole run.
struct OutOfMemory {
    std::uint64_t bytesNeeded;
};

// The process-wide memory budget. Large buffers are reserved before they are
// allocated, and the reservation is one atomic step, so two workers can never
// both pass the check for the same bytes. The ceiling is the memory the
// process could have when the budget was first used: the least of the
// machine's available memory, the job's cgroup limit and its address-space
// limit (ulimit -v).
class MemoryBudget {
public:
    static MemoryBudget& process();

    // Reserves `bytes`, or throws OutOfMemory{bytes} when they would not fit.
    void reserve(std::uint64_t bytes);
    void release(std::uint64_t bytes);
    std::uint64_t reserved() const { return reserved_.load(); }
    std::uint64_t ceiling();

    // Replaces the ceiling (0 goes back to reading it from the system).
    void setCeilingForTesting(std::uint64_t bytes);

private:
    std::atomic<std::uint64_t> reserved_{0};
    std::atomic<std::uint64_t> ceiling_{0};
};

// Bytes the system can still hand out without swapping (MemAvailable), or
// UINT64_MAX when that cannot be read.
std::uint64_t availableMemory();

// Bytes of memory that are free right now, without reclaiming caches (MemFree),
// or 0 when that cannot be read.
std::uint64_t freeMemory();
