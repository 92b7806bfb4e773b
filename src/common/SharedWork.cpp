#include "common/SharedWork.hpp"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "common/ThreadStart.hpp"

void SharedWork::runOne(Task& task, int worker) {
    try {
        task(worker);
    } catch (const Abandoned&) {
    } catch (...) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
        pending_.clear();
    }
}

// A worker waits while pieces are running that may still offer more, and
// ends once none is running and none is queued.
void SharedWork::serve(int worker) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        ++idle_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !pending_.empty() || running_ == 0; });
        --idle_;
        if (pending_.empty()) break;
        Task task = std::move(pending_.front());
        pending_.pop_front();
        ++running_;
        lock.unlock();
        runOne(task, worker);
        lock.lock();
        --running_;
        if (running_ == 0) changed_.notify_all();
    }
    changed_.notify_all();
}

bool SharedWork::offer(Task piece) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (failure_) throw Abandoned{};
    if (idle_ - lent_ <= static_cast<int>(pending_.size())) return false;
    pending_.push_back(std::move(piece));
    changed_.notify_one();
    return true;
}

int SharedWork::borrowIdle(int wanted) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const int count = std::max(0, std::min(wanted, idle_ - lent_ - static_cast<int>(pending_.size())));
    lent_ += count;
    return count;
}

void SharedWork::giveBack(int count) {
    const std::lock_guard<std::mutex> lock(mutex_);
    lent_ -= count;
}

void SharedWork::run(Task first) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        running_ = 1;
    }
    std::vector<std::thread> helpers;
    try {
        for (int w = 1; w < threads_; ++w) helpers.push_back(startThread([this, w] { serve(w); }));
    } catch (const std::system_error&) {
    }
    {
        // The first pieces are the largest: they should find the helpers
        // ready rather than still starting.
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return idle_ == static_cast<int>(helpers.size()); });
    }
    runOne(first, 0);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        changed_.notify_all();
    }
    serve(0);
    for (std::thread& h : helpers) h.join();
    if (failure_) std::rethrow_exception(failure_);
}
