#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

class MemoryBudget;

// The large work buffers of one worker (the local score matrix, traceback
// bytes). They are handed back here when a pair or a stretch is done and
// reused by the next: the first touch of fresh memory costs far more than
// filling it. Every block is reserved from the process's MemoryBudget before
// it is allocated and released when it is freed. One arena per thread.
class WorkArena {
public:
    // Reserves in the process's budget.
    WorkArena();
    explicit WorkArena(MemoryBudget& budget) : budget_(budget) {}
    WorkArena(const WorkArena&) = delete;
    WorkArena& operator=(const WorkArena&) = delete;
    ~WorkArena() { drain(); }

    // A block of at least `bytes`; its real size is stored in `capacity`.
    // Throws OutOfMemory when a fresh block does not fit in the budget.
    void* acquire(std::size_t bytes, std::size_t& capacity);
    // Takes a block back from acquire(): large ones are kept for reuse.
    void giveBack(void* block, std::size_t capacity);
    // Frees every kept block.
    void drain();
    std::size_t keptBlocks() const { return kept_.size(); }
    MemoryBudget& budget() const { return budget_; }

private:
    MemoryBudget& budget_;
    static constexpr std::size_t kKeepMinBytes = std::size_t{1} << 20;
    std::vector<std::pair<void*, std::size_t>> kept_;
};

// Uninitialised storage for n elements of a plain type T, from an arena (or,
// without one, straight from the system, for small tables).
template <class T>
class ArenaBuffer {
public:
    ArenaBuffer() = default;
    explicit ArenaBuffer(WorkArena* arena) : arena_(arena) {}
    ArenaBuffer(ArenaBuffer&& o) noexcept
        : arena_(o.arena_), data_(std::exchange(o.data_, nullptr)),
          capacity_(std::exchange(o.capacity_, 0)) {}
    ArenaBuffer& operator=(ArenaBuffer&& o) noexcept {
        if (this != &o) {
            release();
            arena_ = o.arena_;
            data_ = std::exchange(o.data_, nullptr);
            capacity_ = std::exchange(o.capacity_, 0);
        }
        return *this;
    }
    ArenaBuffer(const ArenaBuffer&) = delete;
    ArenaBuffer& operator=(const ArenaBuffer&) = delete;
    ~ArenaBuffer() { release(); }

    T* data() { return data_; }
    const T* data() const { return data_; }

    // Room for n elements, keeping nothing of the old contents.
    void reset(std::size_t n);
    void release();

private:
    WorkArena* arena_ = nullptr;
    T* data_ = nullptr;
    std::size_t capacity_ = 0;  // bytes
};

template <class T>
void ArenaBuffer<T>::reset(std::size_t n) {
    static_assert(std::is_trivial_v<T>);
    if (n * sizeof(T) <= capacity_ && data_) return;
    release();
    if (n == 0) return;
    if (arena_) {
        data_ = static_cast<T*>(arena_->acquire(n * sizeof(T), capacity_));
    } else {
        data_ = new T[n];
        capacity_ = n * sizeof(T);
    }
}

template <class T>
void ArenaBuffer<T>::release() {
    if (!data_) return;
    if (arena_) {
        arena_->giveBack(data_, capacity_);
    } else {
        delete[] data_;
    }
    data_ = nullptr;
    capacity_ = 0;
}
