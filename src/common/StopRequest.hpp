#pragma once

#include <atomic>

// A caller's request that the work of a call be given up, for callers that
// cannot wait for a long pair to finish (Python's Ctrl-C). The flag belongs
// to the caller; the thread that runs the call installs it with StopScope,
// and every thread that call starts through startThread() takes it over, so
// that fills running on strips and scheduler workers see it too.
//
// The fills check it once a row (a row of the longest pairs takes well under
// a millisecond), which keeps the check itself out of every measurement.

// Thrown out of the engine once the flag holds true; the pair's work is lost.
struct StopRequested {};

// The flag installed on this thread; null when nothing may stop the work.
const std::atomic<bool>* currentStopFlag();

// Throws StopRequested when this thread's flag holds true.
inline void stopPoint() {
    const std::atomic<bool>* flag = currentStopFlag();
    if (flag != nullptr && flag->load(std::memory_order_relaxed)) throw StopRequested{};
}

// Installs `flag` on this thread for the scope's lifetime (null: none).
class StopScope {
public:
    explicit StopScope(const std::atomic<bool>* flag);
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};
