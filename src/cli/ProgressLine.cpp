#include "cli/ProgressLine.hpp"

#include <unistd.h>

#include <string>

#include "pair/PairScheduler.hpp"
#include "cli/MessageSink.hpp"

ProgressLine::ProgressLine(bool wanted, const PairScheduler& pool)
    : enabled_(wanted && ::isatty(STDERR_FILENO) == 1), pool_(pool) {}

void ProgressLine::draw() {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    std::string text = "pairs done: " + std::to_string(pool_.pairsDone()) + " of " +
                       std::to_string(pool_.pairsRead()) + " read";
    const long long rows = pool_.fill().rows.load(std::memory_order_relaxed);
    const long long done = pool_.fill().rowsDone.load(std::memory_order_relaxed);
    if (rows > 0 && done < rows) text += ", filling a large pair: " + std::to_string(100 * done / rows) + "%";
    MessageSink::showStatus(text);
}

void ProgressLine::clear() {
    if (enabled_) MessageSink::clearStatus();
}
