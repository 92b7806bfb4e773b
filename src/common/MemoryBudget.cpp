#include "common/MemoryBudget.hpp"

#include <cstdio>
#include <cstring>

namespace {
std::uint64_t testLimit = 0;
}

std::uint64_t availableMemory() {
    if (testLimit != 0) return testLimit;
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return UINT64_MAX;
    char line[256];
    std::uint64_t result = UINT64_MAX;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long kib = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
            result = static_cast<std::uint64_t>(kib) * 1024;
            break;
        }
    }
    std::fclose(f);
    return result;
}

void requireMemory(std::uint64_t bytes) {
    if (bytes > availableMemory()) throw OutOfMemory{bytes};
}

void setMemoryLimitForTesting(std::uint64_t bytes) { testLimit = bytes; }
