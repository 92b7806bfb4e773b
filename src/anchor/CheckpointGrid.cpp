#include "anchor/CheckpointGrid.hpp"

void CheckpointGrid::reset(const Region& region, int step) {
    region_ = region;
    step_ = step;
    const int height = region.end.i - region.begin.i;
    const int width = region.end.j - region.begin.j;
    rows_.resizeUninitialized(height / step, width + 1);
    columns_.resizeUninitialized(height, width / step);
}

void CheckpointGrid::release() {
    rows_.clear();
    columns_.clear();
}

int CheckpointGrid::stepFor(long long rows, long long columns) {
    int step = 1024;
    while (step < (1 << 20) && bytesFor(rows, columns, step) > kMaxBytes) step *= 2;
    return step;
}

std::uint64_t CheckpointGrid::bytesFor(long long rows, long long columns, int step) {
    const auto r = static_cast<std::uint64_t>(rows), c = static_cast<std::uint64_t>(columns);
    return sizeof(int) * ((r / step) * (c + 1) + r * (c / step));
}
