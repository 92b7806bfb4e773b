#include "common/LargeBlock.hpp"

#include <cstdlib>

#include "common/MemoryBudget.hpp"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

void* allocateLargeBlock(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes < 2 * kHugePage) return std::malloc(bytes);
    void* block = nullptr;
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (::posix_memalign(&block, kHugePage, rounded) != 0) return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only when plenty of memory is free: huge pages carved out of memory that
    // first has to be reclaimed from caches cost more than small pages.
    if (freeMemory() / 2 > rounded) ::madvise(block, rounded, MADV_HUGEPAGE);
#endif
    return block;
}

void releaseLargeBlock(void* block) { std::free(block); }
