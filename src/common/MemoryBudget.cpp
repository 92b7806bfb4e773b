#include "common/MemoryBudget.hpp"

#include <algorithm>
#include <cstdio>

#include "common/MemoryLimits.hpp"

namespace {

// A "Name: N kB" line of /proc/meminfo in bytes, or `otherwise`.
std::uint64_t meminfo(const char* format, std::uint64_t otherwise) {
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return otherwise;
    char line[256];
    std::uint64_t result = otherwise;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long kib = 0;
        if (std::sscanf(line, format, &kib) == 1) {
            result = static_cast<std::uint64_t>(kib) * 1024;
            break;
        }
    }
    std::fclose(f);
    return result;
}

}  // namespace

std::uint64_t freeMemory() { return meminfo("MemFree: %llu kB", 0); }

MemoryBudget& MemoryBudget::process() {
    static MemoryBudget budget;
    return budget;
}

std::uint64_t MemoryBudget::ceiling() {
    std::uint64_t c = ceiling_.load();
    if (c == 0) {
        // The tightest of the machine's available memory, the job's cgroup
        // and its address-space limit: the machine may have plenty left
        // while the job is stopped much earlier.
        std::uint64_t read = currentMemoryLimits().smallest();
        if (read == 0) read = 1;
        // Another thread may have read it first; either reading will do.
        ceiling_.compare_exchange_strong(c, read);
        c = ceiling_.load();
    }
    return c;
}

std::uint64_t MemoryBudget::available() {
    const std::uint64_t limit = ceiling();
    const std::uint64_t current = reserved_.load();
    const std::uint64_t here = current >= limit ? 0 : limit - current;
    return parent_ ? std::min(here, parent_->available()) : here;
}

void MemoryBudget::reserve(std::uint64_t bytes) {
    const std::uint64_t limit = ceiling();
    std::uint64_t current = reserved_.load();
    do {
        if (bytes > limit || current > limit - bytes) throw OutOfMemory{bytes, available()};
    } while (!reserved_.compare_exchange_weak(current, current + bytes));
    if (!parent_) return;
    try {
        parent_->reserve(bytes);
    } catch (OutOfMemory& e) {
        reserved_.fetch_sub(bytes);
        e.bytesAvailable = available();
        throw;
    }
}

void MemoryBudget::release(std::uint64_t bytes) {
    reserved_.fetch_sub(bytes);
    if (parent_) parent_->release(bytes);
}

void MemoryBudget::setCeilingForTesting(std::uint64_t bytes) { ceiling_.store(bytes); }
