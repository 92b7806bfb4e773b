#pragma once

#include <atomic>

// How far the fill of a pair's local matrix has come, for a progress line
// that another thread draws. Written with relaxed stores: it only informs.
struct FillProgress {
    std::atomic<long long> rowsDone{0};
    std::atomic<long long> rows{0};
};
