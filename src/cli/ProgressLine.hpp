#pragma once

#include <chrono>

class PairScheduler;

// One updating line on standard error: pairs done of pairs read, and how far
// the fill of a large pair has come. Drawn only when standard error is a
// terminal, at most a few times a second.
class ProgressLine {
public:
    ProgressLine(bool wanted, const PairScheduler& pool);
    void draw();
    void clear();

private:
    bool enabled_;
    const PairScheduler& pool_;
    std::chrono::steady_clock::time_point last_{};
};
