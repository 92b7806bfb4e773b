#include "common/WorkArena.hpp"

#include "common/LargeBlock.hpp"
#include "common/MemoryBudget.hpp"

WorkArena::WorkArena() : budget_(MemoryBudget::process()) {}

void* WorkArena::acquire(std::size_t bytes, std::size_t& capacity) {
    std::size_t best = kept_.size();
    for (std::size_t k = 0; k < kept_.size(); ++k) {
        if (kept_[k].second >= bytes &&
            (best == kept_.size() || kept_[k].second < kept_[best].second)) {
            best = k;
        }
    }
    if (best != kept_.size()) {
        void* block = kept_[best].first;
        capacity = kept_[best].second;
        kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(best));
        return block;
    }
    // Nothing kept is large enough: give the kept memory back before asking
    // for more, so the peak stays at what one pair needs.
    drain();
    budget_.reserve(bytes);
    void* block = allocateLargeBlock(bytes);
    if (!block) {
        budget_.release(bytes);
        throw OutOfMemory{bytes, budget_.available()};
    }
    capacity = bytes;
    return block;
}

void WorkArena::giveBack(void* block, std::size_t capacity) {
    if (capacity >= kKeepMinBytes) {
        kept_.emplace_back(block, capacity);
        return;
    }
    releaseLargeBlock(block);
    budget_.release(capacity);
}

void WorkArena::drain() {
    for (const auto& [block, capacity] : kept_) {
        releaseLargeBlock(block);
        budget_.release(capacity);
    }
    kept_.clear();
}
