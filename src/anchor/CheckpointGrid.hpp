#pragma once

#include <cstddef>
#include <cstdint>

#include "align/Cell.hpp"
#include "common/WorkArena.hpp"

// The scores a local fill keeps for its tracebacks: every step-th row and
// every step-th column of the filled region, counted from the region's zero
// row and column, and nothing per cell. Any block of step x step cells
// between them can be filled again from the kept row above it and the kept
// column left of it, with exactly the values of the first fill, so a
// traceback recomputes only the blocks its path crosses.
class CheckpointGrid {
public:
    explicit CheckpointGrid(WorkArena& arena) : storage_(&arena) {}

    // Makes room for the kept lines of `region` (its first row and column are
    // the zero boundary, never stored), in one block of the arena.
    void reset(const Region& region, int step);
    // Hands the storage back to the arena.
    void release() { storage_.release(); }

    const Region& region() const { return region_; }
    int step() const { return step_; }

    bool keepsRow(int i) const { return i > region_.begin.i && (i - region_.begin.i) % step_ == 0; }
    // Kept row i: entry 0 for the region's first column.
    int* row(int i) { return storage_.data() + rowOffset(i); }
    const int* row(int i) const { return storage_.data() + rowOffset(i); }
    // The kept columns' scores in row i (below the zero row): entry b - 1
    // for the region's first column + b * step.
    int* columnsOfRow(int i) { return storage_.data() + columnsOffset(i); }
    const int* columnsOfRow(int i) const { return storage_.data() + columnsOffset(i); }

    // The step for a region of this many rows and columns: 1024, or more
    // (up to kMaxStep) while the kept lines would pass kMaxBytes.
    static int stepFor(long long rows, long long columns);
    // Bytes of the kept lines of such a region with that step.
    static std::uint64_t bytesFor(long long rows, long long columns, int step);

private:
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{2} << 30;
    // A traceback refills blocks of step x step cells, a byte each: past this
    // a megabase pair's blocks would outweigh its grid.
    static constexpr int kMaxStep = 16384;

    std::size_t rowOffset(int i) const {
        return static_cast<std::size_t>((i - region_.begin.i) / step_ - 1) * rowLength_;
    }
    std::size_t columnsOffset(int i) const {
        return keptRowsSize_ + static_cast<std::size_t>(i - region_.begin.i - 1) * keptColumns_;
    }

    Region region_{};
    int step_ = 1;
    std::size_t rowLength_ = 0;     // entries of a kept row
    std::size_t keptColumns_ = 0;   // kept columns
    std::size_t keptRowsSize_ = 0;  // entries of all kept rows, which come first
    ArenaBuffer<int> storage_;
};
