#include "common/MemoryBudget.hpp"

#include <cstdio>
#include <cstring>

namespace {
std::uint64_t testLimit = 0;
}  // namespace

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

std::uint64_t availableMemory() {
    if (testLimit != 0) return testLimit;
    return meminfo("MemAvailable: %llu kB", UINT64_MAX);
}

std::uint64_t freeMemory() { return meminfo("MemFree: %llu kB", 0); }

void requireMemory(std::uint64_t bytes) {
    if (bytes > availableMemory()) throw OutOfMemory{bytes};
}

void setMemoryLimitForTesting(std::uint64_t bytes) { testLimit = bytes; }
