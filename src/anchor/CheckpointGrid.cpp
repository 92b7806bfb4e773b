#include "anchor/CheckpointGrid.hpp"

void CheckpointGrid::reset(const Region& region, int step) {
    region_ = region;
    step_ = step;
    const auto height = static_cast<std::size_t>(region.end.i - region.begin.i);
    const auto width = static_cast<std::size_t>(region.end.j - region.begin.j);
    const auto s = static_cast<std::size_t>(step);
    rowLength_ = width + 1;
    keptColumns_ = width / s;
    keptRowsSize_ = height / s * rowLength_;
    storage_.reset(keptRowsSize_ + height * keptColumns_);
}

int CheckpointGrid::stepFor(long long rows, long long columns) {
    int step = 1024;
    while (step < kMaxStep && bytesFor(rows, columns, step) > kMaxBytes) step *= 2;
    return step;
}

std::uint64_t CheckpointGrid::bytesFor(long long rows, long long columns, int step) {
    const auto r = static_cast<std::uint64_t>(rows), c = static_cast<std::uint64_t>(columns);
    return sizeof(int) * ((r / step) * (c + 1) + r * (c / step));
}
