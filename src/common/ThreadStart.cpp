#include "common/ThreadStart.hpp"

#include "common/StopRequest.hpp"

#include <mutex>
#include <utility>

namespace {

std::mutex& starterLock() {
    static std::mutex lock;
    return lock;
}

ThreadStarter& currentStarter() {
    static ThreadStarter starter;
    return starter;
}

}  // namespace

std::thread startThread(std::function<void()> work) {
    // The new thread works for the same call, so the same request stops it.
    work = [flag = currentStopFlag(), inner = std::move(work)] {
        const StopScope scope(flag);
        inner();
    };
    ThreadStarter starter;
    {
        std::lock_guard<std::mutex> hold(starterLock());
        starter = currentStarter();
    }
    if (starter) return starter(std::move(work));
    return std::thread(std::move(work));
}

ThreadStarter replaceThreadStarter(ThreadStarter starter) {
    std::lock_guard<std::mutex> hold(starterLock());
    return std::exchange(currentStarter(), std::move(starter));
}
