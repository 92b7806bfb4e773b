#include "pair/SchedulingState.hpp"

bool SchedulingState::canStart(const PairDemand& pair, std::uint64_t available) const {
    if (retryWaiters_ > 0 || retryRunning_) return false;
    if (pair.large() ? running_ > 0 : largeRunning_) return false;
    return running_ == 0 || pair.bytes <= available;
}

Attempt SchedulingState::takeNext(const PairDemand& pair, bool lastOfInput) {
    Attempt attempt;
    attempt.large = pair.large();
    attempt.startedAlone = running_ == 0 && idleHolding_ == 0;
    attempt.threads = attempt.large || (running_ == 0 && lastOfInput) ? threads_ : 1;
    attempt.startNumber = starts_++;
    attempt.workersAtStart = workers_;
    ++running_;
    if (attempt.large) largeRunning_ = true;
    return attempt;
}

bool SchedulingState::ranAsOnOneThread(const Attempt& attempt) const {
    // Nothing started after it, so nothing ran beside it.
    return attempt.startedAlone && attempt.threads == 1 && attempt.workersAtStart <= 1 &&
           starts_ == attempt.startNumber + 1;
}

void SchedulingState::waitToRetry(const Attempt& attempt) {
    --running_;
    if (attempt.large) largeRunning_ = false;
    if (attempt.retry) retryRunning_ = false;
    ++retryWaiters_;
}

bool SchedulingState::retryMayRun() const {
    return !retryRunning_ && running_ == 0 && idleHolding_ == 0 && workers_ == retryWaiters_;
}

Attempt SchedulingState::retryAlone(const Attempt& failed) {
    --retryWaiters_;
    retryRunning_ = true;
    Attempt attempt;
    attempt.large = failed.large;
    attempt.threads = 1;
    attempt.retry = true;
    attempt.startedAlone = true;
    attempt.startNumber = starts_++;
    attempt.workersAtStart = 1;
    ++running_;
    if (attempt.large) largeRunning_ = true;
    return attempt;
}

void SchedulingState::finishPair(const Attempt& attempt, bool keepsBlocks) {
    --running_;
    if (attempt.large) largeRunning_ = false;
    if (attempt.retry) retryRunning_ = false;
    if (keepsBlocks) ++idleHolding_;
}
