#pragma once

#include <algorithm>
#include <cstddef>

#include "common/WorkArena.hpp"

// A rows x cols table in one contiguous block, row after row; m[i][j] reads
// element j of row i. Large tables take their storage from a worker's arena
// so that the memory of one pair is reused by the next.
template <class T>
class Grid {
public:
    Grid() = default;
    explicit Grid(WorkArena* arena) : buf_(arena) {}
    // rows x cols zero elements.
    Grid(int rows, int cols) { assign(rows, cols); }
    Grid(Grid&&) noexcept = default;
    Grid& operator=(Grid&&) noexcept = default;

    T* operator[](std::size_t i) { return buf_.data() + i * cols_; }
    const T* operator[](std::size_t i) const { return buf_.data() + i * cols_; }

    std::size_t size() const { return rows_; }  // number of rows
    std::size_t rows() const { return rows_; }
    std::size_t cols() const { return cols_; }
    bool empty() const { return rows_ == 0; }
    T* data() { return buf_.data(); }
    const T* data() const { return buf_.data(); }

    // rows x cols zero elements.
    void assign(int rows, int cols) {
        resizeUninitialized(rows, cols);
        std::fill_n(buf_.data(), rows_ * cols_, T{});
    }

    // rows x cols elements whose values are left to the caller to set; this
    // is for tables that are filled completely right after sizing.
    void resizeUninitialized(int rows, int cols) {
        rows_ = rows > 0 ? static_cast<std::size_t>(rows) : 0;
        cols_ = cols > 0 ? static_cast<std::size_t>(cols) : 0;
        buf_.reset(rows_ * cols_);
    }

    // No rows; the storage goes back to the arena.
    void clear() {
        rows_ = cols_ = 0;
        buf_.release();
    }

private:
    ArenaBuffer<T> buf_;
    std::size_t rows_ = 0;
    std::size_t cols_ = 0;
};
