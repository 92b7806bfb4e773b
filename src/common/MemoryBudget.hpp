#pragma once

#include <atomic>
#include <cstdint>

// A pair whose buffers would not fit in memory is abandoned instead of
// letting the kernel's OOM killer end the whole run.
struct OutOfMemory {
    std::uint64_t bytesNeeded;
    std::uint64_t bytesAvailable = 0;  // what the budget still had
};

// The process-wide memory budget. Large buffers are reserved before they are
// allocated, and the reservation is one atomic step, so two workers can never
// both pass the check for the same bytes. The ceiling is the memory the
// process could have when the budget was first used: the least of the
// machine's available memory, the job's cgroup limit and its address-space
// limit (ulimit -v). A budget of its own (a library call's memory limit)
// reserves in the process's budget too, so it never goes past that one.
class MemoryBudget {
public:
    static MemoryBudget& process();

    // A budget of at most `ceiling` bytes inside `parent`.
    MemoryBudget(std::uint64_t ceiling, MemoryBudget& parent) : ceiling_(ceiling), parent_(&parent) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // Reserves `bytes`, or throws OutOfMemory when they would not fit.
    void reserve(std::uint64_t bytes);
    void release(std::uint64_t bytes);
    std::uint64_t reserved() const { return reserved_.load(); }
    std::uint64_t ceiling();
    // Bytes that could still be reserved now (here and in every parent).
    std::uint64_t available();

    // Replaces the ceiling (0 goes back to reading it from the system).
    void setCeilingForTesting(std::uint64_t bytes);

private:
    MemoryBudget() = default;
    std::atomic<std::uint64_t> reserved_{0};
    std::atomic<std::uint64_t> ceiling_{0};
    MemoryBudget* parent_ = nullptr;
};

// Bytes of memory that are free right now, without reclaiming caches (MemFree),
// or 0 when that cannot be read.
std::uint64_t freeMemory();
