#pragma once

#include <chrono>

class PairPool;

// One updating line on standard error: pairs done of pairs read, and how far
// the fill of a large pair has come. Drawn only when standard error is a
// terminal, at most a few times a second.
class ProgressLine {
public:
    ProgressLine(bool wanted, const PairPool& pool);
    void draw();
    void clear();

private:
    bool enabled_;
    const PairPool& pool_;
    std::chrono::steady_clock::time_point last_{};
};
