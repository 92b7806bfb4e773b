#pragma once

#include <cstdint>

#include "align/Records.hpp"
#include "common/Grid.hpp"

// The scores a local fill keeps for its tracebacks: every step-th row and
// every step-th column of the filled region, counted from the region's zero
// row and column, and nothing per cell. Any block of step x step cells
// between them can be filled again from the kept row above it and the kept
// column left of it, with exactly the values of the first fill, so a
// traceback recomputes only the blocks its path crosses.
class CheckpointGrid {
public:
    explicit CheckpointGrid(WorkArena& arena) : rows_(&arena), columns_(&arena) {}

    // Makes room for the kept lines of `region` (its first row and column are
    // the zero boundary, never stored).
    void reset(const Region& region, int step);
    // Hands the storage back to the arena.
    void release();

    const Region& region() const { return region_; }
    int step() const { return step_; }

    bool keepsRow(int i) const { return i > region_.begin.i && (i - region_.begin.i) % step_ == 0; }
    // Kept row i: entry 0 for the region's first column.
    int* row(int i) { return rows_[static_cast<std::size_t>((i - region_.begin.i) / step_ - 1)]; }
    const int* row(int i) const {
        return rows_[static_cast<std::size_t>((i - region_.begin.i) / step_ - 1)];
    }
    // The kept columns' scores in row i (below the zero row): entry b - 1
    // for the region's first column + b * step.
    int* columnsOfRow(int i) { return columns_[static_cast<std::size_t>(i - region_.begin.i - 1)]; }
    const int* columnsOfRow(int i) const {
        return columns_[static_cast<std::size_t>(i - region_.begin.i - 1)];
    }

    // The step for a region of this many rows and columns: 1024, or more
    // when the kept lines would pass kMaxBytes.
    static int stepFor(long long rows, long long columns);
    // Bytes of the kept lines of such a region with that step.
    static std::uint64_t bytesFor(long long rows, long long columns, int step);

private:
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{2} << 30;

    Region region_{};
    int step_ = 1;
    Grid<int> rows_;
    Grid<int> columns_;
};
