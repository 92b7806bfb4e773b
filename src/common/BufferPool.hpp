#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/LargeBlock.hpp"
#include "common/MemoryBudget.hpp"

// Large work buffers (the local score matrix, traceback bytes) are reused
// across pairs and stretches: the first touch of fresh memory costs far more
// than filling it. Elements are left uninitialised, so T must be a plain
// arithmetic type. Buffers of at least kPoolMinBytes go back to a per-thread
// pool when released; smaller ones are simply freed.
template <class T>
class PooledBuffer {
    static_assert(std::is_trivial_v<T>);

public:
    PooledBuffer() = default;
    // Uninitialised storage for n elements; throws OutOfMemory (see
    // MemoryBudget) when a fresh allocation would not fit in memory.
    explicit PooledBuffer(std::size_t n) { acquire(n); }
    PooledBuffer(PooledBuffer&& o) noexcept
        : data_(std::move(o.data_)), capacity_(std::exchange(o.capacity_, 0)) {}
    PooledBuffer& operator=(PooledBuffer&& o) noexcept {
        if (this != &o) {
            release();
            data_ = std::move(o.data_);
            capacity_ = std::exchange(o.capacity_, 0);
        }
        return *this;
    }
    PooledBuffer(const PooledBuffer&) = delete;
    PooledBuffer& operator=(const PooledBuffer&) = delete;
    ~PooledBuffer() { release(); }

    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    std::size_t capacity() const { return capacity_; }

    // Makes room for n elements, keeping nothing of the old contents.
    void reset(std::size_t n) {
        if (n <= capacity_) return;
        release();
        acquire(n);
    }

    void release() {
        if (!data_) return;
        if (capacity_ * sizeof(T) >= kPoolMinBytes) {
            pool().push_back({std::move(data_), capacity_});
        }
        data_.reset();
        capacity_ = 0;
    }

    // Frees every pooled buffer of this element type (tests, memory pressure).
    static void drainPool() { pool().clear(); }

private:
    static constexpr std::size_t kPoolMinBytes = std::size_t{1} << 20;
    struct Release {
        void operator()(T* p) const { releaseLargeBlock(p); }
    };
    using Storage = std::unique_ptr<T, Release>;
    struct Entry {
        Storage data;
        std::size_t capacity;
    };
    static std::vector<Entry>& pool() {
        thread_local std::vector<Entry> entries;
        return entries;
    }

    void acquire(std::size_t n) {
        if (n == 0) return;
        auto& entries = pool();
        std::size_t best = entries.size();
        for (std::size_t k = 0; k < entries.size(); ++k) {
            if (entries[k].capacity >= n &&
                (best == entries.size() || entries[k].capacity < entries[best].capacity)) {
                best = k;
            }
        }
        if (best != entries.size()) {
            data_ = std::move(entries[best].data);
            capacity_ = entries[best].capacity;
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(best));
            return;
        }
        // Nothing pooled is large enough: give the pooled memory back before
        // asking for more, so the peak stays at what one pair needs.
        entries.clear();
        requireMemory(n * sizeof(T));
        data_.reset(static_cast<T*>(allocateLargeBlock(n * sizeof(T))));
        if (!data_) throw OutOfMemory{n * sizeof(T)};
        capacity_ = n;
    }

    Storage data_;
    std::size_t capacity_ = 0;
};
